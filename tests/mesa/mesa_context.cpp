// EGL surfaceless context for the Mesa tests, and the shell functions the scene calls, answered
// the way the program's own platform layer would with a real driver.
#include "tests/mesa/mesa_context.h"

#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdlib>

#include "app/requests.h"
#include "platform/platform.h"

namespace mesa {

OffscreenContext::OffscreenContext(int32_t width, int32_t height) : width_(width), height_(height) {
    // Software rendering keeps the pixels the same on every machine.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("EGL_PLATFORM", "surfaceless", 1);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    display_ = getPlatformDisplay
                   ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                   : eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) {
        error_ = "no EGL display";
        return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "desktop OpenGL not available through EGL";
        return;
    }
    const EGLint configAttributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display_, configAttributes, &config, 1, &count) || count < 1) {
        error_ = "no pbuffer config with depth and stencil";
        return;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display_, config, surfaceAttributes);
    context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, nullptr);
    if (surface_ == EGL_NO_SURFACE || context_ == EGL_NO_CONTEXT) {
        error_ = "pbuffer or context creation failed";
        return;
    }
    if (!eglMakeCurrent(display_, surface_, surface_, context_)) {
        error_ = "context could not be made current";
        return;
    }
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
}

OffscreenContext::~OffscreenContext() {
    if (display_ == EGL_NO_DISPLAY) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
    if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
    eglTerminate(display_);
}

Rgb ReadPixel(int32_t x, int32_t y) {
    unsigned char pixel[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return {pixel[0], pixel[1], pixel[2]};
}

}  // namespace mesa

// Nothing in these tests holds a key, so the requests are never made; they only have to exist.
void RequestQuit(WindowState&) {}
void RequestFullscreenToggle(WindowState&) {}

namespace platform {

int ShowMessageBox(WindowHandle, const char*, const char*, uint32_t style) {
    return style == MB_YESNO ? IDNO : IDOK;
}
WindowHandle FocusedWindow() { return nullptr; }
void* GetGlProcAddress(const char* name) {
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

}  // namespace platform
