// Loading .3ds entries of a library: what the writer puts in comes out in
// scene axes, and damaged data ends the process with its error line.
#include "support.h"

#include "tools/model3ds/model3ds.h"
#include "resources/resources.h"
#include "scene/scene.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

using namespace model3ds;

namespace {

// A library "ant" in dir whose second entry "m.3ds" holds the model, so that
// the entry does not start at offset 0.
void writeLibrary(const TempDir& dir, const std::vector<uint8_t>& model)
{
    writeFile(dir.file("ant"), libraryBytes({{"pad.pcx", {1, 2, 3, 4, 5}}, {"m.3ds", model}}));
}

Scene* loadFrom(const TempDir& dir)
{
    char previous[4096];
    EXPECT_NE(getcwd(previous, sizeof previous), nullptr);
    EXPECT_EQ(chdir(dir.path.c_str()), 0);
    ResourceLibrary library;
    openLibrary(library, "ant");
    Scene* scene = createScene();
    loadModel(*scene, "m.3ds", library);
    closeLibrary(library);
    EXPECT_EQ(chdir(previous), 0);
    return scene;
}

Scene* load(const std::vector<uint8_t>& model)
{
    TempDir dir;
    writeLibrary(dir, model);
    return loadFrom(dir);
}

std::vector<uint8_t> editorBytes(std::vector<Chunk> entries)
{
    return chunkBytes(container(idMain, {container(idEditor, std::move(entries))}));
}

// A model of one named object "box" whose triangle mesh holds the chunks.
std::vector<uint8_t> meshBytes(std::vector<Chunk> meshChunks)
{
    return editorBytes({namedObjectChunk("box", {container(idTriangleMesh, std::move(meshChunks))})});
}

std::vector<uint8_t> nodeBytes(std::vector<Chunk> editor, std::vector<Chunk> nodeChunks, uint16_t kind)
{
    return chunkBytes(container(idMain, {container(idEditor, std::move(editor)),
                                         container(idKeyframer, {container(kind, std::move(nodeChunks))})}));
}

std::vector<uint8_t> bytesOf(std::initializer_list<uint8_t> bytes) { return bytes; }

std::vector<uint8_t> trackData(uint32_t keyCount, std::vector<uint8_t> keys)
{
    std::vector<uint8_t> data;
    putU16(data, 0);
    putU32(data, 0);
    putU32(data, 0);
    putU32(data, keyCount);
    data.insert(data.end(), keys.begin(), keys.end());
    return data;
}

void expectVec(const Vec3& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

CameraSpec cameraAt(const std::string& name, Point position = {}, Point target = {})
{
    CameraSpec camera;
    camera.name = name;
    camera.position = position;
    camera.target = target;
    return camera;
}

KeySpec keyAt(int32_t frame, Point position = {})
{
    KeySpec key;
    key.frame = frame;
    key.position = position;
    return key;
}

const std::vector<FaceSpec> twoFaces = {{0, 1, 2, 7}, {0, 2, 1, 3}};
const std::vector<Point> threeVertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9.5f}};

}  // namespace

TEST(ModelLoader, LoadsWhatTheWriterPutInSceneAxes)
{
    ModelSpec model;
    model.materials.resize(2);
    model.materials[0].name = "RED";
    model.materials[0].diffuse = std::array<uint8_t, 3>{255, 0, 0};
    model.materials[0].shading = 1;
    model.materials[1].name = "GLASS";
    model.materials[1].shading = 3;
    model.materials[1].twoSided = true;
    model.materials[1].textureFile = "glass.pcx";
    model.meshes.resize(2);
    MeshSpec& box = model.meshes[0];
    box.name = "box";
    box.vertices = threeVertices;
    box.faces = twoFaces;
    box.groups = {{"RED", {0, 1}}, {"GLASS", {1}}};
    box.mapping = {{0.5f, 0.25f}, {1, 1}};
    model.meshes[1].name = "bare";
    model.meshes[1].hasVertexList = model.meshes[1].hasFaceList = false;
    model.lights.resize(2);
    model.lights[0].name = "lamp";
    model.lights[0].position = {1.9f, 2.5f, -3.7f};
    model.lights[0].floatColour = std::array<float, 3>{1.0f, 0.5f, 0.0f};
    LightSpec& spotSpec = model.lights[1];
    spotSpec.name = "spot";
    spotSpec.position = {0, 0, 10};
    spotSpec.byteColour = std::array<uint8_t, 3>{10, 20, 30};
    spotSpec.spot = true;
    spotSpec.target = {0, 10, 0};
    spotSpec.hotspot = 0.3f;
    spotSpec.falloff = 45.5f;
    model.cameras = {cameraAt("first", {10.7f, 20.2f, -30.9f}, {0, 0, 5.5f}), cameraAt("second", {0, 0, 100})};
    model.hasKeyframer = true;
    model.frameStart = 5;
    model.frameEnd = 100;
    KeySpec eased = keyAt(10, {10, 0, 0});
    eased.splineFlags = 0x1F;
    eased.tension = eased.continuity = eased.bias = eased.easeTo = eased.easeFrom = 0.5f;
    model.nodes.resize(3);
    model.nodes[0].name = model.nodes[1].name = "second";
    model.nodes[0].track = TrackSpec{0, {keyAt(0), eased, keyAt(20, {20, 0, 0})}};
    model.nodes[1].kind = idTargetNode;
    model.nodes[1].track = TrackSpec{0, {keyAt(0, {0, 0, 4})}};
    model.nodes[2].kind = idObjectNode;
    model.nodes[2].name = "box";
    model.nodes[2].track = TrackSpec{0, {keyAt(0), keyAt(40000)}};
    Scene* scene = load(modelBytes(model));

    ASSERT_EQ(scene->meshObjectCount, 2);
    const MeshObject& object = *scene->meshObjects[0];
    EXPECT_STREQ(object.name, "box");
    ASSERT_EQ(object.vertexCount, 3);
    expectVec(object.vertices[0].position, 1, -3, -2);
    expectVec(object.vertices[2].position, 7, -9.5f, -8);
    expectVec(object.centre, 4, -18.5f / 3, -5);
    EXPECT_EQ(object.vertices[0].u, 128);
    EXPECT_EQ(object.vertices[0].v, 64);
    EXPECT_EQ(object.vertices[1].u + object.vertices[1].v + object.vertices[2].u, 0);
    ASSERT_EQ(object.faceCount, 2);
    EXPECT_EQ(object.faces[1].indices[1], 2);
    EXPECT_EQ(object.faces[0].flags, 7);
    EXPECT_EQ(object.faces[1].corners[2], &object.vertices[1]);
    EXPECT_EQ(object.faces[0].material, scene->materials[0]);
    EXPECT_EQ(object.faces[1].material, scene->materials[1]);  // the later group wins
    EXPECT_NEAR(object.faces[0].normal.x * object.faces[0].normal.x +
                    object.faces[0].normal.y * object.faces[0].normal.y +
                    object.faces[0].normal.z * object.faces[0].normal.z, 1.0f, 1e-5f);
    const MeshObject& empty = *scene->meshObjects[1];
    EXPECT_STREQ(empty.name, "bare");
    EXPECT_EQ(empty.vertexCount + empty.faceCount, 0);
    expectVec(empty.centre, 0, 0, 0);

    ASSERT_EQ(scene->materialCount, 2);
    const Material& red = *scene->materials[0];
    EXPECT_EQ(red.drawMode, 2);
    EXPECT_EQ(red.red, 1.0f);
    EXPECT_EQ(red.green, 0.5f);
    EXPECT_EQ(red.blue, 0.1f);
    EXPECT_EQ(red.twoSided + red.blend, 0);
    EXPECT_EQ(scene->materials[1]->drawMode, 4);
    EXPECT_EQ(scene->materials[1]->twoSided, 1);
    EXPECT_EQ(scene->materials[1]->texture, nullptr);

    ASSERT_EQ(scene->omniLightCount, 1);
    const OmniLight& lamp = *scene->omniLights[0];
    expectVec(lamp.position, 1, 3, -2);
    EXPECT_EQ(lamp.colour[2], 255);
    EXPECT_EQ(lamp.colour[1], 127);
    EXPECT_EQ(lamp.colour[0], 0);
    EXPECT_EQ(lamp.parameter, 1000.0f);
    ASSERT_EQ(scene->spotLightCount, 1);
    const SpotLight& spot = *scene->spotLights[0];
    EXPECT_STREQ(spot.name, "spot");
    expectVec(spot.position, 0, -10, 0);
    expectVec(spot.target, 0, 0, -10);
    EXPECT_EQ(spot.colour[0], 30);
    EXPECT_EQ(spot.hotspot, 0.3f);
    EXPECT_EQ(spot.falloff, 45.5f);

    ASSERT_EQ(scene->cameraCount, 2);
    expectVec(scene->cameras[0]->position, 10, 30, -20);
    expectVec(scene->cameras[0]->target, 0, -5, 0);
    EXPECT_EQ(scene->currentCamera, scene->cameras[1]);

    EXPECT_EQ(scene->frameRange->start, 5);
    EXPECT_EQ(scene->frameRange->end, 100);
    const Track& path = *scene->cameras[1]->tracks[0];
    ASSERT_EQ(path.keyCount, 3u);
    const TrackKey& middle = path.keys[1];
    EXPECT_EQ(middle.splineFlags, 0x1F);
    EXPECT_EQ(middle.tension + middle.continuity + middle.bias + middle.easeTo + middle.easeFrom, 0.0f);
    expectVec(middle.value, 10, 0, 0);
    expectVec(path.keys[0].outTangent, 10, 0, 0);
    expectVec(middle.inTangent, 10, 0, 0);
    expectVec(path.keys[2].inTangent, 10, 0, 0);
    animateCamera(scene->currentCamera, 5);
    expectVec(scene->currentCamera->position, 5, 0, 0);
    expectVec(scene->currentCamera->target, 0, -4, 0);
    EXPECT_EQ(scene->cameras[0]->tracks[0]->keyCount, 0u);
    const Track& objectTrack = *object.tracks[0];
    ASSERT_EQ(objectTrack.keyCount, 2u);
    EXPECT_EQ(objectTrack.keys[1].frame, -25536);
    destroyScene(scene);
}

TEST(ModelLoader, LeafSubChunksAreMetByTheEnclosingLevel)
{
    Chunk camera = cameraChunk(cameraAt("cam", {1, 2, 3}, {4, 5, 6}));
    camera.children = {chunk(0x4720, {0, 0, 0, 0}), chunk(0x4710, {1, 2, 3, 4, 5, 6, 7, 8})};
    LightSpec spotSpec;
    spotSpec.name = "spot";
    spotSpec.spot = true;
    Chunk light = lightChunk(spotSpec);
    // The spot chunk's child is met at the light level, which knows colours.
    light.children[0].children = {colourBytesChunk(9, 8, 7), chunk(0x4627, {})};
    Chunk faces = faceListChunk(twoFaces, {{"A", {0, 1}}});
    faces.children.push_back(chunk(0x4150, {0, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<uint8_t> bytes = editorBytes({
        chunk(0x0100, {0, 0, 128, 63}),
        namedObjectChunk("cam", {camera}),
        namedObjectChunk("spot", {light}),
        namedObjectChunk("box", {container(idTriangleMesh, {vertexListChunk(threeVertices), faces,
                                                            faceMaterialChunk({"B", {1}})})}),
    });
    Scene* scene = load(bytes);
    ASSERT_EQ(scene->cameraCount, 1);
    expectVec(scene->cameras[0]->target, 4, -6, -5);
    ASSERT_EQ(scene->spotLightCount, 1);
    EXPECT_EQ(scene->spotLights[0]->colour[2], 9);
    ASSERT_EQ(scene->meshObjectCount, 1);
    EXPECT_STREQ(scene->meshObjects[0]->faces[0].materialName, "A");
    EXPECT_STREQ(scene->meshObjects[0]->faces[1].materialName, "B");
    destroyScene(scene);
}

TEST(ModelLoader, NamesOf15And16Characters)
{
    std::vector<uint8_t> sixteen(16, 'X');
    std::vector<uint8_t> groupData = sixteen;
    putU16(groupData, 1);
    putU16(groupData, 0);
    Chunk faces = faceListChunk({{0, 1, 2}}, {});
    faces.children = {chunk(idFaceMaterial, groupData)};
    std::vector<uint8_t> bytes = editorBytes({
        container(idMaterial, {chunk(idMaterialName, sixteen), shadingChunk(2)}),
        namedObjectChunk("ABCDEFGHIJKLMNO", {container(idTriangleMesh, {})}),
        chunk(idNamedObject, bytesOf({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'}),
              {container(idTriangleMesh, {vertexListChunk(threeVertices), faces})}),
    });
    Scene* scene = load(bytes);
    ASSERT_EQ(scene->meshObjectCount, 2);
    EXPECT_STREQ(scene->meshObjects[0]->name, "ABCDEFGHIJKLMNO");
    EXPECT_STREQ(scene->meshObjects[1]->name, "ABCDEFGHIJKLMNO");
    EXPECT_STREQ(scene->materials[0]->name, std::string(15, 'X').c_str());
    EXPECT_EQ(scene->materials[0]->drawMode, 8);
    EXPECT_EQ(scene->meshObjects[1]->faces[0].material, scene->materials[0]);
    destroyScene(scene);
}

TEST(ModelLoader, DrawModeFollowsTheOrderOfMaterialChunks)
{
    Chunk wire = flagChunk(idWire), additive = flagChunk(idAdditive), map = textureMapChunk("t.pcx");
    struct Case {
        std::vector<Chunk> chunks;
        int drawMode;
    } cases[] = {
        {{shadingChunk(2)}, 8},           {{shadingChunk(3)}, 5},
        {{shadingChunk(4)}, 21},          {{shadingChunk(0)}, 0},
        {{shadingChunk(5)}, 0},           {{wire, shadingChunk(1)}, 1},
        {{shadingChunk(1), wire}, 1},     {{shadingChunk(1), additive}, 17},
        {{shadingChunk(2), additive}, 8}, {{shadingChunk(3), map}, 4},
        {{map, shadingChunk(1)}, 2},      {{wire, map, shadingChunk(2)}, 4},
    };
    std::vector<Chunk> entries;
    for (size_t i = 0; i < std::size(cases); i++) {
        std::vector<Chunk> children = {materialNameChunk("M" + std::to_string(i))};
        children.insert(children.end(), cases[i].chunks.begin(), cases[i].chunks.end());
        entries.push_back(container(idMaterial, children));
    }
    // Chunks before an entry's name have no material of that entry to act on.
    entries.push_back(container(idMaterial, {flagChunk(idTwoSided), shadingChunk(4), materialNameChunk("LATE")}));
    Scene* scene = load(editorBytes(entries));
    ASSERT_EQ(scene->materialCount, int32_t(std::size(cases)) + 1);
    for (size_t i = 0; i < std::size(cases); i++)
        EXPECT_EQ(scene->materials[i]->drawMode, cases[i].drawMode) << "case " << i;
    EXPECT_EQ(scene->materials[std::size(cases) - 1]->twoSided, 0);
    EXPECT_EQ(scene->materials[std::size(cases)]->drawMode, 0);
    EXPECT_EQ(scene->materials[std::size(cases)]->twoSided, 0);
    destroyScene(scene);
}

TEST(ModelLoader, MappingAndGroupsOutsideTheirListsWriteNothing)
{
    std::vector<uint8_t> bytes = editorBytes({
        namedObjectChunk("early", {container(idTriangleMesh, {mappingChunk({{0.5f, 0.5f}}), faceMaterialChunk({"X", {0, 9}}),
                                                              vertexListChunk(threeVertices), faceListChunk(twoFaces, {})})}),
        namedObjectChunk("long", {container(idTriangleMesh, {vertexListChunk(threeVertices),
                                                             mappingChunk({{0, 0.5f}, {0.999f, 1}, {1.25f, -0.25f}, {7, 7}, {8, 8}}),
                                                             faceListChunk(twoFaces, {})})}),
    });
    Scene* scene = load(bytes);
    ASSERT_EQ(scene->meshObjectCount, 2);
    const MeshObject& early = *scene->meshObjects[0];
    EXPECT_EQ(early.vertices[0].u, 0);
    EXPECT_STREQ(early.faces[0].materialName, "");
    EXPECT_EQ(early.faces[0].material, nullptr);
    const MeshObject& mapped = *scene->meshObjects[1];
    uint8_t expected[3][2] = {{0, 128}, {255, 0}, {64, 192}};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(mapped.vertices[i].u, expected[i][0]) << i;
        EXPECT_EQ(mapped.vertices[i].v, expected[i][1]) << i;
    }
    EXPECT_EQ(mapped.faceCount, 2);  // the walk goes on after the dropped pairs
    destroyScene(scene);
}

TEST(ModelLoader, ModelWithoutCameraOrFrameRangeAndTrackBeforeHeader)
{
    TrackSpec track{0, {keyAt(0, {1, 2, 3})}};
    std::vector<uint8_t> bytes = nodeBytes({namedObjectChunk("box", {container(idTriangleMesh, {})})},
                                           {positionTrackChunk(track), nodeHeaderChunk("box")}, idObjectNode);
    Scene* scene = load(bytes);
    EXPECT_EQ(scene->currentCamera, nullptr);
    EXPECT_EQ(scene->cameraCount, 0);
    EXPECT_EQ(scene->meshObjects[0]->tracks[0]->keyCount, 0u);
    EXPECT_EQ(scene->frameRange->end, 0);
    animateCamera(scene->currentCamera, 10);
    setSceneFrame(*scene, 30);
    EXPECT_EQ(scene->currentFrame, 0);
    destroyScene(scene);
}

TEST(ModelLoader, DamagedDataEndsWithItsErrorLine)
{
    const std::string damaged = "The .3ds data is damaged.\n";
    std::vector<uint8_t> bigVertexList;
    putU16(bigVertexList, 60000);
    std::vector<uint8_t> key;  // frame, spline flags 0x1F, but only the position follows
    putI32(key, 0);
    putU16(key, 0x1F);
    key.resize(key.size() + 12);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::string message;
    } cases[] = {
        {"not a .3ds", chunkBytes(container(idEditor, {})), "This doesn't seems to be a .3ds file.\n"},
        {"main length 0", chunkBytes(withLength(container(idMain, {}), 0)), damaged},
        {"length below 6", editorBytes({withLength(chunk(0x1234), 5)}), damaged},
        {"length past 4 GiB", editorBytes({withLength(chunk(0x1234), 0xFFFFFFF0u)}), damaged},
        {"vertex count", meshBytes({chunk(idVertexList, {10, 0, 0, 0, 0, 0})}), damaged},
        {"vertex count past the file", meshBytes({withLength(chunk(idVertexList, bigVertexList), 8 + 720000)}),
         "Could not read from file.\n"},
        {"face count", meshBytes({vertexListChunk(threeVertices), chunk(idFaceList, {3, 0, 0, 0, 1, 0, 2, 0, 0, 0})}), damaged},
        {"mapping count", meshBytes({vertexListChunk(threeVertices), chunk(idMapping, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0})}), damaged},
        {"group count", meshBytes({vertexListChunk(threeVertices), faceListChunk(twoFaces, {}),
                                   chunk(idFaceMaterial, {'A', 0, 5, 0, 0, 0})}), damaged},
        {"corner index", meshBytes({vertexListChunk(threeVertices), faceListChunk({{0, 1, 3}}, {})}), damaged},
        {"group index", meshBytes({vertexListChunk(threeVertices), faceListChunk(twoFaces, {{"A", {2}}})}), damaged},
        {"key count", nodeBytes({cameraObjectChunk(cameraAt("cam"))}, {nodeHeaderChunk("cam"), chunk(idPositionTrack, trackData(0xFFFFFFFFu, {}))},
                                idCameraNode), damaged},
        {"spline floats", nodeBytes({cameraObjectChunk(cameraAt("cam"))}, {nodeHeaderChunk("cam"), chunk(idPositionTrack, trackData(1, key))},
                                    idTargetNode), damaged},
        {"camera node", nodeBytes({cameraObjectChunk(cameraAt("cam"))}, {nodeHeaderChunk("other")}, idCameraNode),
         "A keyframer node names no object of the model.\n"},
        {"object node", nodeBytes({cameraObjectChunk(cameraAt("cam"))}, {nodeHeaderChunk("cam")}, idObjectNode),
         "A keyframer node names no object of the model.\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeLibrary(dir, c.bytes);
        ChildResult child = runInChild([&] {
            // A hang or a huge allocation ends the child instead of the machine.
            rlimit memory = {rlim_t(2) << 30, rlim_t(2) << 30};
            setrlimit(RLIMIT_AS, &memory);
            alarm(10);
            loadFrom(dir);
        });
        EXPECT_EQ(child.exitStatus, 1) << c.what;
        EXPECT_EQ(child.output, "[MORVEL ENGINE ERROR]:" + c.message + "\n") << c.what;
    }
}
