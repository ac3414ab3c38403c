// The Scene's records: material binding and names cut to their fields.
#include "support.h"

#include "resources/resources.h"
#include "scene/scene.h"

#include <cstring>

TEST(SceneModel, BindMaterialChangesEveryMaterialOfTheNameAndNoOther)
{
    Scene* scene = createScene();
    addMaterial(*scene, "RED FLAT");
    addMaterial(*scene, "RED");
    addMaterial(*scene, "RED FLAT");
    Texture texture;
    bindMaterial(*scene, "RED FLAT", DrawMode::texturedLit, &texture, 1.0f, 0.5f, 0.25f, 0.75f, 1, 1);
    bindMaterial(*scene, "RED FLAT", DrawMode::flatUnlit, nullptr, 0.1f, 0.2f, 0.3f, 0.4f, 0, 1);
    bindMaterial(*scene, "NONE", DrawMode::sphereMapped, &texture, 0, 0, 0, 0, 0, 0);
    bindMaterial(*scene, "red", DrawMode::sphereMapped, &texture, 0, 0, 0, 0, 0, 0);
    for (int i : {0, 2}) {
        const Material& m = *scene->materials[i];
        EXPECT_TRUE(
            m.drawMode == DrawMode::flatUnlit && m.texture == nullptr && m.twoSided == 0 && m.blend == 1)
            << i;
        EXPECT_TRUE(m.red == 0.1f && m.green == 0.2f && m.blue == 0.3f && m.alpha == 0.4f) << i;
    }
    const Material& untouched = *scene->materials[1];
    EXPECT_TRUE(
        untouched.texture == nullptr && untouched.drawMode == DrawMode::unset && untouched.blend == 0);
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
    bindMaterial(*scene, longName.c_str(), DrawMode(9), nullptr, 0, 0, 0, 0, 0, 0);
    bindMaterial(*scene, std::string(17, 'N').c_str(), DrawMode(3), nullptr, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(int(scene->materials[0]->drawMode), 3);
    destroyScene(scene);
}
