// WGL on a window's device context: GDI's pixel formats, the rendering context, making it
// current, the buffer swap and the OpenGL entry points of the current context.
#include "platform/win32/win32_internal.h"

namespace platform {

DeviceContext GetDeviceContext(WindowHandle window) {
    return window ? FromHdc(GetDC(ToHwnd(window))) : nullptr;
}

void ReleaseDeviceContext(WindowHandle window, DeviceContext device) {
    ReleaseDC(ToHwnd(window), ToHdc(device));
}

namespace {

PIXELFORMATDESCRIPTOR Descriptor(const PixelFormatRequest& request) {
    PIXELFORMATDESCRIPTOR d{};
    d.nSize = request.size;
    d.nVersion = request.version;
    d.dwFlags = request.flags;
    d.iPixelType = request.pixelType;
    d.cColorBits = request.colorBits;
    d.cAlphaBits = request.alphaBits;
    d.cAccumBits = request.accumBits;
    d.cDepthBits = request.depthBits;
    d.cStencilBits = request.stencilBits;
    d.cAuxBuffers = request.auxBuffers;
    d.iLayerType = request.layerType;
    return d;
}

}  // namespace

int32_t ChoosePixelFormat(DeviceContext device, const PixelFormatRequest& request) {
    if (!device) return 0;
    const PIXELFORMATDESCRIPTOR descriptor = Descriptor(request);
    return ::ChoosePixelFormat(ToHdc(device), &descriptor);
}

bool SetPixelFormat(DeviceContext device, int32_t index, const PixelFormatRequest& request) {
    if (!device) return false;
    const PIXELFORMATDESCRIPTOR descriptor = Descriptor(request);
    return ::SetPixelFormat(ToHdc(device), index, &descriptor) != FALSE;
}

GlContext CreateGlContext(DeviceContext device) {
    return device ? FromHglrc(wglCreateContext(ToHdc(device))) : nullptr;
}

bool MakeGlContextCurrent(DeviceContext device, GlContext context) {
    return wglMakeCurrent(ToHdc(device), ToHglrc(context)) != FALSE;
}

void DeleteGlContext(GlContext context) {
    if (context) wglDeleteContext(ToHglrc(context));
}

void SwapBuffers(DeviceContext device) {
    if (device) ::SwapBuffers(ToHdc(device));
}

void* GetGlProcAddress(const char* name) {
    if (!name) return nullptr;
    const PROC address = wglGetProcAddress(name);
    // Some drivers answer a small number instead of null for a function they lack.
    const intptr_t value = reinterpret_cast<intptr_t>(address);
    if (value >= -1 && value <= 3) return nullptr;
    return reinterpret_cast<void*>(address);
}

}  // namespace platform
