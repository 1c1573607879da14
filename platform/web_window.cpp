// The program's windows in a web page: each window is a canvas of its client size, its drawing
// buffer in device pixels; the OpenGL context is a WebGL 1 context with depth and stencil,
// drawn to through the fixed-function emulation; the display switch is the page's full screen.
#include <emscripten/emscripten.h>
#include <emscripten/html5_webgl.h>

#include <algorithm>

#include "platform/web_internal.h"

namespace platform {

PlatformState& State() {
    static PlatformState state;
    return state;
}

Window* FindWindow(WindowHandle handle) {
    for (auto& w : State().windows)
        if (w.get() == handle) return w.get();
    return nullptr;
}

intptr_t ClientSizeParam(const Window& window) {
    int width = 0, height = 0;
    web_canvas_pixel_size(window.canvas, &width, &height);
    return intptr_t((uint32_t(height) & 0xFFFF) << 16 | (uint32_t(width) & 0xFFFF));
}

ModuleHandle CurrentModule() {
    static int module;
    return reinterpret_cast<ModuleHandle>(&module);
}

// The page's millisecond clock, cut to 32 bits so that it wraps as the desktop's tick does.
uint32_t GetTickCount() { return uint32_t(uint64_t(emscripten_get_now())); }

bool RegisterWindowClass(const WindowClass& windowClass) {
    PlatformState& s = State();
    if (!windowClass.className || !*windowClass.className || !windowClass.procedure) return false;
    for (auto& c : s.classes)
        if (c.first == windowClass.className) return false;
    StartEvents();
    s.classes.emplace_back(windowClass.className, windowClass.procedure);
    return true;
}

void UnregisterWindowClass(const char* className, ModuleHandle) {
    std::erase_if(State().classes, [&](auto& c) { return className && c.first == className; });
}

// A canvas has no frame: the outer rectangle is the client rectangle.
void AdjustWindowRect(Rect&, uint32_t, uint32_t) {}

WindowHandle CreateWindow(uint32_t exStyle, const char* className, const char* title,
                          uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                          ModuleHandle instance, void* createParams) {
    PlatformState& s = State();
    auto found = std::find_if(s.classes.begin(), s.classes.end(),
                              [&](auto& c) { return className && c.first == className; });
    // A canvas side beyond what WM_SIZE can carry is refused rather than cut.
    if (found == s.classes.end() || width <= 0 || height <= 0 || width > 0x7FFF ||
        height > 0x7FFF)
        return nullptr;

    auto w = std::make_unique<Window>();
    w->procedure = found->second;
    w->canvas = web_canvas_create(width, height, (style & WS_POPUP) ? 1 : 0,
                                  int(COLOR_APPWORKSPACE));
    if (w->canvas == 0) return nullptr;
    w->selector = "#quorvane-canvas-" + std::to_string(w->canvas);
    if (title) emscripten_set_window_title(title);

    Window* handle = w.get();
    s.windows.push_back(std::move(w));
    CreateStruct create{createParams, instance, className, title, style, exStyle,
                        x, y, width, height};
    if (handle->procedure(handle, WM_CREATE, 0, reinterpret_cast<intptr_t>(&create)) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    return handle;
}

void ShowWindow(WindowHandle handle, int32_t) {
    Window* w = FindWindow(handle);
    if (!w) return;
    web_canvas_show(w->canvas);
    // A page that is already hidden shows its window minimised.
    if (web_page_hidden()) w->procedure(w, WM_SIZE, SIZE_MINIMIZED, 0);
    else w->procedure(w, WM_SIZE, SIZE_RESTORED, ClientSizeParam(*w));
}

bool GetClientRect(WindowHandle handle, Rect& rect) {
    Window* w = FindWindow(handle);
    if (!w) return false;
    int width = 0, height = 0;
    web_canvas_pixel_size(w->canvas, &width, &height);
    rect = {0, 0, width, height};
    return true;
}

void DestroyWindow(WindowHandle handle) {
    PlatformState& s = State();
    Window* w = FindWindow(handle);
    if (!w) return;
    web_canvas_destroy(w->canvas);
    std::erase_if(s.queue, [&](const Message& m) { return m.window == handle; });
    std::erase_if(s.windows, [&](auto& p) { return p.get() == w; });
}

void SetWindowUserData(WindowHandle handle, void* data) {
    if (Window* w = FindWindow(handle)) w->userData = data;
}

void* GetWindowUserData(WindowHandle handle) {
    Window* w = FindWindow(handle);
    return w ? w->userData : nullptr;
}

intptr_t DefaultWindowProcedure(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

WindowHandle FocusedWindow() {
    PlatformState& s = State();
    return !s.windows.empty() && web_page_has_focus() ? s.windows.front().get() : nullptr;
}

DeviceContext GetDeviceContext(WindowHandle handle) {
    Window* w = FindWindow(handle);
    return w ? &w->device : nullptr;
}

void ReleaseDeviceContext(WindowHandle, DeviceContext) {}

int32_t ChoosePixelFormat(DeviceContext device, const PixelFormatRequest& request) {
    const uint32_t needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (!device || request.pixelType != PFD_TYPE_RGBA || (request.flags & needed) != needed)
        return 0;
    return 1;  // WebGL offers one kind of drawing buffer: 8-bit RGB(A), depth, stencil
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
    attributes.enableExtensionsByDefault = EM_TRUE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE gl =
        emscripten_webgl_create_context(device->window->selector.c_str(), &attributes);
    if (gl <= 0) return nullptr;
    return new Context{gl};
}

bool MakeGlContextCurrent(DeviceContext device, GlContext context) {
    if (!device) return false;
    FlushBatchedQuads();  // into the context they were drawn for
    if (!context) return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS;
    if (emscripten_webgl_make_context_current(context->gl) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    if (!context->emulationReady) {
        web_gl_emulation_init();  // its buffers and shaders live in this context
        context->emulationReady = true;
    }
    return true;
}

void DeleteGlContext(GlContext context) {
    if (!context) return;
    if (emscripten_webgl_get_current_context() == context->gl)
        emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(context->gl);
    delete context;
}

void SwapBuffers(DeviceContext device) {
    if (!device) return;
    FlushBatchedQuads();
    web_present();
}

void* GetGlProcAddress(const char* name) {
    return name && emscripten_webgl_get_current_context() ? emscripten_webgl1_get_proc_address(name)
                                                          : nullptr;
}

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
