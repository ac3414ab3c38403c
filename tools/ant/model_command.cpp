// model_command.cpp: `kvistra-ant model FILE NAME [--frame N]`.
//
// Loads a .3ds entry of a library with the engine's own loader and prints the
// prepared Scene as JSON on standard output: mesh objects (counts, sample
// vertices and faces, bound materials, centre), materials, cameras with their
// tracks, lights and the frame range. With --frame N it also shows where the
// current camera is after setSceneFrame and animateCamera at frame N with
// loop 0. Keys always come in the same order; floats are printed with nine
// significant digits, so they read back exactly. A damaged model ends the
// process through the engine's own error path.
#include "commands.h"
#include "library_file.h"

#include "resources/resources.h"
#include "scene/scene.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// JSON text

std::string jsonFloat(float value)
{
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string jsonVec(const Vec3& v)
{
    return "[" + jsonFloat(v.x) + ", " + jsonFloat(v.y) + ", " + jsonFloat(v.z) + "]";
}

// A name field: its bytes up to the NUL or the field's end. Bytes outside
// printable ASCII are escaped, so any file gives valid JSON.
std::string jsonName(const char* field, size_t size)
{
    std::string text = "\"";
    for (size_t i = 0; i < size && field[i] != '\0'; ++i) {
        unsigned char c = static_cast<unsigned char>(field[i]);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text + "\"";
}

template <size_t N> std::string jsonName(const char (&field)[N])
{
    return jsonName(field, N);
}

std::string jsonColour(const uint8_t colour[3])
{
    // Stored blue, green, red; shown red, green, blue.
    return "{\"red\": " + std::to_string(colour[2]) + ", \"green\": " + std::to_string(colour[1]) +
        ", \"blue\": " + std::to_string(colour[0]) + "}";
}

// ---------------------------------------------------------------------------
// Scene parts

// The record's place in one of the Scene's lists; -1 when it is not there.
template <typename Record> int indexOf(Record* const* records, int count, const Record* record)
{
    for (int i = 0; i < count; ++i) {
        if (records[i] == record) {
            return i;
        }
    }
    return -1;
}

void printMeshObject(const Scene& scene, int index)
{
    const MeshObject& object = *scene.meshObjects[index];
    std::printf("    {\"index\": %d, \"name\": %s, \"vertexCount\": %d, \"faceCount\": %d,\n", index,
        jsonName(object.name).c_str(), object.vertexCount, object.faceCount);

    std::string first;
    for (int i = 0; i < object.vertexCount && i < 3; ++i) {
        first += (i ? ", " : "") + jsonVec(object.vertices[i].position);
    }
    std::string last =
        object.vertexCount > 0 ? jsonVec(object.vertices[object.vertexCount - 1].position) : "null";
    std::printf("     \"firstVertices\": [%s], \"lastVertex\": %s,\n", first.c_str(), last.c_str());

    std::string faces;
    for (int i = 0; i < object.faceCount && i < 3; ++i) {
        const Face& face = object.faces[i];
        char text[96];
        std::snprintf(text, sizeof text, "%s{\"indices\": [%d, %d, %d], \"flags\": %u}", i ? ", " : "",
            face.indices[0], face.indices[1], face.indices[2], static_cast<unsigned>(face.flags));
        faces += text;
    }
    std::printf("     \"firstFaces\": [%s],\n", faces.c_str());

    // Bound materials in the order their first face appears; faces bound to
    // no material are counted under null.
    std::vector<const Material*> bound;
    std::vector<int> counts;
    for (int i = 0; i < object.faceCount; ++i) {
        const Material* material = object.faces[i].material;
        size_t slot = 0;
        while (slot < bound.size() && bound[slot] != material) {
            ++slot;
        }
        if (slot == bound.size()) {
            bound.push_back(material);
            counts.push_back(0);
        }
        ++counts[slot];
    }
    std::string materials;
    for (size_t slot = 0; slot < bound.size(); ++slot) {
        const Material* material = bound[slot];
        int materialIndex = indexOf(scene.materials, scene.materialCount, material);
        std::string index = material ? std::to_string(materialIndex) : "null";
        std::string name = material ? jsonName(material->name) : "null";
        materials += (slot ? ", " : "") + std::string("{\"material\": ") + index + ", \"name\": " + name +
            ", \"faces\": " + std::to_string(counts[slot]) + "}";
    }
    std::printf("     \"materials\": [%s],\n", materials.c_str());
    std::printf("     \"centre\": %s}", jsonVec(object.centre).c_str());
}

void printMaterial(const Material& material)
{
    std::printf("    {\"name\": %s, \"drawMode\": %d, \"colour\": {\"red\": %s, \"green\": %s, \"blue\": %s, "
                "\"alpha\": %s}, \"twoSided\": %u, \"blend\": %u}",
        jsonName(material.name).c_str(), int(material.drawMode), jsonFloat(material.red).c_str(),
        jsonFloat(material.green).c_str(), jsonFloat(material.blue).c_str(),
        jsonFloat(material.alpha).c_str(), static_cast<unsigned>(material.twoSided),
        static_cast<unsigned>(material.blend));
}

std::string jsonTrack(const Track* track)
{
    if (!track) {
        return "null";
    }
    std::string text = "{\"trackFlags\": " + std::to_string(track->trackFlags) + ", \"keys\": [";
    for (uint32_t i = 0; i < track->keyCount; ++i) {
        const TrackKey& key = track->keys[i];
        text += std::string(i ? ",\n        " : "\n        ") + "{\"frame\": " + std::to_string(key.frame) +
            ", \"value\": " + jsonVec(key.value) + ", \"inTangent\": " + jsonVec(key.inTangent) +
            ", \"outTangent\": " + jsonVec(key.outTangent) + "}";
    }
    return text + "]}";
}

void printCamera(const Camera& camera)
{
    std::printf("    {\"name\": %s, \"position\": %s, \"target\": %s,\n", jsonName(camera.name).c_str(),
        jsonVec(camera.position).c_str(), jsonVec(camera.target).c_str());
    std::printf("     \"positionTrack\": %s,\n", jsonTrack(camera.tracks[0]).c_str());
    std::printf("     \"targetTrack\": %s}", jsonTrack(camera.tracks[1]).c_str());
}

void printOmniLight(const OmniLight& light)
{
    std::printf("    {\"name\": %s, \"position\": %s, \"colour\": %s, \"parameter\": %s}",
        jsonName(light.name).c_str(), jsonVec(light.position).c_str(), jsonColour(light.colour).c_str(),
        jsonFloat(light.parameter).c_str());
}

void printSpotLight(const SpotLight& light)
{
    std::printf("    {\"name\": %s, \"position\": %s, \"target\": %s, \"colour\": %s, \"hotspot\": %s, "
                "\"falloff\": %s}",
        jsonName(light.name).c_str(), jsonVec(light.position).c_str(), jsonVec(light.target).c_str(),
        jsonColour(light.colour).c_str(), jsonFloat(light.hotspot).c_str(), jsonFloat(light.falloff).c_str());
}

// Prints "  "key": [ item, item ]" with one item per line.
template <typename Record, typename Print>
void printList(const char* key, Record* const* records, int count, Print print, bool more)
{
    std::printf("  \"%s\": [", key);
    for (int i = 0; i < count; ++i) {
        std::printf(i ? ",\n" : "\n");
        print(*records[i]);
    }
    std::printf("%s]%s\n", count ? "\n  " : "", more ? "," : "");
}

void printScene(const Scene& scene)
{
    std::printf("{\n");
    std::printf("  \"meshObjects\": [");
    for (int i = 0; i < scene.meshObjectCount; ++i) {
        std::printf(i ? ",\n" : "\n");
        printMeshObject(scene, i);
    }
    std::printf("%s],\n", scene.meshObjectCount ? "\n  " : "");
    printList("materials", scene.materials, scene.materialCount, printMaterial, true);
    printList("cameras", scene.cameras, scene.cameraCount, printCamera, true);
    int current = indexOf(scene.cameras, scene.cameraCount, scene.currentCamera);
    std::printf("  \"currentCamera\": %s,\n", current >= 0 ? std::to_string(current).c_str() : "null");
    printList("omniLights", scene.omniLights, scene.omniLightCount, printOmniLight, true);
    printList("spotLights", scene.spotLights, scene.spotLightCount, printSpotLight, true);
    const FrameRange& range = *scene.frameRange;
    std::printf("  \"frameRange\": {\"start\": %d, \"end\": %d, \"loop\": %u}", range.start, range.end,
        static_cast<unsigned>(range.loop));
}

// The camera at a frame: loop 0, setSceneFrame, then animateCamera at the
// frame the scene settled on. A model without a camera shows null.
void printFrame(Scene& scene, int32_t frame)
{
    scene.frameRange->loop = 0;
    setSceneFrame(scene, frame);
    std::printf(
        ",\n  \"frame\": {\"requested\": %d, \"currentFrame\": %d, \"camera\": ", frame, scene.currentFrame);
    Camera* camera = scene.currentCamera;
    if (!camera) {
        std::printf("null}");
        return;
    }
    animateCamera(*camera, scene.currentFrame);
    std::printf("{\"name\": %s, \"position\": %s, \"target\": %s}}", jsonName(camera->name).c_str(),
        jsonVec(camera->position).c_str(), jsonVec(camera->target).c_str());
}

bool parseFrame(const std::string& text, int32_t& frame)
{
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || text.empty() || *end != '\0' || value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    frame = static_cast<int32_t>(value);
    return true;
}

}  // namespace

int modelCommand(const Arguments& args)
{
    // FILE NAME [--frame N]
    bool withFrame = args.size() == 4 && args[2] == "--frame";
    int32_t frame = 0;
    if (args.size() != 2 && !withFrame) {
        std::fprintf(stderr, "kvistra-ant: usage: kvistra-ant model FILE NAME [--frame N]\n");
        return 2;
    }
    if (withFrame && !parseFrame(args[3], frame)) {
        return fail("not a frame number: \"" + printableName(args[3]) + "\"");
    }
    const std::string& path = args[0];
    const std::string& name = args[1];

    // The tool's own reader gives clear messages for a missing file or entry;
    // the engine would end the process with its own lines.
    LibraryFile libraryFile;
    std::string error;
    if (!readLibraryFile(path, libraryFile, error)) {
        return fail(error);
    }
    if (name.size() > longestEntryName || !findLibraryEntry(libraryFile, name)) {
        return fail("no entry named \"" + printableName(name) + "\" in " + path);
    }

    // The engine's library keeps its file name in a short field and opens it
    // again for every lookup, so the file is opened by its base name from its
    // own directory.
    std::string file = path;
    size_t slash = file.rfind('/');
    if (slash != std::string::npos) {
        std::string dir = slash == 0 ? "/" : file.substr(0, slash);
        if (chdir(dir.c_str()) != 0) {
            return fail("cannot enter the directory of " + path);
        }
        file = file.substr(slash + 1);
    }
    if (file.empty() || file.size() >= static_cast<size_t>(libraryNameSize)) {
        return fail("the library's file name must have 1 to " + std::to_string(libraryNameSize - 1) +
            " characters: " + path);
    }

    ResourceLibrary library;
    openLibrary(library, file.c_str());
    Scene* scene = createScene();
    loadModel(*scene, name.c_str(), library);
    closeLibrary(library);

    printScene(*scene);
    if (withFrame) {
        printFrame(*scene, frame);
    }
    std::printf("\n}\n");
    destroyScene(scene);
    return 0;
}
