// The program's windows in a web page: each window is a canvas of its client size, its drawing
// buffer in device pixels; the display switch is the page's full screen. Their GL contexts are
// in web_context.cpp, their events in web_events.cpp.
#include <emscripten/emscripten.h>

#include "platform/web/web_internal.h"

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
    const CreateStruct create{createParams, instance, className, title, style, exStyle,
                              x, y, width, height};
    return CreateRegisteredWindow(create, [&]() -> WindowOwner {
        // A canvas side beyond what WM_SIZE can carry is refused rather than cut.
        if (width > 0x7FFF || height > 0x7FFF) return nullptr;
        auto w = std::make_shared<Window>();
        w->canvas = web_canvas_create(width, height, (style & WS_POPUP) ? 1 : 0,
                                      int(COLOR_APPWORKSPACE));
        if (w->canvas == 0) return nullptr;
        w->selector = "#quorvane-canvas-" + std::to_string(w->canvas);
        if (title) emscripten_set_window_title(title);
        return w;
    });
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
