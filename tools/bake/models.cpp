// models.cpp: the show's eight models, authored in scene axes.
//
// Each scene script addresses its model's objects by index and its
// materials by name, and moves the camera along its own path while keeping
// the file's target; the models below follow those contracts (see each
// model's comment). Objects that a script scales, spins or deforms are
// centred on the origin.
#include "tools/bake/models.h"

#include "tools/bake/shapes.h"

#include <cmath>

namespace bake {

using model3ds::CameraSpec;
using model3ds::KeySpec;
using model3ds::MaterialSpec;
using model3ds::ModelSpec;
using model3ds::NodeSpec;

namespace {

MaterialSpec flatMaterial(const std::string& name, std::array<uint8_t, 3> colour)
{
    MaterialSpec m;
    m.name = name;
    m.diffuse = colour;
    m.shading = 1;
    return m;
}

MaterialSpec wireMaterial(const std::string& name, std::array<uint8_t, 3> colour)
{
    MaterialSpec m;
    m.name = name;
    m.diffuse = colour;
    m.wire = true;
    return m;
}

MaterialSpec smoothMaterial(const std::string& name)
{
    MaterialSpec m;
    m.name = name;
    m.diffuse = std::array<uint8_t, 3>{200, 200, 220};
    m.shading = 3;
    return m;
}

CameraSpec camera(Point position, Point target)
{
    CameraSpec c;
    c.name = "Camera01";
    c.position = position;
    c.target = target;
    c.lens = 28;
    return c;
}

NamedFile modelFile(const std::string& name, const ModelSpec& sceneModel)
{
    return {name, model3ds::modelBytes(model3ds::modelFromSceneAxes(sceneModel))};
}

// A flat-faced rod from a to b: `sides` faces around, radius r0 at a and r1
// at b, capped.
Mesh rod(Point a, Point b, float r0, float r1, int sides)
{
    Point axis = b - a;
    float len = length(axis);
    Mesh mesh = frustum(sides, r0, r1, 0, len);
    Point u = axis * (1.0f / len);
    Point helper = std::fabs(u.x) < 0.9f ? Point{1, 0, 0} : Point{0, 0, 1};
    Point v = cross(helper, u);
    v = v * (1.0f / length(v));
    Point w = cross(v, u);
    transform(mesh, [&](Point p) { return a + v * p.x + u * p.y + w * p.z; });
    return mesh;
}

// A flat slab of a ring between radii r0 and r1, angles a0 to a1 (degrees),
// heights y0 to y1.
Mesh ringBlock(float r0, float r1, float a0, float a1, float y0, float y1)
{
    auto at = [](float r, float degrees, float y) {
        float a = degrees * pi / 180;
        return Point{r * std::sin(a), y, r * std::cos(a)};
    };
    Mesh mesh;
    addPolygon(mesh, {at(r0, a0, y1), at(r1, a0, y1), at(r1, a1, y1), at(r0, a1, y1)});
    addPolygon(mesh, {at(r0, a0, y0), at(r0, a1, y0), at(r1, a1, y0), at(r1, a0, y0)});
    addPolygon(mesh, {at(r1, a0, y0), at(r1, a1, y0), at(r1, a1, y1), at(r1, a0, y1)});
    addPolygon(mesh, {at(r0, a0, y0), at(r0, a0, y1), at(r0, a1, y1), at(r0, a1, y0)});
    addPolygon(mesh, {at(r0, a0, y0), at(r1, a0, y0), at(r1, a0, y1), at(r0, a0, y1)});
    addPolygon(mesh, {at(r0, a1, y0), at(r0, a1, y1), at(r1, a1, y1), at(r1, a1, y0)});
    orientAwayFrom(mesh, at((r0 + r1) / 2, (a0 + a1) / 2, (y0 + y1) / 2));
    return mesh;
}

// "test.3ds": a small courtyard on a brick floor. The camera circles at
// radius 110 to 120, 100 above the floor. Every object but the last gets a
// grey wireframe overlay; the last object is the floor, which stays solid.
ModelSpec testModel()
{
    ModelSpec m;
    m.materials = {wireMaterial("WHITE WIRE", {255, 255, 255}), flatMaterial("WHITE FLAT", {230, 230, 230}),
        flatMaterial("RED FLAT", {204, 26, 26}), flatMaterial("ORANGE FLAT", {204, 102, 26}),
        flatMaterial("YELLOW FLAT", {230, 230, 26}), flatMaterial("GREEN FLAT", {128, 178, 51}),
        flatMaterial("TEXTUREGOURAUD", {178, 178, 178})};
    m.materials.back().textureFile = "VAGG.PCX";

    Mesh pyramid = frustum(4, 28, 0, 0, 44);
    transform(pyramid, [](Point p) { return rotateY(p, 45) + Point{-44, 0, -30}; });
    Mesh cube = box({-16, 0, -16}, {16, 32, 16});
    transform(cube, [](Point p) { return rotateY(p, 25) + Point{46, 0, -34}; });
    Mesh column = frustum(8, 13, 11, 0, 58);
    Mesh capital = box({-15, 58, -15}, {15, 64, 15});
    append(column, capital);
    translate(column, {-46, 0, 40});
    Mesh ball = icosphere(20, 1, true);
    translate(ball, {44, 20, 42});
    Mesh cage = icosphere(36, 1, false);
    translate(cage, {0, 36, 0});
    Mesh wall;
    for (int i = 0; i < 4; i++) {
        append(wall, texturedBox({-84.0f + 40 * i, 0, -88}, {-46.0f + 40 * i, 22, -80}, 48));
        append(wall, texturedBox({-88, 0, -76.0f + 40 * i}, {-80, 22, -38.0f + 40 * i}, 48));
    }
    Mesh crystal = octahedron(16, 26);
    translate(crystal, {0, 36, 0});
    Mesh floor;
    const float tile = 45, last = 255.0f / 256.0f;
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 4; j++) {
            float x0 = -90 + tile * i, z0 = -90 + tile * j;
            addPolygon(floor,
                {{x0, 0, z0}, {x0, 0, z0 + tile}, {x0 + tile, 0, z0 + tile}, {x0 + tile, 0, z0}},
                {{0, 0}, {0, last}, {last, last}, {last, 0}});
        }
    }
    orientFaces(floor, [](Point) { return Point{0, 1, 0}; });

    m.meshes = {meshSpec("pyramid", pyramid, "RED FLAT"), meshSpec("cube", cube, "GREEN FLAT"),
        meshSpec("column", column, "ORANGE FLAT"), meshSpec("ball", ball, "WHITE FLAT"),
        meshSpec("cage", cage, "WHITE WIRE"), meshSpec("wall", wall, "TEXTUREGOURAUD"),
        meshSpec("crystal", crystal, "YELLOW FLAT"), meshSpec("floor", floor, "TEXTUREGOURAUD")};
    m.cameras = {camera({0, 100, 120}, {0, 16, 0})};
    return m;
}

// "env.3ds": a floating ring platform with spires under an orange wire
// dome, a translucent crystal in the middle and an orbit of glowing lines.
// Seen from 500 to 860 units away, first from above, then from below. Only
// "YELLOW FLAT" is bound by the script; the other materials keep what the
// loader makes of them: a diffuse colour gives orange, shading 1 flat-lit
// faces, a wire chunk unlit lines, and chunk 0xA083 on flat shading unlit
// lines too.
ModelSpec envModel()
{
    ModelSpec m;
    MaterialSpec glow = flatMaterial("GLOW", {255, 128, 26});
    glow.additive = true;
    m.materials = {flatMaterial("YELLOW FLAT", {230, 230, 26}), flatMaterial("COPPER", {255, 128, 26}),
        wireMaterial("LATTICE", {255, 128, 26}), glow};
    Mesh platform;
    for (int i = 0; i < 6; i++) {
        append(platform, ringBlock(200, 300, 60.0f * i - 26, 60.0f * i + 26, -30, 0));
    }
    Mesh dome = icosphere(190, 2, false);
    Mesh upper;
    for (const model3ds::FaceSpec& f : dome.faces) {
        if (dome.vertices[f.a].y > -1 && dome.vertices[f.b].y > -1 && dome.vertices[f.c].y > -1) {
            upper.faces.push_back(f);
        }
    }
    upper.vertices = dome.vertices;
    // Drop the vertices that no kept face uses.
    std::vector<int> newIndex(upper.vertices.size(), -1);
    Mesh domeMesh;
    for (const model3ds::FaceSpec& f : upper.faces) {
        int ids[3] = {f.a, f.b, f.c};
        for (int& id : ids) {
            if (newIndex[id] < 0)
                newIndex[id] = addVertex(domeMesh, upper.vertices[id]);
            id = newIndex[id];
        }
        addTriangle(domeMesh, ids[0], ids[1], ids[2]);
    }
    Mesh spires;
    for (int i = 0; i < 6; i++) {
        Mesh spire = frustum(4, 20, 9, 0, 150);
        Mesh tip = frustum(4, 9, 0, 150, 185);
        append(spire, tip);
        float a = (60.0f * i + 30) * pi / 180;
        translate(spire, {250 * std::sin(a), 0, 250 * std::cos(a)});
        append(spires, spire);
    }
    Mesh orbit = flatTorus(360, 8, 48, 4);
    transform(orbit, [](Point p) { return rotateZ(rotateX(p, 18), 8) + Point{0, 40, 0}; });
    Mesh crystal = octahedron(70, 170);
    translate(crystal, {0, 60, 0});
    Mesh shard = octahedron(34, 90);
    transform(shard, [](Point p) { return rotateZ(p, 30) + Point{-90, 40, 30}; });
    append(crystal, shard);
    shard = octahedron(30, 80);
    transform(shard, [](Point p) { return rotateX(p, -25) + Point{60, 30, -80}; });
    append(crystal, shard);

    for (Mesh* mesh : {&platform, &spires, &domeMesh, &orbit, &crystal}) {
        transform(*mesh, [](Point p) { return p * 1.15f; });
    }
    m.meshes = {meshSpec("platform", platform, "COPPER"), meshSpec("spires", spires, "COPPER"),
        meshSpec("dome", domeMesh, "LATTICE"), meshSpec("orbit", orbit, "GLOW"),
        meshSpec("crystal", crystal, "YELLOW FLAT")};
    m.cameras = {camera({0, 680, 500}, {0, 20, 0})};
    return m;
}

// "add.3ds": drawn without a depth test, in object and face order, so the
// parts come as a painter lays them on, from the back (+z, away from the
// camera, which starts at z = -300) to the front: a copper sunburst, a
// black wire globe, a fan of translucent cards and a black wire ring.
ModelSpec addModel()
{
    ModelSpec m;
    m.materials = {wireMaterial("WHITE WIRE", {255, 255, 255}), flatMaterial("ORANGE FLAT", {255, 178, 77}),
        flatMaterial("COPPER", {255, 128, 26})};
    auto facingCamera = [](Mesh& mesh) { orientFaces(mesh, [](Point) { return Point{0, 0, -1}; }); };
    Mesh sun;
    const int rays = 16;
    std::vector<Point> disc;
    for (int i = 0; i < rays; i++) {
        float a = 2 * pi * i / rays, half = pi / rays;
        disc.push_back({52 * std::sin(a), 52 * std::cos(a), 110});
        addPolygon(sun,
            {{60 * std::sin(a - half * 0.8f), 60 * std::cos(a - half * 0.8f), 110},
                {60 * std::sin(a + half * 0.8f), 60 * std::cos(a + half * 0.8f), 110},
                {(i % 2 ? 120.0f : 155.0f) * std::sin(a), (i % 2 ? 120.0f : 155.0f) * std::cos(a), 110}});
    }
    addPolygon(sun, disc);
    facingCamera(sun);
    Mesh globe = icosphere(80, 1, false);
    Mesh cards;
    // Cards spiralling outwards, so that each shows on its own and overlaps
    // its neighbours only at the edges.
    for (int k = 0; k < 7; k++) {
        float z = 60 - 20.0f * k, turn = 40.0f * k, a = 72.0f * k * pi / 180, out = 44 + 12.0f * k;
        Point centre{out * std::sin(a), out * std::cos(a), z};
        std::vector<Point> corners = {{-34, -20, 0}, {34, -20, 0}, {34, 20, 0}, {-34, 20, 0}};
        for (Point& p : corners)
            p = rotateZ(p, turn) + centre;
        addPolygon(cards, corners);
    }
    facingCamera(cards);
    Mesh ring;
    const int segments = 12;
    for (int i = 0; i < segments; i++) {
        float a0 = 2 * pi * i / segments, a1 = 2 * pi * (i + 1) / segments;
        addPolygon(ring,
            {{150 * std::sin(a0), 150 * std::cos(a0), -110}, {150 * std::sin(a1), 150 * std::cos(a1), -110},
                {162 * std::sin(a1), 162 * std::cos(a1), -110},
                {162 * std::sin(a0), 162 * std::cos(a0), -110}});
    }
    facingCamera(ring);
    // The flat parts face the camera's side and lean to its right and down,
    // where the scene's light (which follows the camera) keeps them lit over
    // the whole camera path.
    for (Mesh* mesh : {&sun, &cards, &ring}) {
        transform(*mesh, [](Point p) { return rotateY(rotateX(p, -35), -45); });
    }
    m.meshes = {meshSpec("sun", sun, "COPPER"), meshSpec("globe", globe, "WHITE WIRE"),
        meshSpec("cards", cards, "ORANGE FLAT"), meshSpec("ring", ring, "WHITE WIRE")};
    m.cameras = {camera({0, 0, -300}, {0, 0, 0})};
    return m;
}

// A sphere whose vertex numbers follow a wave front: the scripts move
// vertex i with the phase 0.1 i, so vertices are numbered such that the phase
// grows evenly along one slanted direction, one turn from side to side.
// Neighbours then get neighbouring phases (modulo a turn) and the waves run
// smoothly across the body; a phase that wound around an axis would tear
// the surface at the poles.
Mesh wavySphere(float radius, int segments, int rings)
{
    Mesh mesh = sphere(radius, segments, rings);
    Point direction{0.45f, 0.85f, 0.3f};
    direction = direction * (1.0f / length(direction));
    std::vector<float> target;
    for (const Point& p : mesh.vertices)
        target.push_back(pi * dot(p, direction) / radius);
    orderByPhase(mesh, target, 0.1f);
    return mesh;
}

// "blue.3ds": object 0 is a smooth sphere-mapped body that the script
// deforms; object 1 is its rest copy (same vertices in the same order),
// which the script hides. Within 100 units: the script stretches it by up to
// 1.4 and draws a 1.2 times larger wireframe around it.
ModelSpec blueModel()
{
    ModelSpec m;
    m.materials = {smoothMaterial("ENVMAP")};
    Mesh body = wavySphere(95, 18, 11);
    m.meshes = {meshSpec("blob", body, "ENVMAP"), meshSpec("blob rest", body, "ENVMAP")};
    m.cameras = {camera({0, 0, -300}, {0, 0, 0})};
    return m;
}

// Adds the branches of a twig: a rod from base along direction, then three
// smaller twigs from its end; tips collects the ends of the last level.
void growTwig(Mesh& wood, std::vector<Point>& tips, std::vector<Point>& forks, Point base, Point direction,
    float len, float radius, int level, float spin)
{
    Point end = base + direction * len;
    append(wood, rod(base, end, radius, radius * 0.7f, 5));
    if (level == 0) {
        tips.push_back(end);
        return;
    }
    forks.push_back(end);
    Point helper = std::fabs(direction.y) < 0.9f ? Point{0, 1, 0} : Point{1, 0, 0};
    Point side = cross(direction, helper);
    side = side * (1.0f / length(side));
    Point other = cross(direction, side);
    for (int k = 0; k < 3; k++) {
        float around = spin + 2 * pi * k / 3;
        Point out = side * std::cos(around) + other * std::sin(around);
        Point next = direction * std::cos(0.68f) + out * std::sin(0.68f);
        next = next * (1.0f / length(next));
        growTwig(wood, tips, forks, end, next, len * 0.68f, radius * 0.65f, level - 1, spin + 0.9f);
    }
}

// "lo.3ds": a twig tree on a red pot, with red berries and translucent
// orange leaves, seen from 70 below while the camera circles at radius 100
// to 120 over a red background.
ModelSpec loModel()
{
    ModelSpec m;
    m.materials = {flatMaterial("WHITE FLAT", {204, 204, 204}), flatMaterial("RED FLAT", {230, 26, 26}),
        flatMaterial("ORANGE FLAT", {230, 128, 26})};
    Mesh wood;
    std::vector<Point> tips, forks;
    growTwig(wood, tips, forks, {0, -52, 0}, {0, 1, 0}, 42, 6.5f, 3, 0.3f);
    Mesh red = frustum(10, 17, 22, -72, -52);
    Mesh rim = frustum(10, 24, 24, -56, -50);
    append(red, rim);
    for (size_t i = 0; i < tips.size(); i += 2) {
        Mesh berry = icosphere(3.5f, 0, true);
        translate(berry, tips[i] + Point{0, -3, 0});
        append(red, berry);
    }
    Mesh leaves;
    for (size_t i = 0; i < tips.size(); i++) {
        if (i % 2 == 0)
            continue;
        Mesh leaf = octahedron(7, 3);
        transform(leaf, [&](Point p) { return rotateZ(rotateX(p, 30.0f * i), 20.0f * i) + tips[i]; });
        append(leaves, leaf);
    }
    for (const Point& fork : forks) {
        Mesh leaf = octahedron(9, 4);
        transform(leaf, [&](Point p) { return rotateX(p, 35) + fork + Point{0, 4, 0}; });
        append(leaves, leaf);
    }
    m.meshes = {meshSpec("twigs", wood, "WHITE FLAT"), meshSpec("pot", red, "RED FLAT"),
        meshSpec("leaves", leaves, "ORANGE FLAT")};
    m.cameras = {camera({0, -70, 100}, {0, 0, 0})};
    return m;
}

// "ting.3ds": a gyroscope of rings around a core that the script deforms.
// Objects 0 to 6 stand still; object 7 is the core (its vertex numbers make
// the waves run smoothly), object 8 its hidden rest copy; 9 and 10 are two
// moons. The colour buffer is never cleared in this scene, so as the camera
// circles 610 to 720 units away, every silhouette leaves a trail.
ModelSpec tingModel()
{
    ModelSpec m;
    m.materials = {flatMaterial("BLUE FLAT", {51, 128, 178}), flatMaterial("ORANGE FLAT", {204, 128, 51}),
        flatMaterial("WHITE FLAT", {230, 230, 230})};
    Mesh ring = flatTorus(400, 24, 40, 6);
    transform(ring, [](Point p) { return rotateX(p, 24); });
    Mesh hoopA = flatTorus(300, 15, 36, 5);
    transform(hoopA, [](Point p) { return rotateY(rotateX(p, 90), 20); });
    Mesh hoopB = flatTorus(300, 15, 36, 5);
    transform(hoopB, [](Point p) { return rotateY(rotateZ(p, 90), 20); });
    std::vector<Mesh> blocks;
    for (int k = 0; k < 4; k++) {
        Mesh block = box({-34, -34, -34}, {34, 34, 34});
        float a = (45.0f + 90 * k) * pi / 180;
        transform(block, [&](Point p) {
            return rotateY(rotateX(p, 35), 45) + rotateX(Point{400 * std::sin(a), 0, 400 * std::cos(a)}, 24);
        });
        blocks.push_back(block);
    }
    Mesh core = wavySphere(165, 20, 12);
    Mesh moonUp = icosphere(48, 1, true);
    translate(moonUp, {0, 380, 0});
    Mesh moonDown = icosphere(48, 1, true);
    translate(moonDown, {0, -380, 0});
    m.meshes = {meshSpec("ring", ring, "WHITE FLAT"), meshSpec("hoop a", hoopA, "ORANGE FLAT"),
        meshSpec("hoop b", hoopB, "ORANGE FLAT"), meshSpec("block 1", blocks[0], "BLUE FLAT"),
        meshSpec("block 2", blocks[1], "BLUE FLAT"), meshSpec("block 3", blocks[2], "BLUE FLAT"),
        meshSpec("block 4", blocks[3], "BLUE FLAT"), meshSpec("core", core, "WHITE FLAT"),
        meshSpec("core rest", core, "WHITE FLAT"), meshSpec("moon up", moonUp, "BLUE FLAT"),
        meshSpec("moon down", moonDown, "ORANGE FLAT")};
    m.cameras = {camera({0, 0, 610}, {0, 0, 0})};
    return m;
}

// "cyl.3ds": object 0 is a smooth sphere-mapped tube along the vertical
// axis with rounded ends, its vertices numbered ring by ring from the bottom
// pole to the top pole, so the script's bulge (phase 0.008 per vertex) runs
// along it; object 1 is its rest copy.
ModelSpec cylModel()
{
    ModelSpec m;
    m.materials = {smoothMaterial("ENVMAP")};
    const float half = 180, radius = 56, straight = 124;
    std::vector<ProfilePoint> profile;
    const int rings = 39;
    profile.push_back({0, -half});
    for (int k = 1; k <= rings; k++) {
        // Rings spaced evenly along the arc: tighter over the rounded ends.
        float s = static_cast<float>(k) / (rings + 1);
        float y = -std::cos(s * pi) * half;
        float beyond = std::fabs(y) - straight;
        float r = beyond > 0 ? radius *
                std::sqrt(std::max(0.0f, 1 - beyond * beyond / ((half - straight) * (half - straight))))
                             : radius;
        profile.push_back({std::max(r, 6.0f), y});
    }
    profile.push_back({0, half});
    Mesh tube = lathe(profile, 32);
    m.meshes = {meshSpec("tube", tube, "ENVMAP"), meshSpec("tube rest", tube, "ENVMAP")};
    m.cameras = {camera({0, 0, 310}, {0, 0, 0})};
    return m;
}

// The spinning top of "snurr.3ds": a body of revolution with three fins, so
// that its spin shows; centred on the vertical axis, about which it spins.
Mesh spinningTop()
{
    Mesh top;
    Mesh cone = frustum(12, 54, 0, 0, 62);
    transform(cone, [](Point p) { return Point{p.x, 22 - p.y, p.z}; });
    orientAwayFrom(cone, {0, 0, 0});
    append(top, cone);
    append(top, frustum(12, 54, 30, 22, 48));
    append(top, frustum(6, 8, 8, 48, 96));
    for (int k = 0; k < 3; k++) {
        Mesh fin = box({40, 0, -3}, {92, 30, 3});
        transform(fin, [k](Point p) { return rotateY(p, 120.0f * k); });
        append(top, fin);
    }
    // Standing on its tip on the floor (y = -40), one and a half times the
    // size it was drawn at.
    transform(top, [](Point p) { return Point{p.x * 1.5f, -40 + (p.y + 40) * 1.5f, p.z * 1.5f}; });
    return top;
}

// "snurr.3ds": a ring of pillars with lintels on a wire floor grid, hoops to
// fly through and a spinning top in the middle (object 3). The camera flies
// along its keyframed position and target tracks: the scene runs about
// 1,032 frames (3 per tenth of a second); the range ends at 1,040, the
// second-to-last key is at 1,040 and one more key lies beyond it, since
// evaluation holds the second-to-last key. Every object has a node.
ModelSpec snurrModel()
{
    ModelSpec m;
    m.materials = {flatMaterial("WHITE FLAT", {204, 204, 204}), wireMaterial("WHITE WIRE", {204, 204, 204}),
        flatMaterial("RED FLAT", {230, 26, 26}), flatMaterial("ORANGE FLAT", {230, 128, 26})};
    Mesh grid;
    const int cells = 16;
    const float extent = 480, cell = 2 * extent / cells;
    for (int i = 0; i <= cells; i++) {
        for (int j = 0; j <= cells; j++)
            addVertex(grid, {-extent + cell * j, -40, -extent + cell * i});
    }
    for (int i = 0; i < cells; i++) {
        for (int j = 0; j < cells; j++) {
            int a = i * (cells + 1) + j;
            addTriangle(grid, a, a + 1, a + cells + 2);
            addTriangle(grid, a, a + cells + 2, a + cells + 1);
        }
    }
    orientFaces(grid, [](Point) { return Point{0, 1, 0}; });
    Mesh pillars, lintels;
    const int count = 10;
    const float ringRadius = 310;
    for (int k = 0; k < count; k++) {
        float a = 2 * pi * k / count;
        Mesh pillar = frustum(6, 16, 13, -40, 130);
        translate(pillar, {ringRadius * std::sin(a), 0, ringRadius * std::cos(a)});
        append(pillars, pillar);
        if (k % 2 == 0) {
            float mid = a + pi / count;
            float chord = 2 * ringRadius * std::sin(pi / count);
            Mesh lintel = box({-chord / 2 - 20, 130, -14}, {chord / 2 + 20, 152, 14});
            transform(lintel, [&](Point p) {
                return rotateY(p, mid * 180 / pi + 90) +
                    Point{ringRadius * std::cos(pi / count) * std::sin(mid), 0,
                        ringRadius * std::cos(pi / count) * std::cos(mid)};
            });
            append(lintels, lintel);
        }
    }
    Mesh hoops;
    const Point hoopPlaces[3] = {{170, 60, -170}, {-220, 80, 60}, {80, 100, 230}};
    for (int k = 0; k < 3; k++) {
        Mesh hoop = flatTorus(62, 6, 24, 4);
        transform(hoop, [&](Point p) { return rotateY(rotateX(p, 90), 40.0f + 70 * k) + hoopPlaces[k]; });
        append(hoops, hoop);
    }
    m.meshes = {meshSpec("grid", grid, "WHITE WIRE"), meshSpec("pillars", pillars, "WHITE FLAT"),
        meshSpec("lintels", lintels, "RED FLAT"), meshSpec("top", spinningTop(), "ORANGE FLAT"),
        meshSpec("hoops", hoops, "WHITE FLAT")};

    struct Pose {
        int frame;
        Point position, target;
    };
    const Pose flight[] = {
        {0, {0, 80, -230}, {0, 60, 0}},
        {130, {160, 110, -150}, {0, 60, 0}},
        {260, {210, 50, 50}, {0, 50, 0}},
        {390, {100, 170, 190}, {0, 40, 0}},
        {520, {-100, 40, 180}, {0, 70, 0}},
        {650, {-210, 120, 20}, {0, 50, 0}},
        {780, {-130, 200, -170}, {0, 30, 0}},
        {910, {70, 60, -180}, {0, 70, 0}},
        {1040, {10, 140, -210}, {0, 60, 0}},
        {1170, {-50, 160, -240}, {0, 60, 0}},
    };
    model3ds::TrackSpec cameraTrack, targetTrack;
    for (const Pose& pose : flight) {
        KeySpec key;
        key.frame = pose.frame;
        key.position = pose.position;
        cameraTrack.keys.push_back(key);
        key.position = pose.target;
        targetTrack.keys.push_back(key);
    }
    NodeSpec cameraNode, targetNode;
    cameraNode.kind = model3ds::idCameraNode;
    targetNode.kind = model3ds::idTargetNode;
    cameraNode.name = targetNode.name = "Camera01";
    cameraNode.track = cameraTrack;
    targetNode.track = targetTrack;
    m.hasKeyframer = true;
    m.frameStart = 0;
    m.frameEnd = 1040;
    m.nodes = {cameraNode, targetNode};
    for (const model3ds::MeshSpec& mesh : m.meshes) {
        NodeSpec node;
        node.kind = model3ds::idObjectNode;
        node.name = mesh.name;
        model3ds::TrackSpec still;
        still.keys.push_back(KeySpec{});
        node.track = still;
        m.nodes.push_back(node);
    }
    m.cameras = {camera(flight[0].position, flight[0].target)};
    return m;
}

}  // namespace

std::vector<NamedFile> bakeModels()
{
    return {modelFile("test.3ds", testModel()), modelFile("env.3ds", envModel()),
        modelFile("add.3ds", addModel()), modelFile("blue.3ds", blueModel()), modelFile("lo.3ds", loModel()),
        modelFile("ting.3ds", tingModel()), modelFile("cyl.3ds", cylModel()),
        modelFile("snurr.3ds", snurrModel())};
}

}  // namespace bake
