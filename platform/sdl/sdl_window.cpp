// SDL windows for the program: class registration, creation and showing, the display switch
// and the cursor. Their GL contexts are in sdl_context.cpp, their events in sdl_events.cpp.
#include <algorithm>
#include <cstring>

#include "platform/sdl/sdl_internal.h"
#include "platform/sdl/x11_errors.h"
#include "platform/sdl/x11_mode_guard.h"

namespace platform {

PlatformState& State() {
    static PlatformState state;
    return state;
}

Window* FindSdlWindow(uint32_t sdlWindowId) {
    for (auto& entry : Registry().windows) {
        Window* w = entry.window.get();
        if (w->sdl && SDL_GetWindowID(w->sdl) == sdlWindowId) return w;
    }
    return nullptr;
}

uint32_t GetTickCount() { return SDL_GetTicks(); }

namespace {

bool VideoDriverIs(const char* name) {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, name) == 0;
}

// SDL falls back to an invisible off-screen driver when no display is reachable; the program
// must never run unseen, so that only counts when asked for by name.
bool StartVideo() {
    PlatformState& s = State();
    if (s.videoReady) return true;
    StartEvents();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    // Window sizes in the desktop's units, drawn at the drawable's size in pixels: what the
    // high-DPI windows below ask for. SDL 3 under sdl2-compat otherwise counts a Wayland
    // window's size in pixels, so at output scale 2 a 640 x 480 window shows at half that size.
    // (A hint of SDL 3's; classic SDL 2 ignores it. The environment still overrides it.)
    SDL_SetHint("SDL_VIDEO_WAYLAND_SCALE_TO_DISPLAY", "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    const bool invisible = VideoDriverIs("offscreen") || VideoDriverIs("dummy");
    if (invisible && !(requested && *requested)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    if (VideoDriverIs("x11")) TolerateVanishedWindows();
    s.videoReady = true;
    StartGamepads();
    return true;
}

void StopVideoIfIdle() {
    PlatformState& s = State();
    if (s.videoReady && Registry().classes.empty() && Registry().windows.empty()) {
        StopGamepads();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        s.videoReady = false;
    }
}

bool IsFramed(uint32_t style) { return (style & WS_POPUP) == 0; }

bool ModeMatches(const SDL_DisplayMode& mode, const DisplayMode& want) {
    // A 32-bit request is met by 24 colour bits stored in 32 (SDL's RGB888).
    const int bits = int(SDL_BITSPERPIXEL(mode.format));
    const int stored = int(SDL_BYTESPERPIXEL(mode.format)) * 8;
    return mode.w == want.width && mode.h == want.height &&
           (bits == want.bitsPerPixel || stored == want.bitsPerPixel);
}

}  // namespace

SDL_Window* MakeSdlWindow(const Window& w) {
    SDL_Window* sdl =
        SDL_CreateWindow(w.title.c_str(), w.x, w.y, w.clientWidth, w.clientHeight, w.sdlFlags);
    if (sdl && w.fullscreenMode) SDL_SetWindowDisplayMode(sdl, &State().switchedMode);
    return sdl;
}

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!ClassAvailable(windowClass) || !StartVideo()) return false;
    AddClass(windowClass);
    return true;
}

void UnregisterWindowClass(const char* className, ModuleHandle) {
    RemoveClass(className);
    StopVideoIfIdle();
}

void AdjustWindowRect(Rect& rect, uint32_t style, uint32_t) {
    if (!IsFramed(style)) return;
    const FrameExtents& f = State().frame;
    rect.left -= f.left;
    rect.top -= f.top;
    rect.right += f.right;
    rect.bottom += f.bottom;
}

WindowHandle CreateWindow(uint32_t exStyle, const char* className, const char* title,
                          uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                          ModuleHandle instance, void* createParams) {
    const CreateStruct create{createParams, instance, className, title, style, exStyle,
                              x, y, width, height};
    return CreateRegisteredWindow(create, [&]() -> WindowOwner {
        PlatformState& s = State();
        auto w = std::make_shared<Window>();
        w->title = title ? title : "";
        w->framed = IsFramed(style);
        w->fullscreenMode = !w->framed && s.modeSwitched && s.needsFullscreen;
        w->x = x;
        w->y = y;
        // SDL sizes the client area; the caller gave the outer size.
        const FrameExtents& f = w->framed ? s.frame : FrameExtents{};
        w->clientWidth = std::max(1, width - f.left - f.right);
        w->clientHeight = std::max(1, height - f.top - f.bottom);
        w->sdlFlags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
        w->sdlFlags |= w->framed ? SDL_WINDOW_RESIZABLE : SDL_WINDOW_BORDERLESS;
        if (exStyle & WS_EX_TOPMOST) w->sdlFlags |= SDL_WINDOW_ALWAYS_ON_TOP;
        if (w->fullscreenMode) w->sdlFlags |= SDL_WINDOW_FULLSCREEN;
        w->createdWith = s.applied;
        w->sdl = MakeSdlWindow(*w);
        if (!w->sdl) return nullptr;
        SDL_DisableScreenSaver();
        return w;
    });
}

void ShowWindow(WindowHandle handle, int32_t) {
    Window* w = FindWindow(handle);
    if (!w) return;
    SDL_ShowWindow(w->sdl);
    LearnFrame(*w);
    if (w->fullscreenMode) {
        // SDL may claim the switch and keep another mode; say so rather than pretend.
        SDL_DisplayMode now{};
        const int display = SDL_GetWindowDisplayIndex(w->sdl);
        if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &now) == 0 &&
            (now.w != State().switchedMode.w || now.h != State().switchedMode.h))
            SDL_Log("display runs at %dx%d, not the requested %dx%d", now.w, now.h,
                    State().switchedMode.w, State().switchedMode.h);
    }
    CallProcedure(w, WM_SIZE, SIZE_RESTORED, ClientSizeParam(*w));
}

void DrawableSize(const Window& window, int& width, int& height) {
    SDL_GL_GetDrawableSize(window.sdl, &width, &height);
}

void DestroyWindow(WindowHandle handle) {
    Window* w = FindWindow(handle);
    if (!w) return;
    SDL_DestroyWindow(w->sdl);
    RemoveWindow(handle);
    if (Registry().windows.empty()) SDL_EnableScreenSaver();
}

void LearnFrame(const Window& window) {
    // The window manager reports its frame some time after mapping; keep the last one seen.
    FrameExtents f;
    if (window.framed &&
        SDL_GetWindowBordersSize(window.sdl, &f.top, &f.left, &f.bottom, &f.right) == 0 &&
        f.top + f.left + f.bottom + f.right > 0)
        State().frame = f;
}

WindowHandle FocusedWindow() {
    SDL_Window* focus = State().videoReady ? SDL_GetKeyboardFocus() : nullptr;
    return focus ? FindSdlWindow(SDL_GetWindowID(focus)) : nullptr;
}

int32_t ChangeDisplayMode(const DisplayMode* mode) {
    PlatformState& s = State();
    if (!mode) {
        // SDL puts the desktop mode back as the full-screen window goes.
        for (auto& entry : Registry().windows)
            if (entry.window->fullscreenMode) SDL_SetWindowFullscreen(entry.window->sdl, 0);
        StopModeGuard();
        s.modeSwitched = s.needsFullscreen = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (!s.videoReady) return DISP_CHANGE_FAILED;
    SDL_DisplayMode current{};
    if (SDL_GetDesktopDisplayMode(0, &current) == 0 && ModeMatches(current, *mode)) {
        s.modeSwitched = true;
        s.needsFullscreen = false;
        s.switchedMode = current;
        return DISP_CHANGE_SUCCESSFUL;
    }
    // Only modes the display lists can be reached; SDL would otherwise report success and
    // quietly keep the nearest larger mode.
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode listed{};
        if (SDL_GetDisplayMode(0, i, &listed) == 0 && ModeMatches(listed, *mode)) {
            s.modeSwitched = s.needsFullscreen = true;
            s.switchedMode = listed;
            // SDL gives the desktop its mode back on every ending it sees; the guard on the rest.
            if (VideoDriverIs("x11")) StartModeGuard();
            return DISP_CHANGE_SUCCESSFUL;
        }
    }
    return DISP_CHANGE_BADMODE;
}

void ShowCursor(bool show) {
    if (State().videoReady) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace platform
