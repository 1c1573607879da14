// A real OpenGL compatibility context from Mesa's software rasteriser, without a display:
// EGL on the surfaceless platform with a 640 x 480 pbuffer to draw into and read back.
#pragma once

#include <EGL/egl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mesa {

class OffscreenContext {
public:
    OffscreenContext(int32_t width, int32_t height);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // Empty when the context is current; otherwise what went wrong.
    const std::string& error() const { return error_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }

private:
    int32_t width_;
    int32_t height_;
    std::string error_;
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
    EGLSurface surface_ = EGL_NO_SURFACE;
};

struct Rgb {
    int r;
    int g;
    int b;
};

// The colour at window coordinates (x, y), origin bottom left, of the colour buffer.
Rgb ReadPixel(int32_t x, int32_t y);

}  // namespace mesa
