// The page's GL, its state: the enables, depth function, clears, pixel store and the questions
// a context answers (web_gl_internal.h tells the design).
#include <cstring>

#include "platform/web/gl/web_gl_internal.h"

namespace platform {

void SetCap(GLenum cap, bool on) {
    if (on) emscripten_glEnable(cap);
    else emscripten_glDisable(cap);
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

}  // namespace platform

using platform::currentState;
using platform::GlState;

extern "C" {

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
