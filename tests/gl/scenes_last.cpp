// The last 3D scenes on a virtual music clock, and models that do not fit
// their scripts.
#include "show_fixture.h"

#include "tools/model3ds/model3ds.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using LastScenes = ShowTest;

namespace {

std::vector<Vec3> positions(const MeshObject& object)
{
    std::vector<Vec3> out;
    for (int32_t i = 0; i < object.vertexCount; i++)
        out.push_back(object.vertices[i].position);
    return out;
}

const ShowScene& showScene(const char* model)
{
    return *std::find_if(std::begin(showScenes), std::end(showScenes),
        [&](const ShowScene& scene) { return std::strcmp(scene.model, model) == 0; });
}

float axis(const Vec3& v, int a)
{
    return a == 0 ? v.x : a == 1 ? v.y : v.z;
}

}  // namespace

TEST_F(LastScenes, TingDrawsOverEarlierFrames)
{
    setupAt(setupTing);
    // An earlier picture in green, and a depth buffer that would hide
    // everything unless the frame empties it.
    glClearColor(0, 1, 0, 0);
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    frameAt(drawTingFrame, 1234);
    for (Rgba corner : {readPixel(1, 1), readPixel(638, 1), readPixel(1, 478), readPixel(638, 478)})
        expectColour(corner, {0, 255, 0, 0}, "the earlier frame", 0);
    Rgba centre = readPixel(320, 240);
    EXPECT_FALSE(centre.r == 0 && centre.g == 255 && centre.b == 0) << "the model was not drawn";
}

TEST_F(LastScenes, CylHaloRimsTheBody)
{
    setupAt(setupCyl);
    // Row 240 at t = 0: grey background, a red rim on either side, the body
    // between them.
    frameAt(drawCylFrame, 0);
    auto isGrey = [](Rgba p) { return std::abs(p.r - 77) <= 2 && p.r == p.g && p.g == p.b; };
    auto isRed = [](Rgba p) { return p.r == 255 && p.g == 0 && p.b == 0; };
    int left = 0, right = 639, redCount = 0;
    while (left < 320 && isGrey(readPixel(left, 240)))
        left++;
    while (right > 320 && isGrey(readPixel(right, 240)))
        right--;
    ASSERT_LT(left, right);
    for (int x = left; x <= right; x++)
        redCount += isRed(readPixel(x, 240));
    for (int x : {left, left + 3, right - 3, right})
        EXPECT_TRUE(isRed(readPixel(x, 240))) << x;
    EXPECT_LT(redCount, (right - left) / 2);

    expectVec3(currentScene->meshObjects[0]->scale, {1, 1, 1}, "scale after the frame");
}

// What the three deformations keep, at a few scene times: the rest copy
// hidden and untouched; every coordinate of the drawn object its rest value
// times a factor within 1 +- stretch (a zero stays zero, no sign flips);
// waves that run towards vertex 0 on every axis; at time 0, vertex 0's x and
// z; and the normals: blue's follow the shape, ting's and cyl's stay those
// loaded. cyl's tube keeps y and its two poles, and swells or narrows in x
// and z together.
TEST_F(LastScenes, DeformationsScaleTheRestShapeWithinBoundsAndRunTowardsVertexZero)
{
    const struct {
        const char* model;
        int32_t drawn, rest;
        double stretch;
        bool normalsFollow, tube;
    } cases[] = {{"blue.3ds", 0, 1, 0.4, true, false}, {"ting.3ds", 7, 8, 0.2, false, false},
        {"cyl.3ds", 0, 1, 0.32, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        const ShowScene& s = showScene(c.model);
        setupAt(s.setup);
        ASSERT_GT(currentScene->meshObjectCount, c.rest);
        MeshObject& drawn = *currentScene->meshObjects[c.drawn];
        const MeshObject& rest = *currentScene->meshObjects[c.rest];
        int32_t n = drawn.vertexCount;
        ASSERT_TRUE(n == rest.vertexCount && n >= 3 && drawn.visible && !rest.visible);
        const std::vector<Vec3> restShape = positions(rest);
        const std::vector<Vertex> loaded(drawn.vertices, drawn.vertices + n);

        frameAt(s.frame, 0);
        EXPECT_TRUE(
            drawn.vertices[0].position.x == restShape[0].x && drawn.vertices[0].position.z == restShape[0].z);
        for (uint32_t ms : {0u, 2000u, 15090u}) {
            SCOPED_TRACE(ms);
            frameAt(s.frame, ms);
            const std::vector<Vec3> before = positions(drawn);
            frameAt(s.frame, ms + 10);
            // Coordinate a of vertex i in shape over its rest value.
            auto factor = [&](const std::vector<Vec3>& shape, int32_t i, int a) {
                return double(axis(shape[i], a)) / axis(restShape[i], a);
            };
            const std::vector<Vec3> now = positions(drawn);
            int stretched = 0, tubeBroken = 0;  // vertices breaking the bounds, the tube's rules
            double along[3] = {0, 0, 0};        // change in time x change along the vertices, per axis
            for (int32_t i = 0; i < n; i++) {
                for (int a = 0; a < 3; a++) {
                    bool zero = axis(restShape[i], a) == 0;
                    stretched +=
                        zero ? axis(now[i], a) != 0 : std::fabs(factor(now, i, a) - 1) > c.stretch + 1e-5;
                    if (!zero && i + 1 < n && axis(restShape[i + 1], a) != 0)
                        along[a] += (factor(now, i, a) - factor(before, i, a)) *
                            (factor(now, i + 1, a) - factor(now, i, a));
                }
                const Vec3 &p = restShape[i], &q = now[i];
                bool pole = i == 0 || i == n - 1;
                bool even =
                    p.x == 0 || p.z == 0 || (factor(now, i, 0) - 1) * (factor(now, i, 2) - 1) >= -1e-9;
                tubeBroken += c.tube && (q.y != p.y || (pole && (q.x != p.x || q.z != p.z)) || !even);
            }
            EXPECT_EQ(stretched, 0) << "coordinates off their rest value times 1 +- " << c.stretch;
            EXPECT_EQ(tubeBroken, 0) << "vertices moved in y, poles moved, or x and z out of step";
            for (int a = 0; a < 3; a++)
                EXPECT_GE(along[a], 0.0) << "axis " << a;
            EXPECT_GT(along[0] + along[1] + along[2], 0.0);
        }
        int changedNormals = 0;
        for (int32_t i = 0; i < n; i++) {
            const Vec3 &m = drawn.vertices[i].normal, &l = loaded[i].normal;
            changedNormals += m.x != l.x || m.y != l.y || m.z != l.z;
        }
        EXPECT_EQ(changedNormals > 0, c.normalsFollow) << changedNormals << " normals changed";
        EXPECT_EQ(std::memcmp(positions(rest).data(), restShape.data(), n * sizeof(Vec3)), 0);
        endScene();
    }
}

// Model pixels (neither the yellow background nor the banner strip) that are
// not the texel colour c faded towards white: p = f c + (1 - f) white with the
// same f in every channel.
static int pixelsOffTheTexelColour(const uint8_t* c, int& modelPixels)
{
    std::vector<Rgba> frame = readFrame();
    int off = 0;
    modelPixels = 0;
    for (int y = 0; y < 480; y++) {
        for (int x = 0; x < 640 && (y < 219 || y > 259); x++) {
            Rgba p = frame[y * 640 + x];
            if (p.r >= 250 && p.g >= 250 && p.b <= 5)
                continue;
            modelPixels++;
            double f[3] = {(255.0 - p.r) / (255.0 - c[0]), (255.0 - p.g) / (255.0 - c[1]),
                (255.0 - p.b) / (255.0 - c[2])};
            double low = std::fmin(f[0], std::fmin(f[1], f[2])),
                   high = std::fmax(f[0], std::fmax(f[1], f[2]));
            off += !(low > -0.02 && high < 1.02 && high - low < 0.04);
        }
    }
    return off;
}

TEST_F(LastScenes, SnurrFollowsItsCameraTracksAndPaintsInTheBannerColour)
{
    // The scenes before: "blue.3ds" fills the banner, a sphere-mapped
    // "cyl.3ds" frame leaves the decal mode.
    setupAt(setupBlue);
    endScene();
    setupAt(setupCyl);
    frameAt(drawCylFrame, 0);
    endScene();
    setupAt(setupSnurr);
    Scene& scene = *currentScene;
    const Camera& camera = *scene.currentCamera;
    ASSERT_TRUE(scene.meshObjectCount >= 4 && scene.frameRange->end > 0);
    Vec3 filePosition = camera.position, fileTarget = camera.target;

    std::vector<uint8_t> banner(256 * 256 * 4);
    glBindTexture(GL_TEXTURE_2D, bannerTexture.name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, banner.data());
    ASSERT_EQ(banner[3], 255);

    // The first frame has texturing off: lit colours. From the second on,
    // every model pixel is the banner's top-left texel under white fog.
    int modelPixels = 0;
    frameAt(drawSnurrFrame, 0);
    EXPECT_GT(pixelsOffTheTexelColour(banner.data(), modelPixels), 1000);
    frameAt(drawSnurrFrame, 20);
    EXPECT_EQ(pixelsOffTheTexelColour(banner.data(), modelPixels), 0);
    EXPECT_GT(modelPixels, 1000);
    expectVec3(camera.position, filePosition, "position on frame 0");
    expectVec3(camera.target, fileTarget, "target on frame 0");

    // Scene time in milliseconds and the animation frame, 3 per tenth of a
    // second: still 0, then the tracks take over, and frame 1200 clamps at
    // the end, loop or not.
    const struct {
        uint32_t ms;
        int32_t frame;
    } steps[] = {{33, 0}, {34, 1}, {40000, scene.frameRange->end}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.ms);
        scene.frameRange->loop = 1;
        // While the frame is 0 the camera stays wherever it is.
        Vec3 marker = {1, 2, 3};
        scene.currentCamera->position = scene.currentCamera->target = marker;
        float t = frameAt(drawSnurrFrame, s.ms);
        EXPECT_EQ(scene.frameRange->loop, 0);
        EXPECT_EQ(scene.currentFrame, s.frame);
        EXPECT_FLOAT_EQ(scene.meshObjects[3]->rotation.y, -3 * t);
        expectVec3(
            camera.position, s.frame == 0 ? marker : evaluateTrack(*camera.tracks[0], s.frame), "position");
        expectVec3(
            camera.target, s.frame == 0 ? marker : evaluateTrack(*camera.tracks[1], s.frame), "target");
    }
}

// ---------------------------------------------------------------------------
// Models that do not fit their scripts, packed in front of the baked library
// so that they are found first.

namespace {

// Meshes of zigzag strips with the given vertex counts, all in one material.
std::vector<uint8_t> stripModel(const std::vector<int>& vertexCounts, bool withCamera = true)
{
    using namespace model3ds;
    ModelSpec model;
    model.materials = {{"ENVMAP", std::nullopt, 1, false, false, false, ""}};
    for (int count : vertexCounts) {
        MeshSpec& mesh = model.meshes.emplace_back();
        mesh.name = "mesh " + std::to_string(model.meshes.size());
        mesh.groups = {{"ENVMAP", {}}};
        for (int i = 0; i < count; i++)
            mesh.vertices.push_back({float(10 * (i + 1)), float(20 + 10 * (i % 2)), float(30 + i)});
        for (int i = 0; i + 2 < count; i++) {
            uint16_t a = uint16_t(i), b = uint16_t(i + 1 + i % 2), c = uint16_t(i + 2 - i % 2);
            mesh.faces.push_back({a, b, c, 0});
            mesh.groups[0].faces.push_back(uint16_t(i));
        }
    }
    if (withCamera)
        model.cameras = {{"Camera01", {0, -300, 0}, {0, 0, 0}}};
    return modelBytes(model);
}

// Makes a scratch directory current, its "ant" the model in front of the baked library.
void packInFront(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& model)
{
    std::vector<uint8_t> bytes = model3ds::libraryBytes({{name, model}});
    std::vector<uint8_t> baked = readFile(std::string(KVISTRA_RUN_DIR) + "/ant");
    ASSERT_FALSE(baked.empty());
    bytes.insert(bytes.end(), baked.begin(), baked.end());
    writeFile(dir.file("ant"), bytes);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
}

}  // namespace

TEST_F(LastScenes, EverySetUpRefusesAModelWithoutCamera)
{
    for (const ShowScene& s : showScenes) {
        TempDir dir;
        packInFront(dir, s.model, stripModel({5}, false));
        ChildResult child = runInChild(s.setup);
        EXPECT_EQ(child.exitStatus, 1) << s.model;
        EXPECT_EQ(child.output, "[MORVEL ENGINE ERROR]:A .3ds model has no camera.\n\n") << s.model;
    }
}

TEST_F(LastScenes, DeformationsStayInsideShortRestCopiesAndMissingObjects)
{
    const struct {
        const char* model;
        std::vector<int> meshes;        // vertex counts
        int32_t object;                 // the object watched
        int32_t firstMoved, lastMoved;  // the vertices the deformation rewrites
    } cases[] = {
        // Rest copies with half the vertices of the objects they drive.
        {"blue.3ds", {12, 6}, 0, 0, 5},
        {"ting.3ds", {3, 3, 3, 3, 3, 3, 3, 12, 6}, 7, 0, 5},
        {"cyl.3ds", {12, 6}, 0, 1, 5},
        // Fewer objects than the scripts address: nothing moves.
        {"blue.3ds", {5}, 0, 0, -1},
        {"ting.3ds", {5, 5}, 0, 0, -1},
        {"cyl.3ds", {5}, 0, 0, -1},
        {"snurr.3ds", {5, 5}, 0, 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.model << " with " << c.meshes.size() << " objects");
        const ShowScene& s = showScene(c.model);
        TempDir dir;
        packInFront(dir, c.model, stripModel(c.meshes));
        setupAt(s.setup);
        MeshObject& object = *currentScene->meshObjects[c.object];
        std::vector<Vec3> before = positions(object);
        frameAt(s.frame, 2500);
        for (int32_t i = 0; i < object.vertexCount; i++) {
            const Vec3& p = object.vertices[i].position;
            bool moved = p.x != before[i].x || p.y != before[i].y || p.z != before[i].z;
            EXPECT_EQ(moved, i >= c.firstMoved && i <= c.lastMoved) << i;
        }
        endScene();
    }
}
