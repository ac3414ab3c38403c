// kvistra-ant model: a model made with the 3DS writer, authored in scene
// axes, is shown with exactly what was written.
#include "support.h"
#include "tools/model3ds/model3ds.h"

#include <cmath>

using namespace model3ds;

namespace {

KeySpec key(int32_t frame, Point position, uint16_t splineFlags = 0)
{
    KeySpec result{};
    result.frame = frame, result.position = position, result.splineFlags = splineFlags;
    result.tension = result.continuity = result.bias = result.easeTo = result.easeFrom = 0.75f;
    return result;
}

// The show's kind of model: materials, a mesh, both kinds of light, two
// cameras and a keyframer section.
ModelSpec sceneModel()
{
    ModelSpec model;
    model.materials = {
        {"RED FLAT", std::array<uint8_t, 3>{200, 10, 10}, 1, false, true, false, ""},
        {"TEX", std::nullopt, 3, false, false, false, "wood.pcx"},
    };
    MeshSpec plane;
    plane.name = "plane";
    plane.vertices = {{0, 0, 0}, {10, 0, 0}, {10, 0, 10}, {0, 0, 10}};
    plane.faces = {{0, 1, 2, 7}, {0, 2, 3, 3}};
    plane.groups = {{"RED FLAT", {0}}, {"TEX", {1}}};
    plane.mapping = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    model.meshes = {plane};

    LightSpec lamp, spot;
    lamp.name = "lamp", lamp.position = {10, 20, 30},
    lamp.floatColour = std::array<float, 3>{1.0f, 0.5f, 0.0f};
    spot.name = "spot", spot.position = {1.5f, -2.7f, 3},
    spot.byteColour = std::array<uint8_t, 3>{10, 20, 30};
    spot.spot = true, spot.target = {4, 5, 6}, spot.hotspot = 22.5f, spot.falloff = 45.25f;
    model.lights = {lamp, spot};

    model.cameras = {{"first", {0, 100, -200}, {0, 0, 0}}, {"second", {50.9f, 60, -70}, {1, 2, 3}}};
    model.hasKeyframer = true, model.frameStart = 0, model.frameEnd = 100;
    TrackSpec path{0, {key(0, {0, 0, 0}), key(10, {10, 0, 0}, 0x1F), key(20, {20, 0, 0})}};
    model.nodes = {
        {idCameraNode, "second", -1, path},
        {idTargetNode, "second", -1, TrackSpec{0, {key(0, {1, 2, 3})}}},
        {idObjectNode, "plane", -1, TrackSpec{0, {key(0, {0, 0, 0}), key(50, {0, 8, 0})}}},
    };
    return modelFromSceneAxes(model);
}

// Runs `kvistra-ant model` on a library holding model as "test.3ds".
ProgramResult showModel(const std::vector<uint8_t>& model, std::vector<std::string> extra = {})
{
    TempDir dir;
    writeFile(dir.file("ant"), libraryBytes({{"other.pcx", {1, 2, 3}}, {"test.3ds", model}}));
    extra.insert(extra.begin(), {"model", dir.file("ant"), "test.3ds"});
    return runProgram(programPath("kvistra-ant"), extra);
}

void expectShows(const ProgramResult& result, const std::vector<std::string>& fragments)
{
    ASSERT_EQ(result.exitStatus, 0) << result.output << result.errors;
    for (const std::string& fragment : fragments)
        EXPECT_NE(result.output.find(fragment), std::string::npos) << "missing: " << fragment << "\nin:\n"
                                                                   << result.output;
}

}  // namespace

TEST(AntModel, ShowsWhatTheWriterPutInInSceneAxes)
{
    ProgramResult result = showModel(modelBytes(sceneModel()));
    expectShows(result,
        {
            // The mesh: the written winding comes back reversed, front-facing
            // under the clockwise rule.
            "{\"index\": 0, \"name\": \"plane\", \"vertexCount\": 4, \"faceCount\": 2,",
            "\"firstVertices\": [[0, 0, 0], [10, 0, 0], [10, 0, 10]], \"lastVertex\": [0, 0, 10],",
            "\"firstFaces\": [{\"indices\": [0, 2, 1], \"flags\": 7}, {\"indices\": [0, 3, 2], \"flags\": "
            "3}],",
            "\"materials\": [{\"material\": 0, \"name\": \"RED FLAT\", \"faces\": 1}, "
            "{\"material\": 1, \"name\": \"TEX\", \"faces\": 1}],",
            "\"centre\": [5, 0, 5]}",
            // Materials: a draw mode and the loader's fixed diffuse colour.
            "{\"name\": \"RED FLAT\", \"drawMode\": 2, \"colour\": {\"red\": 1, \"green\": 0.5, \"blue\": "
            "0.100000001,",
            "\"twoSided\": 1, \"blend\": 0}",
            // Cameras: whole-numbered; the second is current and carries tracks.
            "{\"name\": \"first\", \"position\": [0, 100, -200], \"target\": [0, 0, 0],",
            "\"positionTrack\": {\"trackFlags\": 0, \"keys\": []},",
            "{\"name\": \"second\", \"position\": [50, 60, -70], \"target\": [1, 2, 3],",
            "{\"frame\": 10, \"value\": [10, 0, 0], \"inTangent\": [10, 0, 0], \"outTangent\": [10, 0, 0]}",
            "{\"frame\": 0, \"value\": [1, 2, 3], \"inTangent\": [0, 0, 0], \"outTangent\": [0, 0, 0]}",
            "\"currentCamera\": 1,",
            // Lights and the frame range.
            "{\"name\": \"lamp\", \"position\": [10, 20, 30], \"colour\": {\"red\": 255, \"green\": 127, "
            "\"blue\": 0}, \"parameter\": 1000}",
            "{\"name\": \"spot\", \"position\": [1, -2, 3], \"target\": [4, 5, 6], \"colour\": {\"red\": 10, "
            "\"green\": 20, \"blue\": 30}, \"hotspot\": 22.5, \"falloff\": 45.25}",
            "\"frameRange\": {\"start\": 0, \"end\": 100, \"loop\": 1}\n}\n",
        });
    // No frame without --frame.
    EXPECT_EQ(result.output.find("\n  \"frame\""), std::string::npos);
}

TEST(AntModel, FrameShowsTheCurrentCameraAnimatedWithoutLooping)
{
    std::vector<uint8_t> model = modelBytes(sceneModel());
    expectShows(showModel(model, {"--frame", "5"}),
        {"\"frame\": {\"requested\": 5, \"currentFrame\": 5, \"camera\": {\"name\": \"second\", "
         "\"position\": [5, 0, 0], \"target\": [1, 2, 3]}}\n}\n"});
    // Clamped at the range's end (no wrap), then held at the second-to-last key.
    expectShows(showModel(model, {"--frame", "250"}),
        {"\"frame\": {\"requested\": 250, \"currentFrame\": 100, \"camera\": {\"name\": \"second\", "
         "\"position\": [10, 0, 0], \"target\": [1, 2, 3]}}"});

    // A model without a camera shows none instead of failing.
    ModelSpec bare;
    bare.meshes = {sceneModel().meshes[0]};
    expectShows(showModel(modelBytes(bare), {"--frame", "3"}),
        {"\"currentCamera\": null,", "\"currentFrame\": 0, \"camera\": null}"});
}

TEST(AntModel, NumbersThatAreNotFiniteShowAsNullAndTheJsonStaysValid)
{
    ModelSpec model;
    model.meshes = {{"odd", {{1, 2, 3}, {0, 0, 0}, {NAN, INFINITY, -3e38f}}, {{0, 1, 2, 0}}, {}, {}}};
    model.cameras = {{"cam", {NAN, 0, 0}, {0, 0, 0}}};
    ProgramResult result = showModel(modelBytes(model));
    // A camera's coordinates are whole numbers: NaN truncates to 0.
    expectShows(result,
        {"\"lastVertex\": [null, 3.00000001e+38, null],", "\"centre\": [null, 9.99999968e+37, null]}",
            "{\"name\": \"cam\", \"position\": [0, 0, 0],",
            "\"materials\": [{\"material\": null, \"name\": null, \"faces\": 1}],"});
    TempDir dir;
    writeFile(dir.file("model.json"), result.output);
    const char* strict =
        "import json, sys; json.load(open(sys.argv[1]), parse_constant=lambda c: sys.exit(1))";
    EXPECT_EQ(runProgram("/usr/bin/env", {"python3", "-c", strict, dir.file("model.json")}).exitStatus, 0);
}

TEST(AntModel, RefusesBadInputWithAStatus)
{
    // A damaged entry ends through the engine's error line.
    ProgramResult damaged = showModel({0x3D, 0x3D, 8, 0, 0, 0, 0, 0});
    EXPECT_EQ(damaged.exitStatus, 1);
    EXPECT_EQ(damaged.output, "[MORVEL ENGINE ERROR]:This doesn't seems to be a .3ds file.\n\n");
    for (std::vector<std::string> extra :
        {std::vector<std::string>{"--frame", "x"}, {"--frame"}, {"--other", "1"}}) {
        ProgramResult result = showModel(modelBytes(sceneModel()), extra);
        EXPECT_NE(result.exitStatus, 0) << extra[0];
        EXPECT_TRUE(result.output.empty()) << result.output;
    }
}
