// OpenGL 1.1 in the browser: the fixed-function subset the program draws with (two matrix
// stacks with gluPerspective, texture objects with MODULATE by the vertex colour, immediate-mode
// quads, triangle strips and fans, depth test, clear), made of one small WebGL 1 shader pair.
// Immediate mode is gathered in wasm memory, vertices and indices, and sent as one upload and
// one draw per batch; a batch ends only where the state a draw sees changes (the matrices, the
// texture, an enable), so the surface is one draw and the sphere another. Each batch after a
// clear has buffers of its own, and one equal to the batch drawn in its place after the previous
// clear is not sent again (the sphere every frame, the surface while the light stands still).
// Every GL call of a frame's vertices costs a few stores here, nothing more. Everything a context
// holds is also kept here (the textures' images included), so a lost context can be made again
// as it was (RestoreGlObjects). The build checks that every GL call of the program ends here
// (tests/web/gl_calls_wrapped.py) rather than in Emscripten's WebGL bindings of the same names.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
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
namespace {

constexpr GLenum kOutside = 0xFFFF;  // no glBegin in progress
constexpr GLenum kArrayBuffer = 0x8892, kElementArrayBuffer = 0x8893, kStreamDraw = 0x88E0;
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

const char* const kVertexSource = R"(
attribute vec3 position;
attribute vec3 color;
attribute vec2 texCoord;
uniform mat4 matrix;
varying vec3 vColor;
varying vec2 vTexCoord;
void main() {
  vColor = color;
  vTexCoord = texCoord;
  gl_Position = matrix * vec4(position, 1.0);
})";

// Texture coordinates reach ten repeats across the surface: medium precision would lose texels.
const char* const kFragmentSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D image;
uniform float texturing;
varying vec3 vColor;
varying vec2 vTexCoord;
void main() {
  vec4 color = vec4(vColor, 1.0);
  if (texturing > 0.5) color *= texture2D(image, vTexCoord);
  gl_FragColor = color;
})";

struct Vertex {
    float x, y, z, r, g, b, s, t;
};

// 64 bytes at a time (wasm SIMD): the C library's memcmp goes byte by byte.
bool SameBytes(const void* a, const void* b, size_t n) {
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

// A batch's place after a clear: its WebGL buffers and a copy of what they hold.
struct KeptBatch {
    GLuint vertexBuffer = 0, indexBuffer = 0;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;

    // Whether the buffers already hold these, and if not, that they will.
    template <typename T>
    static bool Holds(std::vector<T>& kept, const T* data, size_t n) {
        if (kept.size() == n && SameBytes(kept.data(), data, n * sizeof(T))) return true;
        kept.assign(data, data + n);  // its capacity stays: nothing is allocated per frame
        return false;
    }
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
void Multiply(Matrix& a, const Matrix& b) {
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

}  // namespace

struct GlState {
    bool lost = false;  // the WebGL objects are gone; calls change only what is kept here
    GLint maxTextureSize = kAssumedMaxTextureSize;

    // The WebGL objects, made again after a loss (the batches' buffers as they are drawn).
    GLuint program = 0;
    KeptBatch kept[kKeptBatches];
    size_t batchesSinceClear = 0;
    const KeptBatch* boundBatch = nullptr;  // whose buffers the attributes read
    GLint matrixLocation = -1, texturingLocation = -1;
    // What the program's uniforms were last given, so that unchanged values are not sent.
    Matrix sentMatrix{};
    float sentTexturing = -1;
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
    Vertex current{0, 0, 0, 1, 1, 1, 0, 0};
    std::unique_ptr<Vertex[]> vertices{new Vertex[kMaxVertices]};
    std::unique_ptr<uint16_t[]> indices{new uint16_t[kMaxIndices]};
    size_t vertexCount = 0, indexCount = 0;
};

namespace {

GlState* currentState = nullptr;

void SetError(GlState& s, GLenum error) {
    if (s.error == GL_NO_ERROR) s.error = error;
}

MatrixStack& Stack(GlState& s) {
    return s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
}

GLuint Shader(GLenum type, const char* source) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    return shader;
}

size_t Components(GLenum format) {
    switch (format) {
        case GL_ALPHA:
        case GL_LUMINANCE: return 1;
        case GL_LUMINANCE_ALPHA: return 2;
        case GL_RGB: return 3;
        case GL_RGBA: return 4;
        default: return 0;
    }
}

void UploadLevel(GLint level, const TextureLevel& l) {
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, l.alignment);
    emscripten_glTexImage2D(GL_TEXTURE_2D, level, GLint(l.format), l.width, l.height, 0, l.format,
                            GL_UNSIGNED_BYTE, l.bytes.empty() ? nullptr : l.bytes.data());
}

// Makes a texture's WebGL object with its parameters and images; leaves it bound.
void MakeTexture(Texture& t) {
    emscripten_glGenTextures(1, &t.webgl);
    emscripten_glBindTexture(GL_TEXTURE_2D, t.webgl);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, t.minFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, t.magFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, t.wrapS);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t.wrapT);
    for (size_t level = 0; level < t.levels.size(); ++level)
        if (t.levels[level].width > 0) UploadLevel(GLint(level), t.levels[level]);
}

void SetCap(GLenum cap, bool on) {
    if (on) emscripten_glEnable(cap);
    else emscripten_glDisable(cap);
}

// Makes every WebGL object and state of the context from what is kept, in the context current.
void MakeWebGlObjects(GlState& s) {
    GLint maxSize = 0;
    emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (maxSize > 0) s.maxTextureSize = maxSize;

    s.program = emscripten_glCreateProgram();
    const GLuint vertexShader = Shader(kVertexShader, kVertexSource);
    const GLuint fragmentShader = Shader(kFragmentShader, kFragmentSource);
    emscripten_glAttachShader(s.program, vertexShader);
    emscripten_glAttachShader(s.program, fragmentShader);
    emscripten_glBindAttribLocation(s.program, 0, "position");
    emscripten_glBindAttribLocation(s.program, 1, "color");
    emscripten_glBindAttribLocation(s.program, 2, "texCoord");
    emscripten_glLinkProgram(s.program);
    emscripten_glDeleteShader(vertexShader);  // they go with the program
    emscripten_glDeleteShader(fragmentShader);
    emscripten_glUseProgram(s.program);
    s.matrixLocation = emscripten_glGetUniformLocation(s.program, "matrix");
    s.texturingLocation = emscripten_glGetUniformLocation(s.program, "texturing");
    emscripten_glUniform1i(emscripten_glGetUniformLocation(s.program, "image"), 0);
    s.matrixSent = false;
    s.sentTexturing = -1;

    // The attributes read the buffers of the batch being drawn (BindBatch).
    for (GLuint i = 0; i < 3; ++i) emscripten_glEnableVertexAttribArray(i);

    for (Texture& t : s.textures) MakeTexture(t);
    emscripten_glBindTexture(GL_TEXTURE_2D,
                             s.boundTexture ? s.textures[s.boundTexture - 1].webgl : 0);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, s.unpackAlignment);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, s.packAlignment);
    SetCap(GL_DEPTH_TEST, s.depthTest);
    emscripten_glDepthFunc(s.depthFunc);
    emscripten_glClearColor(s.clearColor[0], s.clearColor[1], s.clearColor[2], s.clearColor[3]);
    emscripten_glClearDepthf(s.clearDepth);
    if (s.viewportSet) emscripten_glViewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
}

void SendUniforms(GlState& s) {
    if (s.matrixDirty) {
        s.combined = s.projection.Current();
        Multiply(s.combined, s.modelview.Current());
        s.matrixDirty = false;
    }
    if (!s.matrixSent || std::memcmp(&s.combined, &s.sentMatrix, sizeof(Matrix)) != 0) {
        emscripten_glUniformMatrix4fv(s.matrixLocation, 1, GL_FALSE, s.combined.m);
        s.sentMatrix = s.combined;
        s.matrixSent = true;
    }
    const float texturing = s.texture2d ? 1.0f : 0.0f;
    if (texturing != s.sentTexturing) {
        emscripten_glUniform1f(s.texturingLocation, texturing);
        s.sentTexturing = texturing;
    }
}

// The attributes read this batch's buffers, which stay bound until another batch is drawn.
void BindBatch(GlState& s, const KeptBatch& k) {
    if (s.boundBatch == &k) return;
    emscripten_glBindBuffer(kArrayBuffer, k.vertexBuffer);
    emscripten_glBindBuffer(kElementArrayBuffer, k.indexBuffer);
    const GLsizei stride = sizeof(Vertex);
    emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    emscripten_glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(Vertex, r)));
    emscripten_glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(Vertex, s)));
    s.boundBatch = &k;
}

// Draws what is gathered with one draw, from the buffers of the batch's place since the clear:
// what they already hold is not sent again.
void Flush(GlState& s) {
    if (s.indexCount > 0 && !s.lost) {
        SendUniforms(s);
        KeptBatch& k = s.kept[std::min(s.batchesSinceClear++, kKeptBatches - 1)];
        if (!k.vertexBuffer) {
            emscripten_glGenBuffers(1, &k.vertexBuffer);
            emscripten_glGenBuffers(1, &k.indexBuffer);
        }
        BindBatch(s, k);
        if (!KeptBatch::Holds(k.vertices, s.vertices.get(), s.vertexCount))
            emscripten_glBufferData(kArrayBuffer, GLsizeiptr(s.vertexCount * sizeof(Vertex)),
                                    s.vertices.get(), kStreamDraw);
        if (!KeptBatch::Holds(k.indices, s.indices.get(), s.indexCount))
            emscripten_glBufferData(kElementArrayBuffer,
                                    GLsizeiptr(s.indexCount * sizeof(uint16_t)), s.indices.get(),
                                    kStreamDraw);
        emscripten_glDrawElements(GL_TRIANGLES, GLsizei(s.indexCount), GL_UNSIGNED_SHORT,
                                  nullptr);
    }
    s.vertexCount = s.indexCount = 0;
    // A state change inside a block (which GL refuses) starts its primitives afresh.
    s.blockCount = s.stripTriangles = s.fanCentre = 0;
}

void Triangle(GlState& s, size_t a, size_t b, size_t c) {
    uint16_t* out = &s.indices[s.indexCount];
    out[0] = uint16_t(a);
    out[1] = uint16_t(b);
    out[2] = uint16_t(c);
    s.indexCount += 3;
}

// A batch full in the middle of a block: draw it, and carry the vertices the block's next
// triangles still need into the new one. Kept out of glVertex3f, whose every call it would
// otherwise slow.
[[gnu::noinline]] void StartNewBatch(GlState& s) {
    Vertex carried[3];
    size_t count = 0;
    const size_t n = s.vertexCount;
    switch (s.mode) {
        case GL_QUADS: count = s.blockCount % 4; break;
        case GL_TRIANGLES: count = s.blockCount % 3; break;
        case GL_TRIANGLE_STRIP: count = std::min<size_t>(s.blockCount, 2); break;
        case GL_TRIANGLE_FAN:
            if (s.blockCount >= 2) carried[count++] = s.vertices[s.fanCentre];
            if (s.blockCount >= 1) carried[count++] = s.vertices[n - 1];
            break;
        default: break;
    }
    if (s.mode != GL_TRIANGLE_FAN)
        for (size_t i = 0; i < count; ++i) carried[i] = s.vertices[n - count + i];
    const size_t blockCount = s.blockCount, stripTriangles = s.stripTriangles;
    Flush(s);
    std::copy(carried, carried + count, s.vertices.get());
    s.vertexCount = count;
    s.blockCount = s.mode == GL_TRIANGLE_STRIP ? blockCount : count;
    s.stripTriangles = stripTriangles;
}

float Clamped(float value) { return value > 0 ? (value < 1 ? value : 1) : 0; }

bool Drawable(GLenum mode) {
    return mode == GL_QUADS || mode == GL_TRIANGLES || mode == GL_TRIANGLE_STRIP ||
           mode == GL_TRIANGLE_FAN;
}

Texture* Bound(GlState& s) {
    return s.boundTexture ? &s.textures[s.boundTexture - 1] : nullptr;
}

void SetEnabled(GLenum cap, bool on) {
    if (!currentState) return;
    GlState& s = *currentState;
    bool* flag = cap == GL_TEXTURE_2D ? &s.texture2d : cap == GL_DEPTH_TEST ? &s.depthTest : nullptr;
    if (!flag) return SetError(s, GL_INVALID_ENUM);
    if (*flag == on) return;
    Flush(s);
    *flag = on;
    if (cap == GL_DEPTH_TEST && !s.lost) SetCap(GL_DEPTH_TEST, on);
}

}  // namespace

GlState* NewGlState(bool lost) {
    auto* s = new GlState();
    // A context lost as it was made has no objects to make (some browsers answer null for
    // every one): they are made when it is restored.
    s->lost = lost;
    if (!lost) MakeWebGlObjects(*s);
    return s;
}

void DeleteGlState(GlState* state) {
    if (currentState == state) currentState = nullptr;
    delete state;
}

void UseGlState(GlState* state) {
    if (currentState && currentState != state) Flush(*currentState);
    currentState = state;
}

void FlushGl() {
    if (currentState) Flush(*currentState);
}

void LoseGlObjects(GlState& s) {
    s.lost = true;
    s.vertexCount = s.indexCount = 0;
    s.program = 0;
    for (KeptBatch& k : s.kept) k = KeptBatch{};
    s.boundBatch = nullptr;
    for (Texture& t : s.textures) t.webgl = 0;
}

void RestoreGlObjects(GlState& s) {
    s.lost = false;
    MakeWebGlObjects(s);
}

bool GlObjectsLost(const GlState& s) { return s.lost; }

}  // namespace platform

using platform::currentState;
using platform::GlState;
using platform::kOutside;
using platform::Vertex;

extern "C" {

// -- immediate mode ---------------------------------------------------------------------------

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
    // Vertices of an unfinished primitive go unused, as in GL.
    size_t unused = 0;
    if (s.mode == GL_QUADS) unused = s.blockCount % 4;
    else if (s.mode == GL_TRIANGLES) unused = s.blockCount % 3;
    else if (s.blockCount < 3) unused = s.blockCount;
    s.vertexCount -= std::min(unused, s.vertexCount);
    s.mode = kOutside;
    s.drawing = false;
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    if (!currentState) return;
    // GL clamps the colour before it is interpolated.
    Vertex& c = currentState->current;
    c.r = platform::Clamped(r), c.g = platform::Clamped(g), c.b = platform::Clamped(b);
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    if (!currentState) return;
    currentState->current.s = s, currentState->current.t = t;
}

// Lighting is never on: a normal changes nothing drawn.
void glNormal3f(GLfloat, GLfloat, GLfloat) {}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (!s.drawing) return;
    if (s.vertexCount == platform::kMaxVertices) platform::StartNewBatch(s);
    const size_t i = s.vertexCount++;
    platform::Vertex& v = s.vertices[i];
    v = s.current;
    v.x = x, v.y = y, v.z = z;
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
            if (n % 3 == 0) platform::Triangle(s, i - 2, i - 1, i);
            break;
        case GL_TRIANGLE_STRIP:
            if (n >= 3) {
                // Every other triangle of a strip turns the other way: keep GL's facing.
                if (s.stripTriangles++ % 2 == 0) platform::Triangle(s, i - 2, i - 1, i);
                else platform::Triangle(s, i - 1, i - 2, i);
            }
            break;
        case GL_TRIANGLE_FAN:
            if (n >= 3) platform::Triangle(s, s.fanCentre, i - 1, i);
            break;
        default: break;
    }
}

// -- matrices ---------------------------------------------------------------------------------

void glMatrixMode(GLenum mode) {
    if (!currentState) return;
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) currentState->matrixMode = mode;
    else platform::SetError(*currentState, GL_INVALID_ENUM);
}

void glLoadIdentity() {
    if (!currentState) return;
    platform::Flush(*currentState);
    platform::Stack(*currentState).Current() = platform::kIdentity;
    currentState->matrixDirty = true;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    if (!currentState) return;
    platform::Flush(*currentState);
    float* m = platform::Stack(*currentState).Current().m;
    for (int row = 0; row < 4; ++row) m[12 + row] += m[row] * x + m[4 + row] * y + m[8 + row] * z;
    currentState->matrixDirty = true;
}

void glPushMatrix() {
    if (!currentState) return;
    platform::MatrixStack& stack = platform::Stack(*currentState);
    if (stack.top + 1 == platform::kStackDepth)
        return platform::SetError(*currentState, GL_STACK_OVERFLOW);
    stack.entries[stack.top + 1] = stack.entries[stack.top];
    ++stack.top;
}

void glPopMatrix() {
    if (!currentState) return;
    platform::MatrixStack& stack = platform::Stack(*currentState);
    if (stack.top == 0) return platform::SetError(*currentState, GL_STACK_UNDERFLOW);
    platform::Flush(*currentState);
    --stack.top;
    currentState->matrixDirty = true;
}

// GLU's perspective, worked out in double as GLU does and multiplied on in float as GL does.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    if (!currentState) return;
    const double radians = fovy / 2 * 3.14159265358979323846 / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    platform::Matrix m = platform::kIdentity;
    m.m[0] = float(cotangent / aspect);
    m.m[5] = float(cotangent);
    m.m[10] = float(-(zFar + zNear) / deltaZ);
    m.m[11] = -1;
    m.m[14] = float(-2 * zNear * zFar / deltaZ);
    m.m[15] = 0;
    platform::Flush(*currentState);
    platform::Multiply(platform::Stack(*currentState).Current(), m);
    currentState->matrixDirty = true;
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (width < 0 || height < 0) return platform::SetError(s, GL_INVALID_VALUE);
    platform::Flush(s);
    s.viewport[0] = x, s.viewport[1] = y, s.viewport[2] = width, s.viewport[3] = height;
    s.viewportSet = true;
    if (!s.lost) emscripten_glViewport(x, y, width, height);
}

// -- state ------------------------------------------------------------------------------------

void glEnable(GLenum cap) { platform::SetEnabled(cap, true); }
void glDisable(GLenum cap) { platform::SetEnabled(cap, false); }

void glDepthFunc(GLenum func) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (func < GL_NEVER || func > GL_ALWAYS) return platform::SetError(s, GL_INVALID_ENUM);
    if (func == s.depthFunc) return;
    platform::Flush(s);
    s.depthFunc = func;
    if (!s.lost) emscripten_glDepthFunc(func);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    if (!currentState) return;
    GlState& s = *currentState;
    const float color[4] = {platform::Clamped(r), platform::Clamped(g), platform::Clamped(b),
                            platform::Clamped(a)};
    std::memcpy(s.clearColor, color, sizeof color);
    if (!s.lost) emscripten_glClearColor(color[0], color[1], color[2], color[3]);
}

void glClearDepth(GLclampd depth) {
    if (!currentState) return;
    GlState& s = *currentState;
    s.clearDepth = platform::Clamped(float(depth));
    if (!s.lost) emscripten_glClearDepthf(s.clearDepth);
}

void glClear(GLbitfield mask) {
    if (!currentState) return;
    GlState& s = *currentState;
    platform::Flush(s);
    s.batchesSinceClear = 0;  // the batches to come are held against those since the last one
    if (!s.lost)
        emscripten_glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

// WebGL always shades smoothly and interpolates with perspective, which is what the program
// asks for.
void glShadeModel(GLenum) {}
void glHint(GLenum, GLenum) {}

// The page shows the frame once the program yields to the browser; here only the gathered
// vertices are drawn.
void glFlush() { platform::FlushGl(); }
void glFinish() { platform::FlushGl(); }

void glPixelStorei(GLenum name, GLint value) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (value != 1 && value != 2 && value != 4 && value != 8)
        return platform::SetError(s, GL_INVALID_VALUE);
    if (name == GL_UNPACK_ALIGNMENT) s.unpackAlignment = value;
    else if (name == GL_PACK_ALIGNMENT) s.packAlignment = value;
    else return platform::SetError(s, GL_INVALID_ENUM);
    if (!s.lost) emscripten_glPixelStorei(name, value);
}

// -- textures ---------------------------------------------------------------------------------

void glGenTextures(GLsizei n, GLuint* textures) {
    if (!currentState || !textures) return;
    GlState& s = *currentState;
    for (GLsizei i = 0; i < n; ++i) {
        s.textures.emplace_back();
        if (!s.lost) emscripten_glGenTextures(1, &s.textures.back().webgl);
        textures[i] = GLuint(s.textures.size());
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (target != GL_TEXTURE_2D) return platform::SetError(s, GL_INVALID_ENUM);
    // Only names from glGenTextures are known here.
    if (texture > s.textures.size()) return platform::SetError(s, GL_INVALID_OPERATION);
    if (texture == s.boundTexture) return;
    platform::Flush(s);
    s.boundTexture = texture;
    if (!s.lost) emscripten_glBindTexture(GL_TEXTURE_2D, texture ? s.textures[texture - 1].webgl : 0);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    if (!currentState) return;
    GlState& s = *currentState;
    platform::Texture* t = platform::Bound(s);
    if (target != GL_TEXTURE_2D || !t) return platform::SetError(s, GL_INVALID_OPERATION);
    GLint* field = name == GL_TEXTURE_MIN_FILTER ? &t->minFilter
                 : name == GL_TEXTURE_MAG_FILTER ? &t->magFilter
                 : name == GL_TEXTURE_WRAP_S     ? &t->wrapS
                 : name == GL_TEXTURE_WRAP_T     ? &t->wrapT
                                                 : nullptr;
    if (!field) return platform::SetError(s, GL_INVALID_ENUM);
    platform::Flush(s);
    *field = value;
    if (!s.lost) emscripten_glTexParameteri(target, name, value);
}

// WebGL wants the internal format to be the format: a component count, or the format itself,
// is taken as the format; other internal formats are refused.
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    if (!currentState) return;
    GlState& s = *currentState;
    platform::Texture* t = platform::Bound(s);
    const size_t components = platform::Components(format);
    if (target != GL_TEXTURE_2D || !t) return platform::SetError(s, GL_INVALID_OPERATION);
    if (components == 0 || type != GL_UNSIGNED_BYTE) return platform::SetError(s, GL_INVALID_ENUM);
    if (!(internalFormat == GLint(components) || internalFormat == GLint(format)))
        return platform::SetError(s, GL_INVALID_VALUE);
    if (level < 0 || level > 15 || width < 0 || height < 0 || width > s.maxTextureSize ||
        height > s.maxTextureSize || border != 0)
        return platform::SetError(s, GL_INVALID_VALUE);
    platform::Flush(s);
    if (t->levels.size() <= size_t(level)) t->levels.resize(size_t(level) + 1);
    platform::TextureLevel& l = t->levels[size_t(level)];
    l.width = width, l.height = height, l.format = format, l.alignment = s.unpackAlignment;
    // The rows at the unpack alignment, the last one without its padding, as GL reads them.
    const size_t rowBytes = size_t(width) * components;
    const size_t stride = (rowBytes + size_t(l.alignment) - 1) / size_t(l.alignment) * size_t(l.alignment);
    const size_t size = width && height ? stride * size_t(height - 1) + rowBytes : 0;
    if (pixels) l.bytes.assign(static_cast<const uint8_t*>(pixels), static_cast<const uint8_t*>(pixels) + size);
    else l.bytes.clear();
    if (!s.lost) platform::UploadLevel(level, l);
}

// Textures always modulate the vertex colour, which is the one mode the program sets.
void glTexEnvi(GLenum target, GLenum name, GLint value) {
    if (!currentState) return;
    if (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE || value != GL_MODULATE)
        platform::SetError(*currentState, GL_INVALID_ENUM);
}

// -- questions --------------------------------------------------------------------------------

void glGetIntegerv(GLenum name, GLint* values) {
    if (!currentState || !values) return;
    GlState& s = *currentState;
    switch (name) {
        case GL_UNPACK_ALIGNMENT: *values = s.unpackAlignment; break;
        case GL_PACK_ALIGNMENT: *values = s.packAlignment; break;
        case GL_MAX_TEXTURE_SIZE: *values = s.maxTextureSize; break;
        case 0x84E2: *values = 1; break;  // GL_MAX_TEXTURE_UNITS: one fixed-function unit
        default: platform::SetError(s, GL_INVALID_ENUM); break;
    }
}

// No extensions: the subset here is plain OpenGL 1.1.
const GLubyte* glGetString(GLenum name) {
    if (!currentState) return nullptr;
    const char* answer = nullptr;
    switch (name) {
        case GL_VENDOR: answer = "Quorvane"; break;
        case GL_RENDERER: answer = "WebGL 1"; break;
        case GL_VERSION: answer = "1.1"; break;
        case GL_EXTENSIONS: answer = ""; break;
        default: platform::SetError(*currentState, GL_INVALID_ENUM); break;
    }
    return reinterpret_cast<const GLubyte*>(answer);
}

}  // extern "C"
