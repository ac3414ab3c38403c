// The baker's mesh building: solids face outwards, and renumbering vertices
// for the scripts' travelling waves keeps the shape while giving each vertex
// the phase it was meant to have.
#include "support.h"

#include "tools/bake/shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

using bake::Mesh;
using bake::Point;
using bake::operator+;
using bake::operator-;
using bake::operator*;

// Every triangle as its three corner positions, rotated to start at the
// smallest, then sorted: the shape independent of vertex numbering.
std::vector<std::array<float, 9>> triangles(const Mesh& mesh)
{
    std::vector<std::array<float, 9>> out;
    for (const model3ds::FaceSpec& f : mesh.faces) {
        std::array<Point, 3> c = {mesh.vertices[f.a], mesh.vertices[f.b], mesh.vertices[f.c]};
        auto less = [](Point a, Point b) {
            return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
        };
        int first = static_cast<int>(std::min_element(c.begin(), c.end(), less) - c.begin());
        std::array<float, 9> t;
        for (int k = 0; k < 3; k++) {
            Point p = c[(first + k) % 3];
            t[k * 3] = p.x, t[k * 3 + 1] = p.y, t[k * 3 + 2] = p.z;
        }
        out.push_back(t);
    }
    std::sort(out.begin(), out.end());
    return out;
}

float phaseDistance(float a, float b)
{
    const float turn = 6.2831853f;
    float d = std::fmod(std::fabs(a - b), turn);
    return std::min(d, turn - d);
}

}  // namespace

TEST(BakeShapes, SolidsFaceOutwards)
{
    struct Case {
        const char* name;
        Mesh mesh;
    } cases[] = {
        {"box", bake::box({-1, -2, -3}, {4, 5, 6})},
        {"frustum", bake::frustum(7, 10, 4, -5, 8)},
        {"cone", bake::frustum(5, 10, 0, 0, 20)},
        {"flat icosphere", bake::icosphere(10, 1, true)},
        {"sphere", bake::sphere(10, 12, 7)},
        {"lathe", bake::lathe({{0, -10}, {6, -8}, {8, 0}, {3, 9}, {0, 10}}, 9)},
    };
    for (const Case& c : cases) {
        Point centre{0, 0, 0};
        for (const Point& p : c.mesh.vertices)
            centre = centre + p * (1.0f / c.mesh.vertices.size());
        for (const model3ds::FaceSpec& f : c.mesh.faces) {
            Point a = c.mesh.vertices[f.a], b = c.mesh.vertices[f.b], d = c.mesh.vertices[f.c];
            Point normal = bake::cross(b - a, d - a);
            EXPECT_GT(bake::length(normal), 0) << c.name << ": no degenerate faces";
            EXPECT_GT(bake::dot(normal, (a + b + d) * (1.0f / 3) - centre), 0) << c.name;
        }
    }
}

TEST(BakeShapes, OrderingByPhaseKeepsTheShapeAndMeetsTheTargets)
{
    Mesh mesh = bake::sphere(50, 18, 11);
    const Mesh before = mesh;
    std::vector<float> target;
    for (const Point& p : mesh.vertices)
        target.push_back(2 * std::atan2(p.x, p.z) + p.y / 25);
    std::vector<Point> positions = mesh.vertices;
    bake::orderByPhase(mesh, target, 0.1f);

    EXPECT_EQ(triangles(mesh), triangles(before));
    // Each vertex now sits at a number whose phase 0.1 x i is near the phase
    // wanted for its position.
    for (size_t i = 0; i < mesh.vertices.size(); i++) {
        size_t old = std::find_if(positions.begin(), positions.end(), [&](Point p) {
                         return p.x == mesh.vertices[i].x && p.y == mesh.vertices[i].y && p.z == mesh.vertices[i].z;
                     }) - positions.begin();
        ASSERT_LT(old, positions.size());
        EXPECT_LT(phaseDistance(0.1f * i, target[old]), 0.3f) << "vertex " << i;
    }
}
