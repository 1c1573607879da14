// The GLU routines and client attribute stack that the browser build's own GL lacks, made
// only of GL 1.1 calls that it and Mesa both have. Nothing here carries a GLU or GL
// name: web_glu_entry.cpp gives the browser build those names, and the Linux tests link
// this file beside the real libGLU to compare the two.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

namespace webglu {

// GLU's own bound on slices and stacks: its sphere never draws more than 239 of either, so a
// hostile count costs at most 240 strips of 480 vertices.
constexpr GLint MAX_SPHERE_DIVISIONS = 239;

// What gluNewQuadric starts with: filled, smooth normals, no texture coordinates, facing out.
struct Quadric {
    GLenum drawStyle = GLU_FILL;  // only fill is drawn; other styles are refused
    GLenum normals = GLU_SMOOTH;
    bool textureCoords = false;
    GLenum orientation = GLU_OUTSIDE;
    // The last error, where GLU would call the quadric's error callback (which we do not keep):
    // GLU_INVALID_ENUM for a setting it does not know, GLU_INVALID_VALUE for a bad sphere.
    GLenum error = 0;
};

// The setters leave the quadric as it was when given a value they do not know.
void SetNormals(Quadric& quadric, GLenum normals);
void SetTextureCoords(Quadric& quadric, GLboolean on);
void SetDrawStyle(Quadric& quadric, GLenum style);
void SetOrientation(Quadric& quadric, GLenum orientation);

// GLU's filled sphere: the same vertices with the same normals and texture coordinates, as the
// same triangles facing the same way as Mesa draws GLU's quad strips, sent as triangle strips
// and fans (the browser build's GL draws no quad strips), so smooth shading gives Mesa's pixels. Every
// vertex carries its normal and texture coordinate, as the browser build's GL once needed; where GLU's flat
// normals would leave the caller's current normal, the first face's normal stands in. Under
// glShadeModel(GL_FLAT), which the browser build's GL ignores, one triangle of each quad would take its
// colour from another vertex than GL's quad does.
// Counts above MAX_SPHERE_DIVISIONS are lowered to it, as GLU does. Fewer than 2 slices or 1
// stack, and a radius that is negative, NaN or beyond float's range, draw nothing and set the
// error to GLU_INVALID_VALUE (GLU would draw NaN or infinite vertices for the last two).
void DrawSphere(Quadric& quadric, GLdouble radius, GLint slices, GLint stacks);

// gluBuild2DMipmaps for 8-bit images in the WebGL formats (GL_ALPHA, GL_LUMINANCE,
// GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA): sides that are not powers of two are rescaled to the
// power of two GLU chooses with its box filter, both sides are halved together until they fit
// GL_MAX_TEXTURE_SIZE, then every level down to 1 x 1 is made with GLU's 2 x 2 box filter and
// uploaded with glTexImage2D. Input rows follow GL_UNPACK_ALIGNMENT; GL_UNPACK_ROW_LENGTH and the
// skips are taken as 0, since WebGL 1 has none of them.
// WebGL wants the internal format to equal the format, so a component count of 1 to 4 (or the
// format itself) is passed as the format; any other internal format is passed on unchanged.
// The levels are Mesa's GLU's byte for byte, except where it goes wrong (web_glu_mipmaps.cpp
// says how): its first self-made level uploaded under the caller's alignment, a black last row when a
// height is kept while the width is rescaled, and drifting box columns past GL_MAX_TEXTURE_SIZE.
// Returns 0, or GLU_INVALID_ENUM for another format or type, GLU_INVALID_VALUE for a side below
// 1 or no data, GLU_OUT_OF_MEMORY when the image or the scratch copy cannot be held in memory.
// GL_UNPACK_ALIGNMENT is as it was on return.
GLint Build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                     GLenum type, const void* data);

// glPushClientAttrib and glPopClientAttrib for GL_CLIENT_PIXEL_STORE_BIT: the unpack and pack
// alignments, the only pixel storage WebGL 1 shares with GL. Other bits are accepted and saved
// nothing. The stack is CLIENT_STACK_DEPTH deep; pushes beyond it save nothing and are matched by
// pops that restore nothing, so the outer entries still come back in order; a pop on an empty
// stack does nothing.
constexpr int CLIENT_STACK_DEPTH = 16;
void PushClientAttrib(GLbitfield mask);
void PopClientAttrib();

}  // namespace webglu
