// mesh_renderer.cpp: draws a Scene's mesh objects in their drawing paths.
//
// Everything is immediate mode, and the whole material state is set again
// for every object on every call. Vertex positions reach GL as whole numbers
// (truncated toward zero), texture coordinates as byte / 255.
#include "render/render.h"

#include "resources/resources.h"
#include "scene/scene.h"

#include "gl11/gl.h"

float brightness = 1.0f;
int32_t linearFiltering = 0;

DrawPath drawPathFor(DrawMode drawMode)
{
    switch (drawMode) {
    case DrawMode::litWire: return DrawPath::LitWire;
    case DrawMode::flatLit: return DrawPath::FlatLit;
    case DrawMode::texturedLit: return DrawPath::TexturedLit;
    case DrawMode::texturedUnlit: return DrawPath::TexturedUnlit;
    case DrawMode::sphereMapped: return DrawPath::SphereMapped;
    case DrawMode::flatUnlit: return DrawPath::FlatUnlit;
    default: return DrawPath::UnlitWire;
    }
}

static void sendPosition(const Vertex& vertex)
{
    // The conversion truncates toward zero (2.9 -> 2, -2.9 -> -2) and is
    // defined for whatever a model holds: huge values clamp, NaN gives 0.
    glVertex3i(
        truncateToInt(vertex.position.x), truncateToInt(vertex.position.y), truncateToInt(vertex.position.z));
}

static void sendNormal(const Vertex& vertex)
{
    glNormal3d(vertex.normal.x, vertex.normal.y, vertex.normal.z);
}

static void sendTexCoord(const Vertex& vertex)
{
    glTexCoord2f(vertex.u / 255.0f, vertex.v / 255.0f);
}

// The three edges of every face as line segments, one begin/end pair for
// the whole object.
static void drawEdges(const MeshObject& object, bool withNormals)
{
    static const int edgeCorners[6] = {0, 1, 1, 2, 2, 0};
    glBegin(GL_LINES);
    for (int32_t f = 0; f < object.faceCount; f++) {
        const Face& face = object.faces[f];
        for (int corner : edgeCorners) {
            if (withNormals)
                sendNormal(*face.corners[corner]);
            sendPosition(*face.corners[corner]);
        }
    }
    glEnd();
}

// One polygon per face, each corner as normal, texture coordinates when
// asked for, then position.
static void drawPolygons(const MeshObject& object, bool withTexCoords)
{
    for (int32_t f = 0; f < object.faceCount; f++) {
        const Face& face = object.faces[f];
        glBegin(GL_POLYGON);
        for (int corner = 0; corner < 3; corner++) {
            sendNormal(*face.corners[corner]);
            if (withTexCoords)
                sendTexCoord(*face.corners[corner]);
            sendPosition(*face.corners[corner]);
        }
        glEnd();
    }
}

// Switches texturing on with the material's texture bound. A material
// without a texture draws untextured instead.
static void bindMaterialTexture(const Material& material)
{
    if (!material.texture) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, material.texture->name);
}

// The textured paths' draw: texture bound, smooth shading, the polygons,
// texturing off again.
static void drawTexturedPolygons(const MeshObject& object, const Material& material, bool withTexCoords)
{
    bindMaterialTexture(material);
    glShadeModel(GL_SMOOTH);
    drawPolygons(object, withTexCoords);
    glDisable(GL_TEXTURE_2D);
}

static void drawPath(DrawPath path, const MeshObject& object, const Material& material)
{
    switch (path) {
    case DrawPath::UnlitWire:
        glShadeModel(GL_FLAT);
        glDisable(GL_LIGHTING);
        drawEdges(object, false);
        break;
    case DrawPath::LitWire:
        glShadeModel(GL_FLAT);
        glEnable(GL_LIGHTING);
        drawEdges(object, true);
        break;
    case DrawPath::FlatLit:
        glEnable(GL_LIGHTING);
        glShadeModel(GL_FLAT);
        drawPolygons(object, false);
        break;
    case DrawPath::TexturedLit:
    case DrawPath::TexturedUnlit:
        // The texture environment mode is whatever is current: modulate
        // after an upload, decal after a sphere-mapped draw.
        if (path == DrawPath::TexturedLit)
            glEnable(GL_LIGHTING);
        else
            glDisable(GL_LIGHTING);
        drawTexturedPolygons(object, material, true);
        break;
    case DrawPath::SphereMapped:
        // The normals drive the generated coordinates. Decal mode stays
        // set afterwards.
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glDisable(GL_LIGHTING);
        drawTexturedPolygons(object, material, false);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        break;
    case DrawPath::FlatUnlit:
        glDisable(GL_LIGHTING);
        glShadeModel(GL_FLAT);
        drawPolygons(object, false);
        break;
    }
}

static void drawObject(const Camera& camera, const MeshObject& object)
{
    // The push comes before the mode switch: it saves the matrix of whatever
    // mode is current, which inside a frame is already the modelview.
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(camera.position.x, camera.position.y, camera.position.z, camera.target.x, camera.target.y,
        camera.target.z, 0.0, 1.0, camera.up.z);
    // A vertex is translated first, then rotated about Z, Y and X, then scaled.
    glScalef(object.scale.x, object.scale.y, object.scale.z);
    glRotatef(object.rotation.x, 1, 0, 0);
    glRotatef(object.rotation.y, 0, 1, 0);
    glRotatef(object.rotation.z, 0, 0, 1);
    glTranslatef(object.translation.x, object.translation.y, object.translation.z);

    // Acts on the texture bound at this moment, textured object or not.
    GLint filter = linearFiltering == 1 ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);

    // The first face's material decides for the whole object.
    const Material& material = *object.faces[0].material;
    if (material.blend == 1)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);

    DrawPath path = drawPathFor(material.drawMode);
    glColor4f(
        material.red * brightness, material.green * brightness, material.blue * brightness, material.alpha);
    if (object.unlitOverride == 1) {
        path = DrawPath::UnlitWire;
        glColor4f(brightness, brightness, brightness, 1.0f);
    }
    drawPath(path, object, material);
    glPopMatrix();
}

void drawScene(Scene& scene)
{
    if (!scene.currentCamera)
        return;
    // The count is read afresh on every step.
    for (int32_t i = 0; i < scene.meshObjectCount; i++) {
        const MeshObject& object = *scene.meshObjects[i];
        if (!object.visible)
            continue;
        if (object.faceCount < 1 || !object.faces || !object.faces[0].material)
            continue;
        drawObject(*scene.currentCamera, object);
    }
}
