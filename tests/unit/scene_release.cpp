// Releasing a loaded Scene frees everything it owns and nothing else. The
// global allocation operators of this test program count the live blocks.
#include "support.h"

#include "tools/model3ds/model3ds.h"
#include "resources/resources.h"
#include "scene/scene.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> liveBlocks{0};

void* allocate(size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    liveBlocks++;
    return block;
}

void release(void* block)
{
    if (!block)
        return;
    liveBlocks--;
    std::free(block);
}

}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, size_t) noexcept { release(block); }
void operator delete[](void* block, size_t) noexcept { release(block); }

using namespace model3ds;

TEST(SceneRelease, DestroySceneFreesEverythingALoadedSceneOwns)
{
    ModelSpec model;
    model.materials.resize(2);
    model.materials[0].name = "RED";
    model.materials[0].diffuse = std::array<uint8_t, 3>{255, 0, 0};
    model.materials[1].name = "BLUE";
    model.meshes.resize(2);
    for (MeshSpec& mesh : model.meshes) {
        mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        mesh.faces = {{0, 1, 2, 0}};
        mesh.groups = {{"RED", {0}}};
        mesh.mapping = {{0.5f, 0.5f}};
    }
    model.meshes[0].name = "box";
    model.meshes[1].name = "other";
    model.lights.resize(2);
    model.lights[0].name = "omni";
    model.lights[1].name = "spot";
    model.lights[1].spot = true;
    model.cameras.resize(2);
    model.cameras[0].name = "cam";
    model.cameras[1].name = "cam2";
    model.hasKeyframer = true;
    model.frameEnd = 50;
    TrackSpec track;
    track.keys.resize(3);
    track.keys[1].frame = 10;
    track.keys[2].frame = 20;
    model.nodes.resize(3);
    model.nodes[0].name = model.nodes[1].name = "cam";
    model.nodes[1].kind = idTargetNode;
    model.nodes[2].kind = idObjectNode;
    model.nodes[2].name = "other";
    for (NodeSpec& node : model.nodes)
        node.track = track;
    TempDir dir;
    writeFile(dir.file("ant"), libraryBytes({{"m.3ds", modelBytes(model)}}));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    ResourceLibrary library;
    openLibrary(library, "ant");
    Texture* texture = new Texture;

    long before = liveBlocks;
    Scene* scene = createScene();
    loadModel(*scene, "m.3ds", library);
    bindMaterial(*scene, "RED", 4, texture, 1, 1, 1, 1, 0, 0);
    long loaded = liveBlocks;
    destroyScene(scene);
    long after = liveBlocks;

    closeLibrary(library);
    ASSERT_EQ(chdir(previous), 0);
    // Records, lists, tracks, keys: well over thirty blocks while loaded.
    EXPECT_GT(loaded - before, 30);
    // The texture is the scene scripts', not the Scene's: it is still live.
    EXPECT_EQ(after, before);
    delete texture;
}

TEST(SceneRelease, ScenesWithoutSomeListsReleaseTheRest)
{
    long before = liveBlocks;
    Scene* scene = createScene();
    addMaterial(*scene, "only");
    destroyScene(scene);
    scene = createScene();
    addCamera(*scene, "cam", 0, 0, 0, 0, 0, 0);
    destroyScene(scene);
    destroyScene(createScene());
    EXPECT_EQ(liveBlocks, before);
}
