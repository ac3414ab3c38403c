// Loading .3ds entries of a library: what the writer puts in comes out in
// scene axes, and damaged data ends the process with its error line. (That a
// release frees all a loaded Scene owns, the sanitizer run's leak check sees.)
#include "support.h"

#include "resources/resources.h"
#include "scene/scene.h"
#include "tools/model3ds/model3ds.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <numeric>

using namespace model3ds;

namespace {

// The library "ant" in dir; the model is its second entry "m.3ds", so that
// the entry does not start at offset 0.
void writeLibrary(const TempDir& dir, const std::vector<uint8_t>& model)
{
    writeFile(dir.file("ant"), libraryBytes({{"pad.pcx", {1, 2, 3, 4, 5}}, {"m.3ds", model}}));
}

// Loads a new Scene with the library opened in dir.
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

// One named object "box" whose triangle mesh holds the chunks.
std::vector<uint8_t> meshBytes(std::vector<Chunk> meshChunks)
{
    return editorBytes({namedObjectChunk("box", {container(idTriangleMesh, std::move(meshChunks))})});
}

// A camera "cam" and one keyframer node of the kind.
std::vector<uint8_t> nodeBytes(std::vector<Chunk> nodeChunks, uint16_t kind)
{
    return chunkBytes(container(idMain,
        {container(idEditor, {cameraObjectChunk({"cam", {}, {}})}),
            container(idKeyframer, {container(kind, std::move(nodeChunks))})}));
}

std::string text(Vec3 v)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g %g %g", v.x + 0.0f, v.y + 0.0f, v.z + 0.0f);
    return buffer;
}

KeySpec keyAt(int32_t frame, Point position = {})
{
    return {frame, 0, 0, 0, 0, 0, 0, position};
}

const std::vector<FaceSpec> twoFaces = {{0, 1, 2, 7}, {0, 2, 1, 3}};
const std::vector<Point> threeVertices = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9.5f}};

// Two materials, a mapped mesh with groups and a bare one, an omni and a
// spot light, two cameras and a keyframer section; all in file axes.
std::vector<uint8_t> fullModel()
{
    KeySpec eased = {10, 0x1F, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, {10, 0, 0}};
    return modelBytes({
        {{"RED", std::array<uint8_t, 3>{255, 0, 0}, 1, false, false, false, ""},
            {"GLASS", std::nullopt, 3, false, true, false, "glass.pcx"}},
        {{"box", threeVertices, twoFaces, {{"RED", {0, 1}}, {"GLASS", {1}}}, {{0.5f, 0.25f}, {1, 1}}},
            {"bare", {}, {}, {}, {}, false, false}},
        {{"lamp", {1.9f, 2.5f, -3.7f}, std::array<float, 3>{1.0f, 0.5f, 0.0f}, std::nullopt, false, {}},
            {"spot", {0, 0, 10}, std::nullopt, std::array<uint8_t, 3>{10, 20, 30}, true, {0, 10, 0}, 0.3f,
                45.5f}},
        {{"first", {10.7f, 20.2f, -30.9f}, {0, 0, 5.5f}}, {"second", {0, 0, 100}, {}}},
        true,
        5,
        100,  // a keyframer section, frames 5 to 100
        {{idCameraNode, "second", -1, TrackSpec{0, {keyAt(0), eased, keyAt(20, {20, 0, 0})}}},
            {idTargetNode, "second", -1, TrackSpec{0, {keyAt(0, {0, 0, 4})}}},
            {idObjectNode, "box", -1, TrackSpec{0, {keyAt(39990), keyAt(40000)}}}},
    });
}

}  // namespace

TEST(ModelLoader, LoadsWhatTheWriterPutInSceneAxes)
{
    Scene* scene = load(fullModel());
    ASSERT_EQ(scene->meshObjectCount, 2);
    const MeshObject& box = *scene->meshObjects[0];
    ASSERT_EQ(box.vertexCount, 3);
    EXPECT_EQ(std::string(box.name) + " " + text(box.vertices[0].position), "box 1 -3 -2");
    EXPECT_EQ(text(box.centre), text({4, -18.5f / 3, -5}));
    EXPECT_TRUE(box.vertices[0].u == 128 && box.vertices[0].v == 64);
    ASSERT_EQ(box.faceCount, 2);
    EXPECT_TRUE(box.faces[0].flags == 7 && box.faces[1].corners[1] == &box.vertices[2]);
    EXPECT_EQ(box.faces[0].material, scene->materials[0]);
    EXPECT_EQ(box.faces[1].material, scene->materials[1]);  // the later group wins
    const MeshObject& bare = *scene->meshObjects[1];
    EXPECT_EQ(text(bare.centre) + " " + std::to_string(bare.vertexCount + bare.faceCount), "0 0 0 0");

    ASSERT_EQ(scene->materialCount, 2);
    const Material& red = *scene->materials[0];
    EXPECT_EQ(text({red.red, red.green, red.blue}) + " " + std::to_string(int(red.drawMode)), "1 0.5 0.1 2");
    EXPECT_TRUE(
        scene->materials[1]->drawMode == DrawMode::texturedUnlit && scene->materials[1]->twoSided == 1);

    ASSERT_EQ(scene->omniLightCount, 1);
    const OmniLight& lamp = *scene->omniLights[0];
    EXPECT_EQ(text(lamp.position) + " / " +
            text({float(lamp.colour[2]), float(lamp.colour[1]), float(lamp.colour[0])}),
        "1 3 -2 / 255 127 0");
    EXPECT_EQ(lamp.parameter, 1000.0f);
    ASSERT_EQ(scene->spotLightCount, 1);
    const SpotLight& spot = *scene->spotLights[0];
    EXPECT_EQ(text(spot.position) + " / " + text(spot.target), "0 -10 0 / 0 0 -10");
    EXPECT_TRUE(spot.colour[0] == 30 && spot.hotspot == 0.3f && spot.falloff == 45.5f);

    ASSERT_EQ(scene->cameraCount, 2);
    EXPECT_EQ(
        text(scene->cameras[0]->position) + " / " + text(scene->cameras[0]->target), "10 30 -20 / 0 -5 0");
    EXPECT_EQ(scene->currentCamera, scene->cameras[1]);

    EXPECT_TRUE(scene->frameRange->start == 5 && scene->frameRange->end == 100);
    const Track& path = *scene->cameras[1]->tracks[0];
    ASSERT_EQ(path.keyCount, 3u);
    const TrackKey& middle = path.keys[1];
    EXPECT_EQ(middle.tension + middle.continuity + middle.bias + middle.easeTo + middle.easeFrom, 0.0f);
    EXPECT_EQ(text(path.keys[0].outTangent) + " / " + text(path.keys[2].inTangent), "10 0 0 / 10 0 0");
    animateCamera(scene->currentCamera, 5);
    EXPECT_EQ(
        text(scene->currentCamera->position) + " / " + text(scene->currentCamera->target), "5 0 0 / 0 -4 0");
    ASSERT_EQ(box.tracks[0]->keyCount, 2u);
    EXPECT_EQ(box.tracks[0]->keys[1].frame, -25536);
    destroyScene(scene);
}

TEST(ModelLoader, LeafSubChunksAreMetByTheEnclosingLevel)
{
    Chunk camera = cameraChunk({"cam", {1, 2, 3}, {4, 5, 6}});
    camera.children = {chunk(0x4720, {0, 0, 0, 0}), chunk(0x4710, {1, 2, 3, 4, 5, 6, 7, 8})};
    LightSpec spotSpec;
    spotSpec.name = "spot", spotSpec.spot = true;
    Chunk light = lightChunk(spotSpec);
    // The spot chunk's children are met at the light level, which knows colours.
    light.children[0].children = {colourBytesChunk(9, 8, 7), chunk(0x4627, {})};
    Chunk faces = faceListChunk(twoFaces, {{"A", {0, 1}}});
    faces.children.push_back(chunk(0x4150, {0, 0, 0, 0, 0, 0, 0, 0}));
    Scene* scene = load(editorBytes({
        chunk(0x0100, {0, 0, 128, 63}),
        namedObjectChunk("cam", {camera}),
        namedObjectChunk("spot", {light}),
        namedObjectChunk("box",
            {container(
                idTriangleMesh, {vertexListChunk(threeVertices), faces, faceMaterialChunk({"B", {1}})})}),
    }));
    ASSERT_EQ(scene->cameraCount + scene->spotLightCount + scene->meshObjectCount, 3);
    EXPECT_EQ(text(scene->cameras[0]->target), "4 -6 -5");
    EXPECT_EQ(scene->spotLights[0]->colour[2], 9);
    EXPECT_STREQ(scene->meshObjects[0]->faces[0].materialName, "A");
    EXPECT_STREQ(scene->meshObjects[0]->faces[1].materialName, "B");
    destroyScene(scene);
}

TEST(ModelLoader, NamesOf15And16Characters)
{
    std::vector<uint8_t> sixteenX(16, 'X'), sixteenAtoP(16), group = sixteenX;
    std::iota(sixteenAtoP.begin(), sixteenAtoP.end(), uint8_t('A'));
    group.insert(group.end(), {1, 0, 0, 0});  // one face: face 0
    Chunk faces = faceListChunk({{0, 1, 2, 0}}, {});
    faces.children = {chunk(idFaceMaterial, group)};
    Scene* scene = load(editorBytes({
        container(idMaterial, {chunk(idMaterialName, sixteenX), shadingChunk(2)}),
        namedObjectChunk("ABCDEFGHIJKLMNO", {container(idTriangleMesh, {})}),
        chunk(
            idNamedObject, sixteenAtoP, {container(idTriangleMesh, {vertexListChunk(threeVertices), faces})}),
    }));
    ASSERT_EQ(scene->meshObjectCount, 2);
    for (int i = 0; i < 2; i++)
        EXPECT_STREQ(scene->meshObjects[i]->name, "ABCDEFGHIJKLMNO");
    EXPECT_TRUE(scene->materials[0]->name == std::string(15, 'X') &&
        scene->materials[0]->drawMode == DrawMode::gouraud);
    EXPECT_EQ(scene->meshObjects[1]->faces[0].material, scene->materials[0]);
    destroyScene(scene);
}

TEST(ModelLoader, DrawModeFollowsTheOrderOfMaterialChunks)
{
    Chunk wire = flagChunk(idWire), additive = flagChunk(idAdditive), map = textureMapChunk("t.pcx");
    struct Case {
        std::vector<Chunk> chunks;
        int drawMode;  // the stored integer
    } cases[] = {
        {{shadingChunk(2)}, 8},
        {{shadingChunk(3)}, 5},
        {{shadingChunk(4)}, 21},
        {{shadingChunk(0)}, 0},
        {{shadingChunk(5)}, 0},
        {{wire, shadingChunk(1)}, 1},
        {{shadingChunk(1), wire}, 1},
        {{shadingChunk(1), additive}, 17},
        {{shadingChunk(2), additive}, 8},
        {{shadingChunk(3), map}, 4},
        {{map, shadingChunk(1)}, 2},
        {{wire, map, shadingChunk(2)}, 4},
    };
    std::vector<Chunk> entries;
    for (size_t i = 0; i < std::size(cases); i++) {
        std::vector<Chunk> children = {materialNameChunk("M" + std::to_string(i))};
        children.insert(children.end(), cases[i].chunks.begin(), cases[i].chunks.end());
        entries.push_back(container(idMaterial, children));
    }
    // Chunks before an entry's name act on no material, not on the previous entry's.
    entries.push_back(
        container(idMaterial, {flagChunk(idTwoSided), shadingChunk(4), materialNameChunk("LATE")}));
    Scene* scene = load(editorBytes(entries));
    ASSERT_EQ(scene->materialCount, int32_t(std::size(cases)) + 1);
    for (size_t i = 0; i < std::size(cases); i++)
        EXPECT_EQ(int(scene->materials[i]->drawMode), cases[i].drawMode) << "case " << i;
    EXPECT_EQ(scene->materials[std::size(cases) - 1]->twoSided, 0);
    EXPECT_EQ(
        int(scene->materials[std::size(cases)]->drawMode) + scene->materials[std::size(cases)]->twoSided, 0);
    destroyScene(scene);
}

// Mapping and groups before their lists, a mapping longer than the vertex
// list, a track before its node's header, and no camera or frame range.
TEST(ModelLoader, ChunksOutOfPlaceWriteNothingAndNoCameraIsNoFault)
{
    TrackSpec track{0, {keyAt(0, {1, 2, 3})}};
    Scene* scene = load(chunkBytes(container(idMain,
        {
            container(idEditor,
                {
                    namedObjectChunk("early",
                        {container(idTriangleMesh,
                            {mappingChunk({{0.5f, 0.5f}}), faceMaterialChunk({"X", {0, 9}}),
                                vertexListChunk(threeVertices), faceListChunk(twoFaces, {})})}),
                    namedObjectChunk("long",
                        {container(idTriangleMesh,
                            {vertexListChunk(threeVertices),
                                mappingChunk({{0, 0.5f}, {0.999f, 1}, {1.25f, -0.25f}, {7, 7}, {8, 8}}),
                                faceListChunk(twoFaces, {})})}),
                }),
            container(idKeyframer,
                {container(idObjectNode, {positionTrackChunk(track), nodeHeaderChunk("early")})}),
        })));
    ASSERT_EQ(scene->meshObjectCount, 2);
    const MeshObject& early = *scene->meshObjects[0];
    EXPECT_TRUE(
        early.vertices[0].u == 0 && early.faces[0].material == nullptr && early.tracks[0]->keyCount == 0);
    const MeshObject& mapped = *scene->meshObjects[1];
    uint8_t expected[3][2] = {{0, 128}, {255, 0}, {64, 192}};
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(mapped.vertices[i].u == expected[i][0] && mapped.vertices[i].v == expected[i][1]) << i;
    EXPECT_EQ(mapped.faceCount, 2);  // the walk goes on after the dropped pairs
    EXPECT_EQ(scene->currentCamera, nullptr);
    animateCamera(scene->currentCamera, 10);
    setSceneFrame(*scene, 30);
    EXPECT_EQ(scene->currentFrame, 0);
    destroyScene(scene);
}

TEST(ModelLoader, CoordinatesOfAnyFloatLoadAndTruncateDefined)
{
    const float inf = INFINITY;
    Scene* scene = load(editorBytes({
        namedObjectChunk("cam", {cameraChunk({"cam", {NAN, inf, -inf}, {3e9f, -3e9f, 2.9f}})}),
        namedObjectChunk("box",
            {container(idTriangleMesh,
                {vertexListChunk({{NAN, inf, 1e38f}, {0, 0, 0}, {1, 1, 1}}),
                    faceListChunk({{0, 1, 2, 0}}, {}), mappingChunk({{NAN, inf}, {-1e30f, 1.25f}})})}),
    }));
    // The camera's file point (x, y, z) is the scene point (x, -z, -y).
    EXPECT_EQ(text(scene->cameras[0]->position), "0 2.14748e+09 -2.14748e+09");
    EXPECT_EQ(text(scene->cameras[0]->target), "2.14748e+09 -2 2.14748e+09");
    const MeshObject& box = *scene->meshObjects[0];
    EXPECT_TRUE(std::isnan(box.vertices[0].position.x) && box.vertices[0].u == 0 && box.vertices[0].v == 255);
    EXPECT_EQ(box.vertices[1].v, 64);
    destroyScene(scene);
    EXPECT_EQ(truncateToInt(-2.9f), -2);
}

TEST(ModelLoader, DamagedDataEndsWithItsErrorLine)
{
    const std::string damaged = "The .3ds data is damaged.\n",
                      noNode = "A keyframer node names no object of the model.\n";
    // A track of one key whose count or spline flags are then overwritten.
    auto track = [](size_t at, std::vector<uint8_t> bytes) {
        Chunk track = positionTrackChunk(TrackSpec{0, {keyAt(0)}});
        std::copy(bytes.begin(), bytes.end(), track.data.begin() + at);
        return nodeBytes({nodeHeaderChunk("cam"), track}, idCameraNode);
    };
    auto keys = [](std::vector<KeySpec> keys) {
        return nodeBytes(
            {nodeHeaderChunk("cam"), positionTrackChunk(TrackSpec{0, std::move(keys)})}, idCameraNode);
    };
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
        {"vertex count past the file", meshBytes({withLength(chunk(idVertexList, {0x60, 0xEA}), 8 + 720000)}),
            "Could not read from file.\n"},
        {"face count",
            meshBytes({vertexListChunk(threeVertices), chunk(idFaceList, {3, 0, 0, 0, 1, 0, 2, 0, 0, 0})}),
            damaged},
        {"mapping count",
            meshBytes({vertexListChunk(threeVertices), chunk(idMapping, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0})}),
            damaged},
        {"group count",
            meshBytes({vertexListChunk(threeVertices), faceListChunk(twoFaces, {}),
                chunk(idFaceMaterial, {'A', 0, 5, 0, 0, 0})}),
            damaged},
        {"corner index", meshBytes({vertexListChunk(threeVertices), faceListChunk({{0, 1, 3, 0}}, {})}),
            damaged},
        {"group index", meshBytes({vertexListChunk(threeVertices), faceListChunk(twoFaces, {{"A", {2}}})}),
            damaged},
        {"key count", track(10, {0xFF, 0xFF, 0xFF, 0xFF}), damaged},
        {"spline floats", track(18, {0x1F}), damaged},  // announces floats that are not there
        {"a repeated key frame", keys({keyAt(0), keyAt(5), keyAt(5)}), damaged},
        {"a key frame going back", keys({keyAt(10), keyAt(5)}), damaged},
        {"key frames that meet in 16 bits", keys({keyAt(0), keyAt(65536)}), damaged},
        {"a key position of NaN", keys({keyAt(0, {0, NAN, 0})}), damaged},
        {"a key position too large", keys({keyAt(0), keyAt(1, {0, 0, 3e30f})}), damaged},
        {"too many mesh objects",
            editorBytes(std::vector<Chunk>(8193, namedObjectChunk("o", {container(idTriangleMesh, {})}))),
            damaged},
        {"too many materials",
            editorBytes(std::vector<Chunk>(4097, container(idMaterial, {materialNameChunk("m")}))), damaged},
        {"camera node", nodeBytes({nodeHeaderChunk("other")}, idTargetNode), noNode},
        {"object node", nodeBytes({nodeHeaderChunk("cam")}, idObjectNode), noNode},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeLibrary(dir, c.bytes);
        ChildResult child = runInChild([&] {
            // A hang or a huge allocation ends the child rather than the machine.
            rlimit memory = {rlim_t(2) << 30, rlim_t(2) << 30};
            if (!underAddressSanitizer())
                setrlimit(RLIMIT_AS, &memory);
            alarm(10);
            loadFrom(dir);
        });
        EXPECT_EQ(child.exitStatus, 1) << c.what;
        EXPECT_EQ(child.output, "[MORVEL ENGINE ERROR]:" + c.message + "\n") << c.what;
    }
}
