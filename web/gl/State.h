// The page's GL layer: the fixed-function OpenGL 1.x subset the scene calls, drawn through WebGL 2.
// This is the state its entry points share; each concern has its file:
//
//   Transforms.cpp  the matrix stacks, glTranslate/Rotate/Scale/MultMatrix, gluPerspective, gluLookAt
//   Lights.cpp      material, light 0, the light model, and colour material as Mesa applies it
//   Immediate.cpp   glBegin/glEnd and the current vertex attributes: each vertex transformed and lit
//                   on the CPU when sent, then the primitive assembled (Assembly.cpp, Culling.cpp)
//   Textures.cpp    uploads through the texture cache, forgotten when the image's buffer is freed
//   Frame.cpp       the capabilities and draw state, clearing, reading back, and the draws
//                   batched for the page (gl/Bridge.h)
//
// The GL-free maths (Matrix.h, Lighting, Assembly, TextureCache) is unit-tested natively. The
// page's one shader only interpolates colour and the projective texture coordinates (s, t, q,
// divided per fragment) and modulates by the texture.
//
// Not here: display lists, texture objects (every glTexImage2D is the default texture, as in the
// scene), mipmaps, texture environments other than GL_MODULATE, more than one light, two-sided
// lighting, fog, stencil, wide lines and points. Calls with other arguments than the scene's are
// ignored.
#pragma once

#include <GL/gl.h>

#include <vector>

#include "gl/Assembly.h"
#include "gl/Bridge.h"
#include "gl/Lighting.h"
#include "gl/MatrixStack.h"

static_assert(static_cast<GLenum>(Primitive::Points) == GL_POINTS && static_cast<GLenum>(Primitive::LineStrip) == GL_LINE_STRIP &&
                  static_cast<GLenum>(Primitive::TriangleFan) == GL_TRIANGLE_FAN &&
                  static_cast<GLenum>(Primitive::Polygon) == GL_POLYGON,
              "glBegin's mode is passed to the assembly as it is");
static_assert(static_cast<GLenum>(PolygonMode::Point) == GL_POINT && static_cast<GLenum>(PolygonMode::Fill) == GL_FILL &&
                  static_cast<GLenum>(CullFace::Front) == GL_FRONT && static_cast<GLenum>(CullFace::FrontAndBack) == GL_FRONT_AND_BACK &&
                  static_cast<GLenum>(Drawn::Lines) == GL_LINES && static_cast<GLenum>(Drawn::Triangles) == GL_TRIANGLES,
              "polygon modes, cull faces and drawn modes are GL's enumerants");

// One vertex after transformation and lighting.
struct Processed {
    Colour colour;
    Vec4f tex;
};

struct State {
    MatrixStack modelview, projection;
    GLenum matrixMode = GL_MODELVIEW;

    bool lighting = false, colourMaterial = false, normalize = false;
    bool texture2D = false, blend = false, depthTest = false;
    bool flat = false; // glShadeModel(GL_FLAT)
    Rasterisation rasterisation;
    GLenum blendSrc = GL_ONE, blendDst = GL_ZERO, depthFunc = GL_LESS;
    GLint minFilter = GL_LINEAR, magFilter = GL_LINEAR;
    GLint unpackAlignment = 4, packAlignment = 4;
    Colour clearColour{0, 0, 0, 0};

    Material material;
    Light light0;
    LightModel lightModel;

    Colour colour{1, 1, 1, 1};
    Vec3f normal{0, 0, 1};
    Vec4f tex{0, 0, 0, 1};

    int texture = 0; // page texture of the last upload; 0 for none or an empty image

    // Between glBegin and glEnd: the matrices current at glBegin and each vertex so far.
    GLenum mode = 0;
    bool inside = false;
    Mat4f beginModelview = Mat4f::identity(), beginMvp = Mat4f::identity();
    glmath::Mat3<float> beginNormal{};
    std::vector<Vec4f> clip;
    std::vector<Processed> vertices;
    std::vector<Shape> shapes;
};

State& gl();

// Adds a vertex at clip with colour to the page's batch, drawn first when kind or the draw state
// differ from the batch's. (Frame.cpp)
void emit(Drawn kind, const Vec4f& clip, const Colour& colour, const Vec4f& tex);
