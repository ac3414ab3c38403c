// model_target.cpp: arbitrary bytes as a .3ds entry of the library, loaded
// into a Scene; then the scene's frame is set and its cameras animated at a
// handful of frames (0, the end of its range, just past it, far past it and
// far before it, with the range looping and clamping), and the Scene is
// released. No camera may ever be left at a position or target that is not
// a finite number.
#include "fuzz/fuzz_targets.h"
#include "fuzz/refusal.h"
#include "fuzz/scratch.h"

#include "resources/resources.h"
#include "scene/scene.h"

#include <climits>
#include <cmath>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define KVISTRA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVISTRA_ASAN 1
#endif
#endif
#ifdef KVISTRA_ASAN
// The size a block was allocated with (the sanitizer runtime's own).
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* block);
#endif

namespace {

bool finite(const Vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void animate(Scene& scene)
{
    int32_t end = scene.frameRange->end;
    const int32_t frames[] = {0, end, end + (end < INT_MAX), end / 2 + INT_MAX / 2, INT_MIN, 30};
    for (uint8_t loop : {1, 0}) {
        scene.frameRange->loop = loop;
        for (int32_t frame : frames) {
            setSceneFrame(scene, frame);
            for (int32_t i = 0; i < scene.cameraCount; i++) {
                Camera& camera = *scene.cameras[i];
                animateCamera(camera, scene.currentFrame);
                if (!finite(camera.position) || !finite(camera.target))
                    std::abort();
            }
            for (int32_t i = 0; i < scene.meshObjectCount; i++)
                evaluateTrack(*scene.meshObjects[i]->tracks[0], scene.currentFrame);
        }
    }
}

// A refused load may stop inside a triangle mesh, whose object then sits in
// the list's last slot, one past the count. The process would have freed it
// by ending; here it must be freed by hand. Only an AddressSanitizer build
// can tell how many slots the list has (and only there do leaks count).
void releaseRefused(Scene* scene)
{
#ifdef KVISTRA_ASAN
    if (scene->meshObjects) {
        size_t slots = __sanitizer_get_allocated_size(scene->meshObjects) / sizeof(MeshObject*);
        if (slots > size_t(scene->meshObjectCount))
            destroyMeshObject(scene->meshObjects[scene->meshObjectCount]);
    }
#endif
    destroyScene(scene);
}

}  // namespace

void fuzzModel(const uint8_t* data, size_t size)
{
    writeLibrary("fuzz.3ds", data, size);
    ResourceLibrary library;
    Scene* scene = createScene();
    bool loaded = runRefusable([&] {
        openLibrary(library, "ant");
        loadModel(*scene, "fuzz.3ds", library);
    });
    closeLibrary(library);
    if (!loaded) {
        releaseRefused(scene);
        return;
    }
    animate(*scene);
    destroyScene(scene);
}
