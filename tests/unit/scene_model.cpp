// The Scene's records: construction, list growth, material binding, names.
#include "support.h"

#include "resources/resources.h"
#include "scene/scene.h"

#include <cstring>
#include <string>

TEST(SceneModel, NewRecordsStartEmptyAndNeutral)
{
    Scene* scene = createScene();
    EXPECT_EQ(scene->meshObjectCount + scene->cameraCount + scene->materialCount +
                  scene->omniLightCount + scene->spotLightCount, 0);
    EXPECT_EQ(scene->currentCamera, nullptr);
    EXPECT_EQ(scene->currentFrame, 0);
    EXPECT_EQ(scene->frameRange->start, 0);
    EXPECT_EQ(scene->frameRange->end, 0);
    EXPECT_EQ(scene->frameRange->loop, 1);
    destroyScene(scene);

    MeshObject* object = createMeshObject();
    EXPECT_TRUE(object->visible);
    EXPECT_EQ(object->unlitOverride, 0);
    EXPECT_EQ(object->scale.x * object->scale.y * object->scale.z, 1.0f);
    EXPECT_EQ(object->rotation.x + object->rotation.y + object->translation.z, 0.0f);
    for (Track* track : object->tracks)
        EXPECT_TRUE(track && track->keyCount == 0 && track->keys == nullptr);
    destroyMeshObject(object);
}

TEST(SceneModel, ListsKeepTheirRecordsAndTheLastCameraIsCurrent)
{
    Scene* scene = createScene();
    addCamera(*scene, "one", 1, 2, 3, 4, 5, 6);
    Camera* first = scene->cameras[0];
    addCamera(*scene, "two", 0, 0, 0, 0, 0, 0);
    addCamera(*scene, "three", -7, 0, 0, 0, 0, 9);
    ASSERT_EQ(scene->cameraCount, 3);
    EXPECT_EQ(scene->cameras[0], first);
    EXPECT_EQ(scene->currentCamera, scene->cameras[2]);
    EXPECT_STREQ(scene->currentCamera->name, "three");
    EXPECT_EQ(first->position.z, 3.0f);
    EXPECT_EQ(first->target.x, 4.0f);

    addOmniLight(*scene, "omni", 1, 2, 3, 10, 20, 30, 1000.0f);
    addSpotLight(*scene, "spot", 0, 0, 0, 4, 5, 6, 40, 50, 60, 0.25f, 0.75f);
    const OmniLight& omni = *scene->omniLights[0];
    EXPECT_EQ(omni.colour[0], 30);  // blue, green, red
    EXPECT_EQ(omni.colour[2], 10);
    EXPECT_EQ(omni.parameter, 1000.0f);
    const SpotLight& spot = *scene->spotLights[0];
    EXPECT_EQ(spot.colour[0], 60);
    EXPECT_EQ(spot.target.y, 5.0f);
    EXPECT_EQ(spot.falloff, 0.75f);
    destroyScene(scene);
}

TEST(SceneModel, BindMaterialChangesEveryMaterialOfTheNameAndNoOther)
{
    Scene* scene = createScene();
    addMaterial(*scene, "RED FLAT");
    addMaterial(*scene, "RED");
    addMaterial(*scene, "RED FLAT");
    Texture texture;
    bindMaterial(*scene, "RED FLAT", 21, &texture, 1.0f, 0.5f, 0.25f, 0.75f, 1, 1);
    bindMaterial(*scene, "RED FLAT", 7, nullptr, 0.1f, 0.2f, 0.3f, 0.4f, 0, 1);
    bindMaterial(*scene, "NONE", 5, &texture, 0, 0, 0, 0, 0, 0);
    bindMaterial(*scene, "red", 5, &texture, 0, 0, 0, 0, 0, 0);
    for (int i : {0, 2}) {
        const Material& m = *scene->materials[i];
        EXPECT_EQ(m.drawMode, 7);
        EXPECT_EQ(m.texture, nullptr);
        EXPECT_EQ(m.red, 0.1f);
        EXPECT_EQ(m.blue, 0.3f);
        EXPECT_EQ(m.alpha, 0.4f);
        EXPECT_EQ(m.twoSided, 0);
        EXPECT_EQ(m.blend, 1);
    }
    const Material& untouched = *scene->materials[1];
    EXPECT_EQ(untouched.texture, nullptr);
    EXPECT_EQ(untouched.drawMode, 0);
    EXPECT_EQ(untouched.twoSided + untouched.blend, 0);
    destroyScene(scene);
}

TEST(SceneModel, NamesAreCutToTheirFields)
{
    std::string longName(40, 'N');
    Scene* scene = createScene();
    addMaterial(*scene, longName.c_str());
    addCamera(*scene, longName.c_str(), 0, 0, 0, 0, 0, 0);
    addOmniLight(*scene, longName.c_str(), 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(std::strlen(scene->materials[0]->name), size_t(materialNameSize - 1));
    EXPECT_EQ(std::strlen(scene->cameras[0]->name), size_t(recordNameSize - 1));
    EXPECT_EQ(std::strlen(scene->omniLights[0]->name), size_t(recordNameSize - 1));
    // A binding name longer than the field matches nothing.
    bindMaterial(*scene, longName.c_str(), 9, nullptr, 0, 0, 0, 0, 0, 0);
    bindMaterial(*scene, std::string(17, 'N').c_str(), 3, nullptr, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(scene->materials[0]->drawMode, 3);
    destroyScene(scene);
}
