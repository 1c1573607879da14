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

}  // namespace

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

}  // namespace platform
