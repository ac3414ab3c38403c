// render.h: the rendering subsystem.
//
// The mesh renderer draws a Scene's visible mesh objects through its current
// camera, each object whole in one of seven drawing paths that the DrawMode
// of its first face's material selects. The overlays draw a Texture as a
// quad straight onto the screen, and setLightPosition places and switches on
// a light. The initial GL state and the projection the renderer relies on
// are set here too, for the shell to call at start and on every reshape.
//
// Each operation sets the GL switches it needs and restores only some of
// them; what it leaves on (texturing after a screen quad, blending, the decal
// texture mode after a sphere-mapped draw, dithering off after a faded quad)
// shows in whatever is drawn next, and the scene scripts count on it.
#pragma once

#include <cstdint>

struct Scene;
struct Texture;
enum class DrawMode : int32_t;

// ---------------------------------------------------------------------------
// Settings read by the renderer

// Multiplies the red, green and blue of every material colour (never its
// alpha); the grey level of the unlit override. 1.0 at start. Values above
// 1.0 reach GL unchanged.
extern float brightness;

// 1: mesh textures are drawn with linear magnification and minification
// filters; any other value: nearest. 0 at start; the 'b' key toggles it.
extern int32_t linearFiltering;

// ---------------------------------------------------------------------------
// Drawing paths

enum class DrawPath {
    UnlitWire,      // lines, no lighting, flat
    LitWire,        // lines with normals, lit, flat
    FlatLit,        // polygons, lit, flat
    TexturedLit,    // polygons, lit, smooth, the material's texture
    TexturedUnlit,  // polygons, unlit, smooth, the material's texture
    SphereMapped,   // polygons, unlit, smooth, sphere-mapped texture in decal mode
    FlatUnlit,      // polygons, unlit, flat
};

// The path a Material's DrawMode (scene.h) selects: unlitWire, litWire,
// flatLit, texturedLit, texturedUnlit, sphereMapped and flatUnlit their own;
// every other value, whatever a record holds, UnlitWire.
DrawPath drawPathFor(DrawMode drawMode);

// ---------------------------------------------------------------------------
// Drawing

// Draws every visible mesh object of the scene through its current camera.
// Clears nothing, sets no light or fog. Objects without faces or whose first
// face has no material are skipped; a scene without a camera draws nothing.
void drawScene(Scene& scene);

// Draws the texture opaque over the view, a quad of the given half-size at
// depth 287 in front of the eye (320 x 240 fills the 640 x 480 screen).
// Leaves texturing on with the texture bound.
void drawScreenQuad(const Texture& texture, int32_t halfWidth, int32_t halfHeight);

// Draws the texture blended: texel x alpha + destination x texel. Leaves
// blending and texturing on, dithering off.
void drawFadedQuad(const Texture& texture, int32_t halfWidth, int32_t halfHeight, float alpha);

// Sets the position of light `index` (through the current modelview matrix;
// w = 0 makes it directional) and switches the light on.
void setLightPosition(int32_t index, float x, float y, float z, float w);

// ---------------------------------------------------------------------------
// GL state for the shell

// The initial GL state: depth test, line width 1, an 80 degree perspective of
// aspect 1 on the current projection matrix, white specular reflectance of
// shininess 110, colour material for ambient and diffuse, lighting, back-face
// culling with clockwise front faces, black clear colour. The projection
// matrix is left current.
void setInitialGlState();

// The projection and viewport for a window of the given size: an 80 degree
// perspective of aspect width / height (a height of 0 is taken as 1). The
// projection matrix is left current.
void setProjection(int32_t width, int32_t height);
