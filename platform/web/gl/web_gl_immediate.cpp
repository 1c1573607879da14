// The page's GL, immediate mode: glBegin/glEnd blocks of quads, triangles, strips and fans
// gathered into the batch as vertices and 16-bit indices (web_gl_internal.h tells the design).
#include <algorithm>

#include "platform/web/gl/web_gl_internal.h"

namespace platform {

// Indexes the triangles of the vertices gathered since it last ran, as each vertex completes one:
// run at the end of a block and before a draw, which keeps glVertex3f to storing its vertex.
void IndexVertices(GlState& s) {
    for (size_t i = s.indexedVertices; i < s.vertexCount; ++i) {
        const size_t n = ++s.blockCount;
        switch (s.mode) {
            case GL_QUADS:
                if (n % 4 == 0) {
                    uint16_t* out = &s.indices[s.indexCount];
                    out[0] = uint16_t(i - 3), out[1] = uint16_t(i - 2), out[2] = uint16_t(i - 1);
                    out[3] = uint16_t(i - 3), out[4] = uint16_t(i - 1), out[5] = uint16_t(i);
                    s.indexCount += 6;
                }
                break;
            case GL_TRIANGLES:
                if (n % 3 == 0) Triangle(s, i - 2, i - 1, i);
                break;
            case GL_TRIANGLE_STRIP:
                if (n >= 3) {
                    // Every other triangle of a strip turns the other way: keep GL's facing.
                    if (s.stripTriangles++ % 2 == 0) Triangle(s, i - 2, i - 1, i);
                    else Triangle(s, i - 1, i - 2, i);
                }
                break;
            case GL_TRIANGLE_FAN:
                if (n >= 3) Triangle(s, s.fanCentre, i - 1, i);
                break;
            default: break;
        }
    }
    s.indexedVertices = s.vertexCount;
}

// A batch full in the middle of a block: draw it, and carry the vertices the block's next
// triangles still need into the new one. Kept out of glVertex3f, whose every call it would
// otherwise slow.
[[gnu::noinline]] void StartNewBatch(GlState& s) {
    IndexVertices(s);
    size_t carried[3];  // the indices of the vertices carried
    size_t count = 0;
    const size_t n = s.vertexCount;
    switch (s.mode) {
        case GL_QUADS: count = s.blockCount % 4; break;
        case GL_TRIANGLES: count = s.blockCount % 3; break;
        case GL_TRIANGLE_STRIP: count = std::min<size_t>(s.blockCount, 2); break;
        case GL_TRIANGLE_FAN:
            if (s.blockCount >= 2) carried[count++] = s.fanCentre;
            if (s.blockCount >= 1) carried[count++] = n - 1;
            break;
        default: break;
    }
    if (s.mode != GL_TRIANGLE_FAN)
        for (size_t i = 0; i < count; ++i) carried[i] = n - count + i;
    Shape shapes[3];
    Color colors[3];
    for (size_t i = 0; i < count; ++i) {
        shapes[i] = s.shapes[carried[i]];
        colors[i] = s.colors[carried[i]];
    }
    const size_t blockCount = s.blockCount, stripTriangles = s.stripTriangles;
    Flush(s);
    std::copy(shapes, shapes + count, s.shapes.get());
    std::copy(colors, colors + count, s.colors.get());
    s.vertexCount = s.indexedVertices = count;
    s.blockCount = s.mode == GL_TRIANGLE_STRIP ? blockCount : count;
    s.stripTriangles = stripTriangles;
}

}  // namespace platform

using platform::currentState;
using platform::GlState;
using platform::kOutside;

extern "C" {

void glBegin(GLenum mode) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (s.mode != kOutside) return platform::SetError(s, GL_INVALID_OPERATION);
    // Points and lines are never drawn by the program; their blocks draw nothing here.
    if (!platform::Drawable(mode)) platform::SetError(s, GL_INVALID_ENUM);
    s.mode = mode;
    s.drawing = platform::Drawable(mode);
    s.blockCount = 0;
    s.stripTriangles = 0;
    s.fanCentre = s.vertexCount;
}

void glEnd() {
    if (!currentState) return;
    GlState& s = *currentState;
    if (s.mode == kOutside) return platform::SetError(s, GL_INVALID_OPERATION);
    platform::IndexVertices(s);
    // Vertices of an unfinished primitive go unused, as in GL.
    size_t unused = 0;
    if (s.mode == GL_QUADS) unused = s.blockCount % 4;
    else if (s.mode == GL_TRIANGLES) unused = s.blockCount % 3;
    else if (s.blockCount < 3) unused = s.blockCount;
    s.vertexCount -= std::min(unused, s.vertexCount);
    s.indexedVertices = s.vertexCount;
    s.mode = kOutside;
    s.drawing = false;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    if (!currentState) return;
    // GL clamps the colour before it is interpolated.
    platform::Color& c = currentState->currentColor;
    c.r = platform::Clamped(r), c.g = platform::Clamped(g), c.b = platform::Clamped(b);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    if (!currentState) return;
    currentState->currentS = s, currentState->currentT = t;
}

// Lighting is never on: a normal changes nothing drawn.
void glNormal3f(GLfloat, GLfloat, GLfloat) {}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (!s.drawing) return;
    if (s.vertexCount == platform::kMaxVertices) platform::StartNewBatch(s);
    const size_t i = s.vertexCount++;
    s.shapes[i] = {x, y, z, s.currentS, s.currentT};
    s.colors[i] = s.currentColor;
}

}  // extern "C"
