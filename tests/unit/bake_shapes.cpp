// The baker's mesh building: solids face outwards. (Renumbering for the
// travelling waves is checked on the baked bodies themselves.)
#include "support.h"

#include "tools/bake/shapes.h"

using bake::Mesh;
using bake::Point;
using bake::operator+;
using bake::operator-;
using bake::operator*;

TEST(BakeShapes, SolidsFaceOutwards)
{
    struct Case {
        const char* name;
        Mesh mesh;
    } cases[] = {
        {"box", bake::box({-1, -2, -3}, {4, 5, 6})},
        {"frustum", bake::frustum(7, 10, 4, -5, 8)},
        {"cone", bake::frustum(5, 10, 0, 0, 20)},
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
