// The page's GL, its batches: each batch's uniforms, its kept buffers and its one draw, where
// what the buffers already hold is not sent again (web_gl_internal.h tells the design).
#include <algorithm>
#include <cstring>

#include "platform/web/gl/web_gl_internal.h"

namespace platform {
namespace {

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

void BindArrayBuffer(GlState& s, GLuint buffer) {
    if (s.boundArrayBuffer == buffer) return;
    emscripten_glBindBuffer(kArrayBuffer, buffer);
    s.boundArrayBuffer = buffer;
}

// The attributes read this batch's buffers, which stay bound until another batch is drawn or
// its colours change form.
void BindBatch(GlState& s, const KeptBatch& k) {
    if (s.boundBatch == &k && s.boundGrey == k.grey) return;
    if (s.boundBatch != &k) emscripten_glBindBuffer(kElementArrayBuffer, k.indices.buffer);
    BindArrayBuffer(s, k.shapes.buffer);
    const GLsizei stride = sizeof(Shape);
    emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    emscripten_glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride,
                                     reinterpret_cast<const void*>(offsetof(Shape, s)));
    BindArrayBuffer(s, k.colors.buffer);
    emscripten_glVertexAttribPointer(1, k.grey ? 1 : 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    const float grey = k.grey ? 1.0f : 0.0f;
    if (grey != s.sentGrey) {
        emscripten_glUniform1f(s.greyLocation, grey);
        s.sentGrey = grey;
    }
    s.boundBatch = &k;
    s.boundGrey = k.grey;
}

// Sends these bytes to the kept buffer unless it already holds them; a buffer of the same size
// takes them in place.
void Send(GlState& s, GLenum target, KeptBuffer& kept, const void* data, size_t size) {
    if (kept.bytes.size() == size && SameBytes(kept.bytes.data(), data, size)) return;
    if (target == kArrayBuffer) BindArrayBuffer(s, kept.buffer);
    if (kept.bytes.size() == size) emscripten_glBufferSubData(target, 0, GLsizeiptr(size), data);
    else emscripten_glBufferData(target, GLsizeiptr(size), data, kDynamicDraw);
    const auto* bytes = static_cast<const uint8_t*>(data);
    kept.bytes.assign(bytes, bytes + size);
}

// Whether every colour of the batch is a grey; if so, s.greys holds them, one float each.
bool GreyColors(GlState& s) {
    const Color* c = s.colors.get();
    float* grey = s.greys.get();
    for (size_t i = 0; i < s.vertexCount; ++i) {
        if (c[i].r != c[i].g || c[i].g != c[i].b) return false;
        grey[i] = c[i].r;
    }
    return true;
}

}  // namespace

// Draws what is gathered with one draw, from the buffers of the batch's place since the clear:
// what they already hold is not sent again.
void Flush(GlState& s) {
    IndexVertices(s);
    if (s.indexCount > 0 && !s.lost) {
        SendUniforms(s);
        KeptBatch& k = s.kept[std::min(s.batchesSinceClear++, kKeptBatches - 1)];
        if (!k.shapes.buffer) {
            emscripten_glGenBuffers(1, &k.shapes.buffer);
            emscripten_glGenBuffers(1, &k.colors.buffer);
            emscripten_glGenBuffers(1, &k.indices.buffer);
        }
        const size_t n = s.vertexCount;
        k.grey = GreyColors(s);
        BindBatch(s, k);
        Send(s, kArrayBuffer, k.shapes, s.shapes.get(), n * sizeof(Shape));
        if (k.grey) Send(s, kArrayBuffer, k.colors, s.greys.get(), n * sizeof(float));
        else Send(s, kArrayBuffer, k.colors, s.colors.get(), n * sizeof(Color));
        Send(s, kElementArrayBuffer, k.indices, s.indices.get(), s.indexCount * sizeof(uint16_t));
        emscripten_glDrawElements(GL_TRIANGLES, GLsizei(s.indexCount), GL_UNSIGNED_SHORT,
                                  nullptr);
    }
    s.vertexCount = s.indexCount = s.indexedVertices = 0;
    // A state change inside a block (which GL refuses) starts its primitives afresh.
    s.blockCount = s.stripTriangles = s.fanCentre = 0;
}

}  // namespace platform
