// scene.h: the scene engine.
//
// A Scene is one 3D Studio model in memory: triangle mesh objects, named
// materials, cameras, omni and spot lights, and the frame range of its
// keyframe animation. loadModel fills it from a .3ds entry of the resource
// library and prepares every mesh (corner references, normals, centre,
// materials); the keyframer evaluates its spline tracks.
//
// Records are plain structures with public fields. Every record is created
// singly on the heap and destroyed singly; the lists of a Scene grow by one
// slot per addition and never shrink. All coordinates are in scene axes:
// a file point (x, y, z) is stored as (x, -z, -y).
#pragma once

#include <cstdint>

struct ResourceLibrary;
struct Texture;

struct Vec3 {
    float x, y, z;
};

// ---------------------------------------------------------------------------
// Tracks

struct TrackKey {
    Vec3 value = {0, 0, 0};       // the key's position, scene axes
    int16_t frame = 0;            // low 16 bits of the file's frame, signed
    Vec3 inTangent = {0, 0, 0};   // tangent arriving at this key
    Vec3 outTangent = {0, 0, 0};  // tangent leaving this key
    float tension = 0;
    float continuity = 0;
    float bias = 0;
    float easeTo = 0;
    float easeFrom = 0;
    uint16_t splineFlags = 0;  // which optional spline values the file stores
};

struct Track {
    uint32_t keyCount = 0;
    TrackKey* keys = nullptr;  // owned, keyCount entries
    uint16_t trackFlags = 0;   // stored, never used
};

Track* createTrack();
void destroyTrack(Track* track);

// ---------------------------------------------------------------------------
// Records

// A Material's draw mode: which of the renderer's drawing paths its objects
// take (render.h). Modes are stored as these integers, in records and in
// the loader's output, so the values are fixed. The loader makes 1, 2, 4, 5,
// 8, 17 and 21 from a material entry's chunks; the scene scripts bind the
// rest. A mode without a path of its own (0, 8, 17 and any other value)
// draws as unlit wireframe.
enum class DrawMode : int32_t {
    unset = 0,          // no chunk or binding has set it
    unlitWire = 1,      // the wire chunk
    flatLit = 2,        // shading 1
    texturedUnlit = 4,  // the texture-map chunk
    sphereMapped = 5,   // shading 3
    flatUnlit = 7,
    gouraud = 8,        // shading 2
    flatAdditive = 17,  // chunk 0xA083 on a flatLit material
    texturedLit = 21,   // shading 4
    litWire = 22,
};

constexpr int recordNameSize = 16;    // names of objects, cameras, lights, faces
constexpr int materialNameSize = 18;  // a Material's name field

struct Material {
    Texture* texture = nullptr;  // not owned
    // Colour and draw mode start at 0 (unlit wire, black) until the file or
    // a binding sets them.
    float blue = 0;
    float green = 0;
    float red = 0;
    float alpha = 0;
    DrawMode drawMode = DrawMode::unset;
    uint8_t twoSided = 0;
    uint8_t blend = 0;
    char name[materialNameSize] = {};
};

struct Vertex {
    Vec3 position = {0, 0, 0};
    Vec3 normal = {0, 0, 0};
    uint8_t u = 0;  // 1/256 of a texture repeat per step; 0 where no mapping covers it
    uint8_t v = 0;
};

struct Face {
    int32_t indices[3] = {0, 0, 0};
    Vertex* corners[3] = {};
    Material* material = nullptr;  // not owned
    Vec3 normal = {0, 0, 0};
    uint16_t flags = 0;
    char materialName[recordNameSize] = {};  // empty where no group names the face
};

struct MeshObject {
    Vertex* vertices = nullptr;  // owned, vertexCount entries
    Face* faces = nullptr;       // owned, faceCount entries
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    char name[recordNameSize] = {};
    bool visible = true;
    Vec3 rotation = {0, 0, 0};  // degrees about X, Y, Z
    Vec3 scale = {1, 1, 1};
    Vec3 translation = {0, 0, 0};
    Vec3 centre = {0, 0, 0};
    Track* tracks[4] = {};      // owned; tracks[0] is the position track
    int32_t unlitOverride = 0;  // 1 forces the unlit wireframe path
};

struct Camera {
    char name[recordNameSize] = {};
    Vec3 position = {0, 0, 0};
    Vec3 target = {0, 0, 0};
    Track* tracks[4] = {};  // owned; [0] position, [1] target
    Vec3 up = {0, 0, 0};    // only z is used, as the z of the up vector (0, 1, z)
};

struct OmniLight {
    Vec3 position = {0, 0, 0};
    uint8_t colour[3] = {0, 0, 0};  // blue, green, red
    float parameter = 0;
    char name[recordNameSize] = {};
};

struct SpotLight {
    Vec3 position = {0, 0, 0};
    Vec3 target = {0, 0, 0};
    uint8_t colour[3] = {0, 0, 0};  // blue, green, red
    float hotspot = 0;
    float falloff = 0;
    char name[recordNameSize] = {};
};

struct FrameRange {
    int32_t start = 0;
    int32_t end = 0;
    uint8_t loop = 1;  // 1: frames past end wrap; 0: they clamp
};

struct Scene {
    MeshObject** meshObjects = nullptr;
    int32_t meshObjectCount = 0;
    Camera* currentCamera = nullptr;  // the last camera added; null without one
    Camera** cameras = nullptr;
    int32_t cameraCount = 0;
    OmniLight** omniLights = nullptr;
    int32_t omniLightCount = 0;
    SpotLight** spotLights = nullptr;
    int32_t spotLightCount = 0;
    Material** materials = nullptr;
    int32_t materialCount = 0;
    FrameRange* frameRange = nullptr;  // owned
    int32_t currentFrame = 0;
};

// ---------------------------------------------------------------------------
// Scene, mesh object and camera operations

Scene* createScene();
// Destroys everything the Scene owns, in the release order, then the Scene.
// Textures that materials point to are not touched. A null scene is ignored.
void destroyScene(Scene* scene);

MeshObject* createMeshObject();
void destroyMeshObject(MeshObject* object);
Camera* createCamera();
void destroyCamera(Camera* camera);

void addMaterial(Scene& scene, const char* name);
void bindMaterial(Scene& scene, const char* name, DrawMode drawMode, Texture* texture, float red, float green,
    float blue, float alpha, uint8_t twoSided, uint8_t blend);
void addCamera(
    Scene& scene, const char* name, int32_t px, int32_t py, int32_t pz, int32_t tx, int32_t ty, int32_t tz);
void addOmniLight(Scene& scene, const char* name, int32_t px, int32_t py, int32_t pz, uint8_t red,
    uint8_t green, uint8_t blue, float parameter);
void addSpotLight(Scene& scene, const char* name, int32_t px, int32_t py, int32_t pz, int32_t tx, int32_t ty,
    int32_t tz, uint8_t red, uint8_t green, uint8_t blue, float hotspot, float falloff);

void setRotation(MeshObject& object, float x, float y, float z);
void setScale(MeshObject& object, float x, float y, float z);
void setCameraPosition(Camera& camera, float x, float y, float z);

// ---------------------------------------------------------------------------
// Loading

// File axes to scene axes: (x, y, z) -> (x, -z, -y).
Vec3 toSceneAxes(float x, float y, float z);

// A coordinate as a whole number, truncated toward zero; defined for every
// float: out-of-range values clamp to the int32 range, NaN gives 0.
int32_t truncateToInt(float value);

// Reads the .3ds entry named entryName from the open library into the Scene
// and prepares every mesh object. Bad data ends the process through
// engineError (resources.h): errorNot3ds, not a .3ds entry; errorDamaged3ds,
// damaged chunks, counts or indices, more records of a kind than a model may
// hold, or a track whose frames do not increase or whose positions are not
// finite; errorUnknownNode, a keyframer node naming no camera or mesh
// object; errorReadFile and errorSeekFile, read and seek failures. A model
// without a camera leaves currentCamera null.
void loadModel(Scene& scene, const char* entryName, ResourceLibrary& library);

// ---------------------------------------------------------------------------
// Mesh preparation

// resolveCorners, computeNormals, computeCentre, assignFaceMaterials.
void prepareMesh(Scene& scene, MeshObject& object);
// prepareMesh for every mesh object in index order, the materials looked up
// by name once for all of them.
void prepareMeshes(Scene& scene);
void resolveCorners(MeshObject& object);
// Unit face and vertex normals from the current positions; a zero-length
// normal (a face without area, a vertex of no face) is (0, 0, 0).
void computeNormals(MeshObject& object);
// The mean of the vertex positions; (0, 0, 0) without vertices.
void computeCentre(MeshObject& object);
// Each face gets the last Material whose name equals its materialName.
void assignFaceMaterials(Scene& scene, MeshObject& object);

// ---------------------------------------------------------------------------
// Keyframer

// The Kochanek-Bartels tangents of every key of a track of three keys or
// more, from the keys' frames, positions and spline parameters; shorter
// tracks keep theirs. The loader prepares every track it reads.
void prepareTangents(Track& track);
float easeParameter(float t, float a, float b);
// Frames after the second-to-last key hold that key's position. A frame that
// no segment holds (before the first key, or any frame of a two-key track)
// gives the first key's position; a track without keys gives (0, 0, 0).
Vec3 evaluateTrack(const Track& track, int32_t frame);
// Sets position and target from tracks[0] and tracks[1]; a track without
// keys leaves its value unchanged. The pointer form ignores a null camera.
void animateCamera(Camera& camera, int32_t frame);
void animateCamera(Camera* camera, int32_t frame);
// currentFrame = frame wrapped by end (loop 1) or clamped at end (loop 0),
// then raised to start. With loop 1 and end 0 it is start.
void setSceneFrame(Scene& scene, int32_t frame);
