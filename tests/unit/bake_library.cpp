// The baked resource library: every entry the scenes name, as the engine
// reads them and as the scene scripts rely on them.
#include "support.h"

#include "resources/resources.h"
#include "scene/scene.h"
#include "tools/bake/bake.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

// The library opened by its short name in a scratch directory, current meanwhile.
struct OpenLibrary {
    TempDir dir;
    ResourceLibrary library;
    char previous[4096] = {};
    OpenLibrary()
    {
        writeFile(dir.file("ant"), bake::bakeLibrary());
        EXPECT_NE(getcwd(previous, sizeof previous), nullptr);
        EXPECT_EQ(chdir(dir.path.c_str()), 0);
        openLibrary(library, "ant");
    }
    ~OpenLibrary()
    {
        closeLibrary(library);
        EXPECT_EQ(chdir(previous), 0);
    }
    Scene* model(const char* name)
    {
        Scene* scene = createScene();
        loadModel(*scene, name, library);
        return scene;
    }
};

struct Pixel {
    int r, g, b;
    bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::vector<Pixel> loadPixels(ResourceLibrary& library, const char* name)
{
    std::vector<uint8_t> buffer(256 * 256 * 4, 0);
    loadPicture(library, name, buffer.data(), 256 * 256);
    std::vector<Pixel> pixels;
    for (int i = 0; i < 256 * 256; i++)
        pixels.push_back({buffer[i * 4 + 2], buffer[i * 4 + 1], buffer[i * 4]});
    return pixels;
}

}  // namespace

TEST(BakeLibrary, TwoBakesAreByteIdenticalAndHoldTheSeventeenEntries)
{
    ASSERT_EQ(bake::bakeLibrary(), bake::bakeLibrary());
    EXPECT_EQ(readFile(std::string(KVISTRA_RUN_DIR) + "/ant"), bake::bakeLibrary())
        << "the build's library differs from this bake (or is stale: build kvistra-assets)";
    std::set<std::string> names;
    for (const bake::NamedFile& file : bake::bakeEntries())
        names.insert(file.name);
    EXPECT_EQ(names,
        (std::set<std::string>{"morvel.pcx", "usker.pcx", "gelmo.pcx", "tovan.pcx", "kvistra.pcx", "vagg.pcx",
            "back.pcx", "env.pcx", "ting.pcx", "test.3ds", "env.3ds", "add.3ds", "blue.3ds", "lo.3ds",
            "ting.3ds", "cyl.3ds", "snurr.3ds"}));
}

TEST(BakeLibrary, PicturesDecodeTo256By256InBothKindsWithWhatTheScenesNeed)
{
    std::set<int> planeCounts;
    for (const bake::NamedFile& file : bake::bakeEntries()) {
        if (file.name.find(".pcx") == std::string::npos)
            continue;
        auto word = [&](int at) { return file.data[at] | file.data[at + 1] << 8; };
        // xmin, ymin, xmax, ymax and bytes per line: exactly a Texture's buffer.
        EXPECT_EQ((std::vector<int>{word(4), word(6), word(8), word(10), word(66)}),
            (std::vector<int>{0, 0, 255, 255, 256}))
            << file.name;
        planeCounts.insert(file.data[65]);
    }
    EXPECT_EQ(planeCounts, (std::set<int>{1, 3})) << "both kinds of picture are used";

    OpenLibrary open;
    // Title credits: light lettering on black, in bands of rows for the strip's
    // 24 screen rows (34 for the banner), whichever texel row each samples.
    for (const char* name : {"morvel.pcx", "usker.pcx", "gelmo.pcx", "tovan.pcx", "kvistra.pcx"}) {
        std::vector<Pixel> pixels = loadPixels(open.library, name);
        int screenRows = std::string(name) == "kvistra.pcx" ? 34 : 24;
        int brightest = 0;
        for (int y = 0; y < 256; y++) {
            int first = (y * screenRows / 256 * 256 + screenRows - 1) / screenRows;  // first row of y's band
            for (int x = 0; x < 256; x++) {
                const Pixel& p = pixels[y * 256 + x];
                ASSERT_TRUE(p == pixels[first * 256 + x]) << name << " row " << y << " column " << x;
                brightest = std::max(brightest, p.r + p.g + p.b);
            }
        }
        EXPECT_GT(brightest, 3 * 220) << name << ": light lettering";
        if (screenRows == 24) {
            EXPECT_EQ(pixels[0].r + pixels[0].g + pixels[0].b, 0) << name << ": black ground";
        }
    }
    // The banner's top-left texel colours the last model: deep, unlike its yellow background.
    Pixel corner = loadPixels(open.library, "kvistra.pcx")[0];
    EXPECT_LT(corner.r + corner.g, corner.b);
    EXPECT_GT(corner.b, 110);
    // The backdrop's top-left texel tints the models of two scenes: light.
    Pixel backdrop = loadPixels(open.library, "back.pcx")[0];
    EXPECT_GE(std::min({backdrop.r, backdrop.g, backdrop.b}), 225);
    // The other pictures load too.
    for (const char* name : {"vagg.pcx", "env.pcx", "ting.pcx"})
        loadPixels(open.library, name);
}

TEST(BakeLibrary, ModelsLoadAndMeetTheirScenesContracts)
{
    struct Contract {
        const char* model;
        std::vector<std::string> materials;  // every name the script binds
        int objects;                         // at least this many mesh objects
        int deformed, rest;                  // the deformed object and its rest copy, or -1
        float nearestCamera;                 // the closest its camera path comes to the origin
    } contracts[] = {
        {"test.3ds",
            {"WHITE WIRE", "WHITE FLAT", "RED FLAT", "ORANGE FLAT", "YELLOW FLAT", "GREEN FLAT",
                "TEXTUREGOURAUD"},
            2, -1, -1, 148},
        {"env.3ds", {"YELLOW FLAT"}, 1, -1, -1, 500},
        {"add.3ds", {"WHITE WIRE", "ORANGE FLAT"}, 1, -1, -1, 226},
        {"blue.3ds", {"ENVMAP"}, 2, 0, 1, 300},
        {"lo.3ds", {"WHITE FLAT", "RED FLAT", "ORANGE FLAT"}, 1, -1, -1, 122},
        {"ting.3ds", {"BLUE FLAT", "ORANGE FLAT", "WHITE FLAT"}, 9, 7, 8, 610},
        {"cyl.3ds", {"ENVMAP"}, 2, 0, 1, 310},
        {"snurr.3ds", {"WHITE FLAT", "WHITE WIRE", "RED FLAT", "ORANGE FLAT"}, 4, -1, -1, 1e9f},
    };
    OpenLibrary open;
    for (const Contract& contract : contracts) {
        SCOPED_TRACE(contract.model);
        Scene* scene = open.model(contract.model);
        ASSERT_NE(scene->currentCamera, nullptr);
        ASSERT_GE(scene->meshObjectCount, contract.objects);

        // One material per object; every name the script binds is on some object.
        std::set<std::string> used;
        for (int i = 0; i < scene->meshObjectCount; i++) {
            const MeshObject& object = *scene->meshObjects[i];
            ASSERT_GT(object.faceCount, 0) << "object " << i;
            ASSERT_NE(object.faces[0].material, nullptr) << "object " << i;
            for (int f = 0; f < object.faceCount; f++)
                ASSERT_EQ(object.faces[f].material, object.faces[0].material)
                    << "object " << i << " face " << f;
            used.insert(object.faces[0].material->name);
            for (int v = 0; v < object.vertexCount; v++) {
                Vec3 p = object.vertices[v].position;
                ASSERT_LT(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), contract.nearestCamera);
            }
        }
        for (const std::string& name : contract.materials)
            EXPECT_TRUE(used.count(name)) << name;

        if (contract.deformed >= 0) {
            const MeshObject& drawn = *scene->meshObjects[contract.deformed];
            const MeshObject& rest = *scene->meshObjects[contract.rest];
            ASSERT_EQ(drawn.vertexCount, rest.vertexCount);
            ASSERT_EQ(drawn.faceCount, rest.faceCount);
            for (int v = 0; v < drawn.vertexCount; v++) {
                Vec3 a = drawn.vertices[v].position, b = rest.vertices[v].position;
                ASSERT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << "vertex " << v;
            }
            for (int f = 0; f < drawn.faceCount; f++) {
                for (int k = 0; k < 3; k++)
                    ASSERT_EQ(drawn.faces[f].indices[k], rest.faces[f].indices[k]);
                // Closed bodies, star-shaped about their centre: the engine's normal
                // of a face seen clockwise (a front face) from outside points inwards.
                const Face& face = drawn.faces[f];
                Vec3 a = face.corners[0]->position, b = face.corners[1]->position,
                     c = face.corners[2]->position;
                Vec3 out = {(a.x + b.x + c.x) / 3 - drawn.centre.x, (a.y + b.y + c.y) / 3 - drawn.centre.y,
                    (a.z + b.z + c.z) / 3 - drawn.centre.z};
                ASSERT_LT(face.normal.x * out.x + face.normal.y * out.y + face.normal.z * out.z, 0)
                    << "face " << f;
            }
        }
        destroyScene(scene);
    }
}

TEST(BakeLibrary, ModelsHoldWhatTheirScenesAddressByPosition)
{
    OpenLibrary open;
    // test.3ds: the last object, left out of the wireframe overlay, is the textured floor.
    Scene* test = open.model("test.3ds");
    const MeshObject& floor = *test->meshObjects[test->meshObjectCount - 1];
    EXPECT_STREQ(floor.faces[0].material->name, "TEXTUREGOURAUD");
    bool mapped = false;
    for (int v = 0; v < floor.vertexCount; v++)
        mapped = mapped || floor.vertices[v].u != 0 || floor.vertices[v].v != 0;
    EXPECT_TRUE(mapped);
    destroyScene(test);

    // blue.3ds and ting.3ds move vertex i with the phase 0.1 i: vertices joined
    // by an edge need close phases (modulo a turn), or the waves tear the surface.
    Scene* blue = open.model("blue.3ds");
    Scene* ting = open.model("ting.3ds");
    for (const MeshObject* body : {blue->meshObjects[0], ting->meshObjects[7]}) {
        float widest = 0;
        for (int f = 0; f < body->faceCount; f++) {
            for (int k = 0; k < 3; k++) {
                float d = std::fmod(
                    0.1f * std::abs(body->faces[f].indices[k] - body->faces[f].indices[(k + 1) % 3]),
                    6.2831853f);
                widest = std::max(widest, std::min(d, 6.2831853f - d));
            }
        }
        EXPECT_LT(widest, 1.2f) << body->name;
    }
    destroyScene(ting);
    destroyScene(blue);

    // snurr.3ds: object 3 spins about the vertical axis; the range runs past the
    // scene's last frame (3 x 344); every object has a node.
    Scene* snurr = open.model("snurr.3ds");
    EXPECT_NEAR(snurr->meshObjects[3]->centre.x, 0, 0.01);
    EXPECT_NEAR(snurr->meshObjects[3]->centre.z, 0, 0.01);
    EXPECT_GE(snurr->frameRange->end, 1032);
    for (int i = 0; i < snurr->meshObjectCount; i++)
        EXPECT_GT(snurr->meshObjects[i]->tracks[0]->keyCount, 0u) << "object " << i;
    destroyScene(snurr);
}
