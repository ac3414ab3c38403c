// shapes.h: triangle meshes for the baker's models, built in scene axes
// (y up, as the engine holds them after loading).
//
// Faces are stored counter-clockwise seen from their front side; the model
// writer's scene-axes helper turns that into faces the engine draws as front
// faces. Flat shapes give every face its own corners, so each corner's
// normal is its face's normal; smooth shapes share corners between faces.
#pragma once

#include "tools/model3ds/model3ds.h"

#include <functional>
#include <string>
#include <vector>

namespace bake {

using model3ds::Mapping;
using model3ds::Point;

constexpr float pi = 3.14159265358979f;

struct Mesh {
    std::vector<Point> vertices;
    std::vector<model3ds::FaceSpec> faces;
    std::vector<Mapping> mapping;  // empty, or one entry per vertex
};

Point operator+(Point a, Point b);
Point operator-(Point a, Point b);
Point operator*(Point a, float k);
Point cross(Point a, Point b);
float dot(Point a, Point b);
float length(Point a);

int addVertex(Mesh& mesh, Point p);
int addVertex(Mesh& mesh, Point p, Mapping uv);
void addTriangle(Mesh& mesh, int a, int b, int c);
// A convex polygon with corners of its own, as a fan of triangles.
void addPolygon(Mesh& mesh, const std::vector<Point>& corners);
void addPolygon(Mesh& mesh, const std::vector<Point>& corners, const std::vector<Mapping>& uvs);

// Turns every face whose normal points against outwardAt(face centre).
void orientFaces(Mesh& mesh, const std::function<Point(Point)>& outwardAt);
// orientFaces for a shape that is star-shaped about centre.
void orientAwayFrom(Mesh& mesh, Point centre);

void append(Mesh& to, const Mesh& from);
void transform(Mesh& mesh, const std::function<Point(Point)>& f);
void translate(Mesh& mesh, Point offset);
Point rotateX(Point p, float degrees);
Point rotateY(Point p, float degrees);
Point rotateZ(Point p, float degrees);

// Flat solids.
Mesh box(Point min, Point max);
// A box whose faces carry mapping coordinates: one repeat of the texture
// per unitsPerRepeat units, starting at 0 on every face (faces must be
// shorter than one repeat).
Mesh texturedBox(Point min, Point max, float unitsPerRepeat);
// A prism or frustum about the vertical axis: `sides` faces around, radius
// bottom at y0 and top at y1, capped at both ends (a zero radius makes a cone).
Mesh frustum(int sides, float bottom, float top, float y0, float y1);
Mesh octahedron(float radius, float height);
// An icosahedron subdivided `levels` times and pushed onto the sphere.
Mesh icosphere(float radius, int levels, bool flat);

// Smooth solids.
struct ProfilePoint {
    float radius, y;
};
// A surface of revolution about the vertical axis; the profile runs from the
// bottom up, and an end of radius 0 becomes a single pole vertex. Vertices
// are numbered from the bottom pole ring by ring to the top pole.
Mesh lathe(const std::vector<ProfilePoint>& profile, int segments);
Mesh sphere(float radius, int segments, int rings);
// A flat-faced torus (every face with corners of its own).
Mesh flatTorus(float major, float minor, int segments, int sides);

// Renumbers the vertices so that vertex i, which a script moves with the
// phase step x i, gets a phase close to the phase wanted for it (target, in
// radians, per current vertex). Faces and mapping follow the new numbers.
void orderByPhase(Mesh& mesh, const std::vector<float>& target, float step);

// The mesh as a writer record with every face in one material.
model3ds::MeshSpec meshSpec(const std::string& name, const Mesh& mesh, const std::string& material);

}  // namespace bake
