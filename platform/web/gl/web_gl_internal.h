// OpenGL 1.1 in the browser: the fixed-function subset the program draws with (two matrix
// stacks with gluPerspective, texture objects with MODULATE by the vertex colour, immediate-mode
// quads, triangle strips and fans, depth test, clear), made of one small WebGL 1 shader pair.
// Immediate mode is gathered in wasm memory, vertices and indices, and sent as one upload and
// one draw per batch; a batch ends only where the state a draw sees changes (the matrices, the
// texture, an enable), so the surface is one draw and the sphere another. Each batch after a
// clear has buffers of its own, one for its positions and texture coordinates, one for its
// colours and one for its indices, and only a buffer whose contents differ from those of the
// batch drawn in its place after the previous clear is sent again: nothing of the sphere, only
// the surface's colours when the light moves, in place (the buffer keeps its size). A batch whose
// colours are all grey (the surface's shades) sends one float a vertex, the exact shade, which
// the vertex shader spreads to the three channels.
// Every GL call of a frame's vertices costs a few stores here, nothing more: a block's triangles
// are indexed at its glEnd (or before a draw), in one loop. Everything a context holds is also
// kept here (the textures' images included), so a lost context can be made again as it was
// (RestoreGlObjects). The build checks that every GL call of the program ends here
// (tests/web/gl_calls_wrapped.py) rather than in Emscripten's WebGL bindings of the same names.
//
// This header holds what the page's GL files share: the records a context keeps (GlState) and
// the helpers more than one file calls. web_gl_batches.cpp sends and draws the gathered
// batches, web_gl_immediate.cpp gathers glBegin/glEnd blocks into them, web_gl_matrices.cpp
// keeps the matrix stacks, web_gl_state.cpp the enables, clears, pixel store and questions,
// web_gl_textures.cpp the texture objects and their images, and web_gl_context.cpp makes a
// context's WebGL objects, loses them and makes them again.
#ifndef QUORVANE_PLATFORM_WEB_GL_WEB_GL_INTERNAL_H
#define QUORVANE_PLATFORM_WEB_GL_WEB_GL_INTERNAL_H

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/web/web_internal.h"

// Emscripten's WebGL bindings, under the names that leave the GL names to this file.
extern "C" {
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const char* name);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void emscripten_glBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data);
void emscripten_glClear(GLbitfield mask);
void emscripten_glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void emscripten_glClearDepthf(GLfloat depth);
void emscripten_glCompileShader(GLuint shader);
GLuint emscripten_glCreateProgram();
GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glDeleteShader(GLuint shader);
void emscripten_glDepthFunc(GLenum func);
void emscripten_glDisable(GLenum cap);
void emscripten_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* offset);
void emscripten_glEnable(GLenum cap);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glGenBuffers(GLsizei n, GLuint* buffers);
void emscripten_glGenTextures(GLsizei n, GLuint* textures);
void emscripten_glGetIntegerv(GLenum name, GLint* values);
GLint emscripten_glGetUniformLocation(GLuint program, const char* name);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glPixelStorei(GLenum name, GLint value);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const char* const* sources,
                               const GLint* lengths);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);
void emscripten_glUniform1f(GLint location, GLfloat value);
void emscripten_glUniform1i(GLint location, GLint value);
void emscripten_glUniformMatrix4fv(GLint location, GLsizei count, GLboolean transpose,
                                   const GLfloat* value);
void emscripten_glUseProgram(GLuint program);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* offset);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
}

namespace platform {

constexpr GLenum kOutside = 0xFFFF;  // no glBegin in progress
constexpr GLenum kArrayBuffer = 0x8892, kElementArrayBuffer = 0x8893, kDynamicDraw = 0x88E8;
constexpr GLenum kVertexShader = 0x8B31, kFragmentShader = 0x8B30;
// Vertices per batch: its indices are 16-bit. Each vertex makes at most one triangle more.
constexpr size_t kMaxVertices = 65536;
constexpr size_t kMaxIndices = 3 * kMaxVertices;
// The batches after a clear that keep buffers of their own; any further ones share the last.
constexpr size_t kKeptBatches = 4;
constexpr int kStackDepth = 32;
// What a context answers for GL_MAX_TEXTURE_SIZE when it cannot be asked (it was lost as it
// was made): less than any browser's WebGL offers.
constexpr GLint kAssumedMaxTextureSize = 2048;

// A vertex apart from its colour, and its colour: gathered, kept and sent apart.
struct Shape {
    float x, y, z, s, t;
};

struct Color {
    float r, g, b;
};

// 64 bytes at a time (wasm SIMD): the C library's memcmp goes byte by byte.
inline bool SameBytes(const void* a, const void* b, size_t n) {
    const auto* p = static_cast<const uint8_t*>(a);
    const auto* q = static_cast<const uint8_t*>(b);
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        uint64_t x[8], y[8];
        std::memcpy(x, p + i, sizeof x);
        std::memcpy(y, q + i, sizeof y);
        uint64_t differ = 0;
        for (int k = 0; k < 8; ++k) differ |= x[k] ^ y[k];
        if (differ) return false;
    }
    return std::memcmp(p + i, q + i, n - i) == 0;
}

// One WebGL buffer of a batch's place and a copy of what it holds.
struct KeptBuffer {
    GLuint buffer = 0;
    std::vector<uint8_t> bytes;  // its capacity stays: nothing is allocated per frame
};

// A batch's place after a clear: its buffers of shapes, colours and indices.
struct KeptBatch {
    KeptBuffer shapes, colors, indices;
    bool grey = false;  // its colours are one float a vertex
};

struct TextureLevel {
    GLsizei width = 0, height = 0;
    GLenum format = GL_RGB;
    GLint alignment = 4;
    std::vector<uint8_t> bytes;  // as the program gave them, rows at that alignment
};

struct Texture {
    GLuint webgl = 0;
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR, magFilter = GL_LINEAR;
    GLint wrapS = GL_REPEAT, wrapT = GL_REPEAT;
    std::vector<TextureLevel> levels;
};

struct Matrix {
    float m[16];
};

constexpr Matrix kIdentity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// a = a * b, column-major as GL keeps them.
inline void Multiply(Matrix& a, const Matrix& b) {
    Matrix r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            r.m[c * 4 + row] = a.m[row] * b.m[c * 4] + a.m[4 + row] * b.m[c * 4 + 1] +
                               a.m[8 + row] * b.m[c * 4 + 2] + a.m[12 + row] * b.m[c * 4 + 3];
    a = r;
}

struct MatrixStack {
    Matrix entries[kStackDepth] = {kIdentity};
    int top = 0;
    Matrix& Current() { return entries[top]; }
};

struct GlState {
    bool lost = false;  // the WebGL objects are gone; calls change only what is kept here
    GLint maxTextureSize = kAssumedMaxTextureSize;

    // The WebGL objects, made again after a loss (the batches' buffers as they are drawn).
    GLuint program = 0;
    KeptBatch kept[kKeptBatches];
    size_t batchesSinceClear = 0;
    const KeptBatch* boundBatch = nullptr;  // whose buffers the attributes read
    bool boundGrey = false;                 // and in which form they read its colours
    GLuint boundArrayBuffer = 0;
    GLint matrixLocation = -1, texturingLocation = -1, greyLocation = -1;
    // What the program's uniforms were last given, so that unchanged values are not sent.
    Matrix sentMatrix{};
    float sentTexturing = -1, sentGrey = -1;
    bool matrixSent = false;

    // GL's state.
    MatrixStack modelview, projection;
    GLenum matrixMode = GL_MODELVIEW;
    bool matrixDirty = true;
    Matrix combined = kIdentity;  // projection * modelview
    std::vector<Texture> textures;  // texture name n is entry n - 1
    GLuint boundTexture = 0;
    bool texture2d = false, depthTest = false;
    GLenum depthFunc = GL_LESS;
    float clearColor[4] = {0, 0, 0, 0};
    float clearDepth = 1;
    GLint viewport[4] = {0, 0, 0, 0};
    bool viewportSet = false;
    GLint unpackAlignment = 4, packAlignment = 4;
    GLenum error = GL_NO_ERROR;  // the first error since it was last read (kept, never asked)

    // Immediate mode: the batch in fixed arrays, with their counts.
    GLenum mode = kOutside;
    bool drawing = false;   // in a glBegin block of a mode that is drawn
    size_t blockCount = 0;  // vertices given since glBegin, with those carried into a new batch
    size_t stripTriangles = 0;
    size_t fanCentre = 0;
    Color currentColor{1, 1, 1};
    float currentS = 0, currentT = 0;
    std::unique_ptr<Shape[]> shapes{new Shape[kMaxVertices]};
    std::unique_ptr<Color[]> colors{new Color[kMaxVertices]};
    std::unique_ptr<float[]> greys{new float[kMaxVertices]};  // a grey batch's colours as sent
    std::unique_ptr<uint16_t[]> indices{new uint16_t[kMaxIndices]};
    size_t vertexCount = 0, indexCount = 0;
    size_t indexedVertices = 0;  // the batch's first vertices, whose triangles are indexed
};

// The context current, whose state the GL calls change (web_gl_context.cpp).
extern GlState* currentState;

inline void SetError(GlState& s, GLenum error) {
    if (s.error == GL_NO_ERROR) s.error = error;
}

inline MatrixStack& Stack(GlState& s) {
    return s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
}

// Batches (web_gl_batches.cpp).
void Flush(GlState& s);

// Immediate mode (web_gl_immediate.cpp).
inline void Triangle(GlState& s, size_t a, size_t b, size_t c) {
    uint16_t* out = &s.indices[s.indexCount];
    out[0] = uint16_t(a);
    out[1] = uint16_t(b);
    out[2] = uint16_t(c);
    s.indexCount += 3;
}

void StartNewBatch(GlState& s);
void IndexVertices(GlState& s);

// State (web_gl_state.cpp).
void SetCap(GLenum cap, bool on);
void SetEnabled(GLenum cap, bool on);

inline float Clamped(float value) { return value > 0 ? (value < 1 ? value : 1) : 0; }

inline bool Drawable(GLenum mode) {
    return mode == GL_QUADS || mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP ||
           mode == GL_TRIANGLE_FAN;
}

// Textures (web_gl_textures.cpp).
inline Texture* Bound(GlState& s) {
    return s.boundTexture ? &s.textures[s.boundTexture - 1] : nullptr;
}
void UploadLevel(GLint level, const TextureLevel& l);
// Makes a texture's WebGL object with its parameters and images; leaves it bound.
void MakeTexture(Texture& t);

}  // namespace platform

#endif  // QUORVANE_PLATFORM_WEB_GL_WEB_GL_INTERNAL_H
