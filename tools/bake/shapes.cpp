// shapes.cpp: mesh building for the baker's models.
#include "tools/bake/shapes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace bake {

namespace {
constexpr float degree = pi / 180.0f;
}  // namespace

Point operator+(Point a, Point b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Point operator-(Point a, Point b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point operator*(Point a, float k)
{
    return {a.x * k, a.y * k, a.z * k};
}
Point cross(Point a, Point b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(Point a, Point b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float length(Point a)
{
    return std::sqrt(dot(a, a));
}

int addVertex(Mesh& mesh, Point p)
{
    mesh.vertices.push_back(p);
    if (!mesh.mapping.empty())
        mesh.mapping.push_back({0, 0});
    return static_cast<int>(mesh.vertices.size()) - 1;
}

int addVertex(Mesh& mesh, Point p, Mapping uv)
{
    mesh.mapping.resize(mesh.vertices.size());
    mesh.vertices.push_back(p);
    mesh.mapping.push_back(uv);
    return static_cast<int>(mesh.vertices.size()) - 1;
}

void addTriangle(Mesh& mesh, int a, int b, int c)
{
    mesh.faces.push_back({static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint16_t>(c), 7});
}

void addPolygon(Mesh& mesh, const std::vector<Point>& corners)
{
    std::vector<int> ids;
    for (const Point& p : corners)
        ids.push_back(addVertex(mesh, p));
    for (size_t i = 1; i + 1 < ids.size(); i++)
        addTriangle(mesh, ids[0], ids[i], ids[i + 1]);
}

void addPolygon(Mesh& mesh, const std::vector<Point>& corners, const std::vector<Mapping>& uvs)
{
    std::vector<int> ids;
    for (size_t i = 0; i < corners.size(); i++)
        ids.push_back(addVertex(mesh, corners[i], uvs[i]));
    for (size_t i = 1; i + 1 < ids.size(); i++)
        addTriangle(mesh, ids[0], ids[i], ids[i + 1]);
}

void orientFaces(Mesh& mesh, const std::function<Point(Point)>& outwardAt)
{
    for (model3ds::FaceSpec& face : mesh.faces) {
        Point a = mesh.vertices[face.a], b = mesh.vertices[face.b], c = mesh.vertices[face.c];
        Point normal = cross(b - a, c - a);
        Point centre = (a + b + c) * (1.0f / 3);
        if (dot(normal, outwardAt(centre)) < 0)
            std::swap(face.b, face.c);
    }
}

void orientAwayFrom(Mesh& mesh, Point centre)
{
    orientFaces(mesh, [centre](Point p) { return p - centre; });
}

void append(Mesh& to, const Mesh& from)
{
    int base = static_cast<int>(to.vertices.size());
    bool mapped = !to.mapping.empty() || !from.mapping.empty();
    if (mapped)
        to.mapping.resize(to.vertices.size());
    to.vertices.insert(to.vertices.end(), from.vertices.begin(), from.vertices.end());
    if (mapped) {
        if (from.mapping.empty())
            to.mapping.resize(to.vertices.size());
        else
            to.mapping.insert(to.mapping.end(), from.mapping.begin(), from.mapping.end());
    }
    for (model3ds::FaceSpec face : from.faces) {
        addTriangle(to, face.a + base, face.b + base, face.c + base);
    }
}

void transform(Mesh& mesh, const std::function<Point(Point)>& f)
{
    for (Point& p : mesh.vertices)
        p = f(p);
}

void translate(Mesh& mesh, Point offset)
{
    transform(mesh, [offset](Point p) { return p + offset; });
}

Point rotateX(Point p, float degrees)
{
    float c = std::cos(degrees * degree), s = std::sin(degrees * degree);
    return {p.x, p.y * c - p.z * s, p.y * s + p.z * c};
}

Point rotateY(Point p, float degrees)
{
    float c = std::cos(degrees * degree), s = std::sin(degrees * degree);
    return {p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
}

Point rotateZ(Point p, float degrees)
{
    float c = std::cos(degrees * degree), s = std::sin(degrees * degree);
    return {p.x * c - p.y * s, p.x * s + p.y * c, p.z};
}

// The six faces of a box, each as four corners and the axis it faces.
static std::vector<std::pair<std::vector<Point>, Point>> boxFaces(Point n, Point x)
{
    return {
        {{{x.x, n.y, n.z}, {x.x, x.y, n.z}, {x.x, x.y, x.z}, {x.x, n.y, x.z}}, {1, 0, 0}},
        {{{n.x, n.y, n.z}, {n.x, n.y, x.z}, {n.x, x.y, x.z}, {n.x, x.y, n.z}}, {-1, 0, 0}},
        {{{n.x, x.y, n.z}, {n.x, x.y, x.z}, {x.x, x.y, x.z}, {x.x, x.y, n.z}}, {0, 1, 0}},
        {{{n.x, n.y, n.z}, {x.x, n.y, n.z}, {x.x, n.y, x.z}, {n.x, n.y, x.z}}, {0, -1, 0}},
        {{{n.x, n.y, x.z}, {x.x, n.y, x.z}, {x.x, x.y, x.z}, {n.x, x.y, x.z}}, {0, 0, 1}},
        {{{n.x, n.y, n.z}, {n.x, x.y, n.z}, {x.x, x.y, n.z}, {x.x, n.y, n.z}}, {0, 0, -1}},
    };
}

Mesh box(Point min, Point max)
{
    Mesh mesh;
    for (const auto& face : boxFaces(min, max))
        addPolygon(mesh, face.first);
    orientAwayFrom(mesh, (min + max) * 0.5f);
    return mesh;
}

Mesh texturedBox(Point min, Point max, float unitsPerRepeat)
{
    Mesh mesh;
    const float last = 255.0f / 256.0f;
    for (const auto& face : boxFaces(min, max)) {
        Point axis = face.second;
        std::vector<Mapping> uvs;
        for (const Point& p : face.first) {
            float u, v;
            if (axis.y != 0) {
                u = (p.x - min.x) / unitsPerRepeat;
                v = (p.z - min.z) / unitsPerRepeat;
            } else {
                u = (axis.x != 0 ? p.z - min.z : p.x - min.x) / unitsPerRepeat;
                v = (max.y - p.y) / unitsPerRepeat;
            }
            uvs.push_back({std::min(u, last), std::min(v, last)});
        }
        addPolygon(mesh, face.first, uvs);
    }
    orientAwayFrom(mesh, (min + max) * 0.5f);
    return mesh;
}

Mesh frustum(int sides, float bottom, float top, float y0, float y1)
{
    Mesh mesh;
    auto corner = [&](int i, float r, float y) {
        float a = 2 * pi * i / sides;
        return Point{r * std::sin(a), y, r * std::cos(a)};
    };
    for (int i = 0; i < sides; i++) {
        if (top > 0) {
            addPolygon(mesh,
                {corner(i, bottom, y0), corner(i + 1, bottom, y0), corner(i + 1, top, y1),
                    corner(i, top, y1)});
        } else {
            addPolygon(mesh, {corner(i, bottom, y0), corner(i + 1, bottom, y0), Point{0, y1, 0}});
        }
    }
    std::vector<Point> cap0, cap1;
    for (int i = 0; i < sides; i++) {
        cap0.push_back(corner(i, bottom, y0));
        if (top > 0)
            cap1.push_back(corner(i, top, y1));
    }
    addPolygon(mesh, cap0);
    if (top > 0)
        addPolygon(mesh, cap1);
    orientAwayFrom(mesh, {0, (y0 + y1) / 2, 0});
    return mesh;
}

Mesh octahedron(float radius, float height)
{
    Mesh mesh;
    Point top{0, height, 0}, bottom{0, -height, 0};
    Point ring[4] = {{radius, 0, 0}, {0, 0, radius}, {-radius, 0, 0}, {0, 0, -radius}};
    for (int i = 0; i < 4; i++) {
        addPolygon(mesh, {ring[i], ring[(i + 1) % 4], top});
        addPolygon(mesh, {ring[i], ring[(i + 1) % 4], bottom});
    }
    orientAwayFrom(mesh, {0, 0, 0});
    return mesh;
}

Mesh icosphere(float radius, int levels, bool flat)
{
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    std::vector<Point> points = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
        {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    std::vector<std::array<int, 3>> faces = {{0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11},
        {1, 5, 9}, {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8}, {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8},
        {3, 8, 9}, {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1}};
    for (int level = 0; level < levels; level++) {
        std::map<std::pair<int, int>, int> middles;
        auto middle = [&](int a, int b) {
            std::pair<int, int> key = std::minmax(a, b);
            auto found = middles.find(key);
            if (found != middles.end())
                return found->second;
            points.push_back((points[a] + points[b]) * 0.5f);
            int id = static_cast<int>(points.size()) - 1;
            middles[key] = id;
            return id;
        };
        std::vector<std::array<int, 3>> next;
        for (const auto& f : faces) {
            int ab = middle(f[0], f[1]), bc = middle(f[1], f[2]), ca = middle(f[2], f[0]);
            next.push_back({f[0], ab, ca});
            next.push_back({f[1], bc, ab});
            next.push_back({f[2], ca, bc});
            next.push_back({ab, bc, ca});
        }
        faces = next;
    }
    for (Point& p : points)
        p = p * (radius / length(p));
    Mesh mesh;
    if (flat) {
        for (const auto& f : faces)
            addPolygon(mesh, {points[f[0]], points[f[1]], points[f[2]]});
    } else {
        mesh.vertices = points;
        for (const auto& f : faces)
            addTriangle(mesh, f[0], f[1], f[2]);
    }
    orientAwayFrom(mesh, {0, 0, 0});
    return mesh;
}

Mesh lathe(const std::vector<ProfilePoint>& profile, int segments)
{
    Mesh mesh;
    std::vector<int> ringStart;  // first vertex of each profile point; a pole has one
    for (const ProfilePoint& p : profile) {
        ringStart.push_back(static_cast<int>(mesh.vertices.size()));
        if (p.radius <= 0) {
            addVertex(mesh, {0, p.y, 0});
            continue;
        }
        for (int j = 0; j < segments; j++) {
            float a = 2 * pi * j / segments;
            addVertex(mesh, {p.radius * std::sin(a), p.y, p.radius * std::cos(a)});
        }
    }
    auto at = [&](size_t ring, int j) {
        return profile[ring].radius <= 0 ? ringStart[ring] : ringStart[ring] + (j % segments);
    };
    for (size_t i = 0; i + 1 < profile.size(); i++) {
        for (int j = 0; j < segments; j++) {
            int a = at(i, j), b = at(i, j + 1), c = at(i + 1, j + 1), d = at(i + 1, j);
            if (a != b)
                addTriangle(mesh, a, b, c);
            if (c != d)
                addTriangle(mesh, a, c, d);
        }
    }
    // Outward is away from the axis, and for the ends also along it.
    float low = profile.front().y, high = profile.back().y;
    orientFaces(mesh, [&](Point p) {
        Point radial{p.x, 0, p.z};
        float mid = (low + high) / 2;
        Point along{0, p.y - mid, 0};
        return length(radial) > 1e-3f ? radial + along * 0.01f : along;
    });
    return mesh;
}

Mesh sphere(float radius, int segments, int rings)
{
    std::vector<ProfilePoint> profile;
    for (int i = 0; i <= rings + 1; i++) {
        float a = pi * i / (rings + 1) - pi / 2;
        float r = radius * std::cos(a);
        if (i == 0 || i == rings + 1)
            r = 0;
        profile.push_back({r, radius * std::sin(a)});
    }
    Mesh mesh = lathe(profile, segments);
    orientAwayFrom(mesh, {0, 0, 0});
    return mesh;
}

static Point torusPoint(float major, float minor, float a, float b)
{
    float r = major + minor * std::cos(b);
    return {r * std::sin(a), minor * std::sin(b), r * std::cos(a)};
}

static Point torusOutward(float major, Point p)
{
    Point radial{p.x, 0, p.z};
    float len = length(radial);
    Point core = len > 0 ? radial * (major / len) : Point{major, 0, 0};
    return p - core;
}

Mesh flatTorus(float major, float minor, int segments, int sides)
{
    Mesh mesh;
    for (int i = 0; i < segments; i++) {
        for (int j = 0; j < sides; j++) {
            float a0 = 2 * pi * i / segments, a1 = 2 * pi * (i + 1) / segments;
            float b0 = 2 * pi * j / sides, b1 = 2 * pi * (j + 1) / sides;
            addPolygon(mesh,
                {torusPoint(major, minor, a0, b0), torusPoint(major, minor, a1, b0),
                    torusPoint(major, minor, a1, b1), torusPoint(major, minor, a0, b1)});
        }
    }
    orientFaces(mesh, [major](Point p) { return torusOutward(major, p); });
    return mesh;
}

void orderByPhase(Mesh& mesh, const std::vector<float>& target, float step)
{
    const float turn = 2 * pi;
    int count = static_cast<int>(mesh.vertices.size());
    auto wrap = [turn](float a) {
        float w = std::fmod(a, turn);
        return w < 0 ? w + turn : w;
    };
    auto distance = [&](float a, float b) {
        float d = std::fabs(wrap(a) - wrap(b));
        return std::min(d, turn - d);
    };
    // Both the slots (new numbers) and the vertices sorted by phase, then
    // matched in that order with the rotation that fits best.
    std::vector<int> slots(count), order(count);
    for (int i = 0; i < count; i++)
        slots[i] = order[i] = i;
    std::stable_sort(
        slots.begin(), slots.end(), [&](int a, int b) { return wrap(step * a) < wrap(step * b); });
    std::stable_sort(
        order.begin(), order.end(), [&](int a, int b) { return wrap(target[a]) < wrap(target[b]); });
    int bestShift = 0;
    double bestCost = 1e30;
    for (int shift = 0; shift < count; shift++) {
        double cost = 0;
        for (int j = 0; j < count && cost < bestCost; j++) {
            cost += distance(target[order[j]], step * slots[(j + shift) % count]);
        }
        if (cost < bestCost) {
            bestCost = cost;
            bestShift = shift;
        }
    }
    std::vector<int> newIndex(count);
    for (int j = 0; j < count; j++)
        newIndex[order[j]] = slots[(j + bestShift) % count];
    std::vector<Point> vertices(count);
    std::vector<Mapping> mapping(mesh.mapping.size());
    for (int i = 0; i < count; i++) {
        vertices[newIndex[i]] = mesh.vertices[i];
        if (!mapping.empty())
            mapping[newIndex[i]] = mesh.mapping[i];
    }
    mesh.vertices = vertices;
    mesh.mapping = mapping;
    for (model3ds::FaceSpec& face : mesh.faces) {
        face.a = static_cast<uint16_t>(newIndex[face.a]);
        face.b = static_cast<uint16_t>(newIndex[face.b]);
        face.c = static_cast<uint16_t>(newIndex[face.c]);
    }
}

model3ds::MeshSpec meshSpec(const std::string& name, const Mesh& mesh, const std::string& material)
{
    model3ds::MeshSpec record;
    record.name = name;
    record.vertices = mesh.vertices;
    record.faces = mesh.faces;
    record.mapping = mesh.mapping;
    model3ds::FaceGroup group{material, {}};
    for (size_t i = 0; i < mesh.faces.size(); i++)
        group.faces.push_back(static_cast<uint16_t>(i));
    record.groups.push_back(group);
    return record;
}

}  // namespace bake
