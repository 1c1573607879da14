// Immediate mode for the browser, batched. The GL emulation turns every glBegin/glEnd block
// into a WebGL draw call of its own, and a browser's draw calls are dear: the surface's 3,969
// one-quad blocks would cost 3,969 of them a frame. Here consecutive GL_QUADS blocks are
// gathered and sent as one block, which draws the same triangles in the same order with the
// same vertex values. Every other GL call the program makes passes through a wrapper that first
// sends what is gathered, so nothing is drawn out of order or with other state; the build checks
// that no GL call of the program bypasses these wrappers (tests/web/gl_calls_wrapped.py).
#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

#include "platform/web_internal.h"

// The emulation's own entry points, under the names Emscripten gives them for this purpose.
extern "C" {
void emscripten_glBegin(GLenum mode);
void emscripten_glEnd();
void emscripten_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void emscripten_glColor3f(GLfloat r, GLfloat g, GLfloat b);
void emscripten_glTexCoord2f(GLfloat s, GLfloat t);
void emscripten_glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glClear(GLbitfield mask);
void emscripten_glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void emscripten_glClearDepth(GLclampd depth);
void emscripten_glDepthFunc(GLenum func);
void emscripten_glDisable(GLenum cap);
void emscripten_glEnable(GLenum cap);
void emscripten_glFlush();
void emscripten_glGenTextures(GLsizei n, GLuint* textures);
void emscripten_glGetIntegerv(GLenum name, GLint* values);
const GLubyte* emscripten_glGetString(GLenum name);
void emscripten_glLoadIdentity();
void emscripten_glMatrixMode(GLenum mode);
void emscripten_glPixelStorei(GLenum name, GLint value);
void emscripten_glPopMatrix();
void emscripten_glPushMatrix();
void emscripten_glTexEnvi(GLenum target, GLenum name, GLint value);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);
void emscripten_glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
}

namespace {

constexpr GLenum kOutside = 0xFFFF;  // no glBegin in progress
// Corners per batch: far inside the emulation's 2 MiB of vertex data and 16-bit indices.
constexpr size_t kMaxCorners = 16384;

enum Attribute : uint8_t { kColor = 1, kTexCoord = 2, kNormal = 4 };

struct Corner {
    float x, y, z, r, g, b, s, t, nx, ny, nz;
};

struct Batch {
    std::vector<Corner> corners;  // whole quads waiting to be drawn
    uint8_t attributes = 0;       // what the waiting quads' blocks gave per vertex
    GLenum mode = kOutside;
    bool gathering = false;       // the block in progress is a GL_QUADS block being gathered
    size_t blockStart = 0;        // its first corner
    uint8_t blockAttributes = 0;
    Corner current{0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 1};  // GL's current colour, coordinate, normal
};

Batch& B() {
    static Batch batch;
    return batch;
}

void Draw(const Corner* first, size_t count, uint8_t attributes) {
    if (count == 0) return;
    emscripten_glBegin(GL_QUADS);
    for (const Corner* c = first; c != first + count; ++c) {
        if (attributes & kColor) emscripten_glColor3f(c->r, c->g, c->b);
        if (attributes & kTexCoord) emscripten_glTexCoord2f(c->s, c->t);
        if (attributes & kNormal) emscripten_glNormal3f(c->nx, c->ny, c->nz);
        emscripten_glVertex3f(c->x, c->y, c->z);
    }
    emscripten_glEnd();
}

// Draws the quads gathered before the block in progress, if any.
void DrawGathered(size_t end) {
    Batch& b = B();
    Draw(b.corners.data(), end, b.attributes);
    b.corners.erase(b.corners.begin(), b.corners.begin() + long(end));
    b.blockStart -= end;
}

// What the emulation's current colour and coordinate must be after the gathered blocks, as
// the program set them there.
void SyncCurrent(uint8_t attributes) {
    const Corner& c = B().current;
    if (attributes & kColor) emscripten_glColor3f(c.r, c.g, c.b);
    if (attributes & kTexCoord) emscripten_glTexCoord2f(c.s, c.t);
    if (attributes & kNormal) emscripten_glNormal3f(c.nx, c.ny, c.nz);
}

}  // namespace

namespace platform {

void FlushBatchedQuads() {
    Batch& b = B();
    if (b.corners.empty()) return;
    DrawGathered(b.corners.size());
    SyncCurrent(b.attributes);
    b.attributes = 0;
}

}  // namespace platform

// Every GL call other than gathered immediate mode sends what is gathered first.
extern "C" {

void glBegin(GLenum mode) {
    Batch& b = B();
    b.mode = mode;
    b.gathering = mode == GL_QUADS;
    if (!b.gathering) {
        platform::FlushBatchedQuads();
        emscripten_glBegin(mode);
        return;
    }
    b.blockStart = b.corners.size();
    b.blockAttributes = 0;
}

void glEnd() {
    Batch& b = B();
    const bool gathering = b.gathering;
    b.mode = kOutside;
    b.gathering = false;
    if (!gathering) {
        emscripten_glEnd();
        return;
    }
    // A quad left incomplete draws nothing, in GL as here.
    const size_t whole = b.blockStart + (b.corners.size() - b.blockStart) / 4 * 4;
    b.corners.resize(whole);
    if (whole == b.blockStart) return;
    // Blocks go together only when they give the same attributes for every vertex.
    if (b.blockStart > 0 && b.blockAttributes != b.attributes) DrawGathered(b.blockStart);
    b.attributes = b.blockAttributes;
    if (b.corners.size() >= kMaxCorners) platform::FlushBatchedQuads();
}

void glColor3f(GLfloat r, GLfloat g, GLfloat bl) {
    Batch& b = B();
    if (b.mode == kOutside) platform::FlushBatchedQuads();
    b.current.r = r, b.current.g = g, b.current.b = bl;
    if (b.gathering) b.blockAttributes |= kColor;
    else emscripten_glColor3f(r, g, bl);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    Batch& b = B();
    if (b.mode == kOutside) platform::FlushBatchedQuads();
    b.current.s = s, b.current.t = t;
    if (b.gathering) b.blockAttributes |= kTexCoord;
    else emscripten_glTexCoord2f(s, t);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    Batch& b = B();
    if (b.mode == kOutside) platform::FlushBatchedQuads();
    b.current.nx = x, b.current.ny = y, b.current.nz = z;
    if (b.gathering) b.blockAttributes |= kNormal;
    else emscripten_glNormal3f(x, y, z);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    Batch& b = B();
    if (!b.gathering) {
        emscripten_glVertex3f(x, y, z);
        return;
    }
    Corner c = b.current;
    c.x = x, c.y = y, c.z = z;
    b.corners.push_back(c);
}

void glBindTexture(GLenum target, GLuint texture) {
    platform::FlushBatchedQuads();
    emscripten_glBindTexture(target, texture);
}
void glClear(GLbitfield mask) {
    platform::FlushBatchedQuads();
    emscripten_glClear(mask);
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    platform::FlushBatchedQuads();
    emscripten_glClearColor(r, g, b, a);
}
void glClearDepth(GLclampd depth) {
    platform::FlushBatchedQuads();
    emscripten_glClearDepth(depth);
}
void glDepthFunc(GLenum func) {
    platform::FlushBatchedQuads();
    emscripten_glDepthFunc(func);
}
void glDisable(GLenum cap) {
    platform::FlushBatchedQuads();
    emscripten_glDisable(cap);
}
void glEnable(GLenum cap) {
    platform::FlushBatchedQuads();
    emscripten_glEnable(cap);
}
void glFlush() {
    platform::FlushBatchedQuads();
    emscripten_glFlush();
}
void glGenTextures(GLsizei n, GLuint* textures) {
    platform::FlushBatchedQuads();
    emscripten_glGenTextures(n, textures);
}
void glGetIntegerv(GLenum name, GLint* values) {
    platform::FlushBatchedQuads();
    emscripten_glGetIntegerv(name, values);
}
const GLubyte* glGetString(GLenum name) {
    platform::FlushBatchedQuads();
    return emscripten_glGetString(name);
}
// WebGL always interpolates with perspective and knows no such hint; asking would only log an
// error.
void glHint(GLenum target, GLenum) { (void)target; }
void glLoadIdentity() {
    platform::FlushBatchedQuads();
    emscripten_glLoadIdentity();
}
void glMatrixMode(GLenum mode) {
    platform::FlushBatchedQuads();
    emscripten_glMatrixMode(mode);
}
void glPixelStorei(GLenum name, GLint value) {
    platform::FlushBatchedQuads();
    emscripten_glPixelStorei(name, value);
}
void glPopMatrix() {
    platform::FlushBatchedQuads();
    emscripten_glPopMatrix();
}
void glPushMatrix() {
    platform::FlushBatchedQuads();
    emscripten_glPushMatrix();
}
// The emulation always shades smoothly, which is what the program asks for.
void glShadeModel(GLenum) {}
void glTexEnvi(GLenum target, GLenum name, GLint value) {
    platform::FlushBatchedQuads();
    emscripten_glTexEnvi(target, name, value);
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    platform::FlushBatchedQuads();
    emscripten_glTexImage2D(target, level, internalFormat, width, height, border, format,
                                     type, pixels);
}
void glTexParameteri(GLenum target, GLenum name, GLint value) {
    platform::FlushBatchedQuads();
    emscripten_glTexParameteri(target, name, value);
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    platform::FlushBatchedQuads();
    emscripten_glTranslatef(x, y, z);
}
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    platform::FlushBatchedQuads();
    emscripten_glViewport(x, y, width, height);
}
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    platform::FlushBatchedQuads();
    emscripten_gluPerspective(fovy, aspect, zNear, zFar);
}

}  // extern "C"
