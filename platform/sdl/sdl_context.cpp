// GL contexts on SDL windows: the pixel format as SDL's GL attributes (a window is made again
// when its visual must change), the context, making it current, and the buffer swap.
#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

GlAttributes AttributesFor(const PixelFormatRequest& request) {
    GlAttributes a{3, 3, 2, request.alphaBits, request.depthBits, request.stencilBits,
                   (request.flags & PFD_DOUBLEBUFFER) ? 1 : 0};
    if (request.colorBits >= 24) a.red = a.green = a.blue = 8;
    else if (request.colorBits >= 15) a.red = 5, a.green = request.colorBits == 16 ? 6 : 5, a.blue = 5;
    return a;
}

void ApplyAttributes(const GlAttributes& a) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, a.red);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, a.green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, a.blue);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, a.alpha);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, a.depth);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, a.stencil);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, a.doubleBuffer);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    State().applied = a;
}

}  // namespace

bool SetPixelFormat(DeviceContext device, int32_t index, const PixelFormatRequest& request) {
    if (!PixelFormatOpen(device, index)) return false;
    Window& w = *device->window;
    const GlAttributes wanted = AttributesFor(request);
    if (!(wanted == w.createdWith)) {
        // X11 fixes a window's visual when it is made: make the (still hidden) window again.
        ApplyAttributes(wanted);
        SDL_Window* remade = MakeSdlWindow(w);
        if (!remade) return false;
        SDL_DestroyWindow(w.sdl);
        w.sdl = remade;
        w.createdWith = wanted;
    }
    device->pixelFormatSet = true;
    return true;
}

GlContext CreateGlContext(DeviceContext device) {
    if (!device || !device->pixelFormatSet) return nullptr;
    SDL_GLContext gl = SDL_GL_CreateContext(device->window->sdl);
    if (!gl) return nullptr;
    SDL_GL_MakeCurrent(device->window->sdl, nullptr);  // current only when asked
    return new Context{gl};
}

bool MakeGlContextCurrent(DeviceContext device, GlContext context) {
    if (!device) return false;
    return SDL_GL_MakeCurrent(device->window->sdl, context ? context->gl : nullptr) == 0;
}

void DeleteGlContext(GlContext context) {
    if (!context) return;
    SDL_GL_DeleteContext(context->gl);
    delete context;
}

void SwapBuffers(DeviceContext device) {
    if (device) SDL_GL_SwapWindow(device->window->sdl);
}

void* GetGlProcAddress(const char* name) {
    return State().videoReady && name ? SDL_GL_GetProcAddress(name) : nullptr;
}

}  // namespace platform
