// GL contexts on canvases: each a WebGL 1 context with depth and stencil, drawn to through the
// page's own GL (gl/web_gl_*.cpp), made current with the GL state it keeps, and presented at the
// buffer swap. A context lost at any time is watched for in web_context_loss.cpp.
#include <emscripten/html5_webgl.h>

#include "platform/web/web_internal.h"

namespace platform {

bool SetPixelFormat(DeviceContext device, int32_t index, const PixelFormatRequest&) {
    if (!PixelFormatOpen(device, index)) return false;
    device->pixelFormatSet = true;
    return true;
}

GlContext CreateGlContext(DeviceContext device) {
    if (!device || !device->pixelFormatSet) return nullptr;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;  // the picture is opaque whatever its alpha says
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_TRUE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    attributes.enableExtensionsByDefault = EM_FALSE;  // WebGL 1 itself is all it uses
    // Its loss is watched for before it is made: a context can be lost as it is made.
    auto* context = new Context{};
    context->window = device->window;
    WatchContext(*context);
    context->gl = emscripten_webgl_create_context(device->window->selector.c_str(), &attributes);
    if (context->gl <= 0) {
        UnwatchContext(*context);
        delete context;
        return nullptr;
    }
    device->window->context = context;
    return context;
}

bool MakeGlContextCurrent(DeviceContext device, GlContext context) {
    if (!device) return false;
    FlushGl();  // into the context they were drawn for
    if (!context) {
        UseGlState(nullptr);
        return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS;
    }
    if (emscripten_webgl_make_context_current(context->gl) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    if (!context->state) {  // its objects live in this context
        const bool lost = emscripten_is_webgl_context_lost(context->gl);
        context->state = NewGlState(lost);
        if (lost) ContextWasLost(*context);
    }
    UseGlState(context->state);
    return true;
}

void DeleteGlContext(GlContext context) {
    if (!context) return;
    UnwatchContext(*context);
    if (emscripten_webgl_get_current_context() == context->gl) {
        UseGlState(nullptr);
        emscripten_webgl_make_context_current(0);
    }
    DeleteGlState(context->state);
    emscripten_webgl_destroy_context(context->gl);
    if (context->window && context->window->context == context) context->window->context = nullptr;
    delete context;
}

void SwapBuffers(DeviceContext device) {
    if (!device) return;
    FlushGl();
    web_present();
    ReadGamepads();
}

// The GL here is plain 1.1 with no extension, so no extension function is there to find.
void* GetGlProcAddress(const char*) { return nullptr; }

}  // namespace platform
