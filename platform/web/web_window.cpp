// The program's windows in a web page: each window is a canvas of its client size, its drawing
// buffer in device pixels; the OpenGL context is a WebGL 1 context with depth and stencil,
// drawn to through the GL of web_gl.cpp; the display switch is the page's full screen.
#include <emscripten/emscripten.h>
#include <emscripten/html5_webgl.h>

#include "platform/web_internal.h"

namespace platform {

PlatformState& State() {
    static PlatformState state;
    return state;
}

// The page's millisecond clock, cut to 32 bits so that it wraps as the desktop's tick does.
uint32_t GetTickCount() { return uint32_t(uint64_t(emscripten_get_now())); }

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!ClassAvailable(windowClass)) return false;
    StartEvents();
    AddClass(windowClass);
    return true;
}

void UnregisterWindowClass(const char* className, ModuleHandle) { RemoveClass(className); }

// A canvas has no frame: the outer rectangle is the client rectangle.
void AdjustWindowRect(Rect&, uint32_t, uint32_t) {}

WindowHandle CreateWindow(uint32_t exStyle, const char* className, const char* title,
                          uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                          ModuleHandle instance, void* createParams) {
    const WindowProcedure procedure = ClassProcedure(className);
    // A canvas side beyond what WM_SIZE can carry is refused rather than cut.
    if (!procedure || width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF)
        return nullptr;

    auto w = std::make_shared<Window>();
    w->canvas = web_canvas_create(width, height, (style & WS_POPUP) ? 1 : 0,
                                  int(COLOR_APPWORKSPACE));
    if (w->canvas == 0) return nullptr;
    w->selector = "#quorvane-canvas-" + std::to_string(w->canvas);
    if (title) emscripten_set_window_title(title);

    Window* handle = AddWindow(std::move(w), procedure);
    return SendCreate(handle, {createParams, instance, className, title, style, exStyle, x, y,
                               width, height});
}

void ShowWindow(WindowHandle handle, int32_t) {
    Window* w = FindWindow(handle);
    if (!w) return;
    web_canvas_show(w->canvas);
    // A page that is already hidden, or a context already lost, shows its window minimised.
    if (web_page_hidden() || ContextLost(*w)) CallProcedure(w, WM_SIZE, SIZE_MINIMIZED, 0);
    else CallProcedure(w, WM_SIZE, SIZE_RESTORED, ClientSizeParam(*w));
}

// The canvas's drawing buffer, in device pixels.
void DrawableSize(const Window& window, int& width, int& height) {
    web_canvas_pixel_size(window.canvas, &width, &height);
}

void DestroyWindow(WindowHandle handle) {
    Window* w = FindWindow(handle);
    if (!w) return;
    web_canvas_destroy(w->canvas);
    RemoveWindow(handle);
}

WindowHandle FocusedWindow() {
    Window* first = FirstWindow();
    return first && web_page_has_focus() ? first : nullptr;
}

bool SetPixelFormat(DeviceContext device, int32_t index, const PixelFormatRequest&) {
    if (!device || index != 1 || device->window->pixelFormatSet) return false;
    device->window->pixelFormatSet = true;
    return true;
}

GlContext CreateGlContext(DeviceContext device) {
    if (!device || !device->window->pixelFormatSet) return nullptr;
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
}

// The GL here is plain 1.1 with no extension, so no extension function is there to find.
void* GetGlProcAddress(const char*) { return nullptr; }

// The browser cannot change the display's mode; full screen shows the canvas scaled to the
// screen, as a switched display would. Its refusal (no user gesture, a page that may not) is
// the failed switch.
int32_t ChangeDisplayMode(const DisplayMode* mode) {
    PlatformState& s = State();
    if (!mode) {
        if (s.fullscreen) web_fullscreen(0);
        s.fullscreen = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (mode->width <= 0 || mode->height <= 0 ||
        (mode->bitsPerPixel != 16 && mode->bitsPerPixel != 24 && mode->bitsPerPixel != 32))
        return DISP_CHANGE_BADMODE;
    if (!web_fullscreen(1)) return DISP_CHANGE_FAILED;
    s.fullscreen = true;
    return DISP_CHANGE_SUCCESSFUL;
}

void ShowCursor(bool show) { web_set_cursor_visible(show ? 1 : 0); }

}  // namespace platform
