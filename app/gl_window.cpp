// Creation and destruction of the OpenGL window in its steps, each of which can fail and is
// undone in reverse order, plus the display switch.
#include "app/gl_window.h"

#include "app/window_messages.h"

namespace {

platform::PixelFormatRequest PixelFormatFor(int32_t colorBits) {
    platform::PixelFormatRequest request{};
    request.size = 40;
    request.version = 1;
    request.flags = platform::PFD_DRAW_TO_WINDOW | platform::PFD_SUPPORT_OPENGL |
                    platform::PFD_DOUBLEBUFFER;
    request.pixelType = platform::PFD_TYPE_RGBA;
    request.colorBits = uint8_t(colorBits & 0xFF);
    request.depthBits = 16;
    request.stencilBits = 1;
    request.layerType = platform::PFD_MAIN_PLANE;
    return request;
}

void RestoreDisplay() {
    platform::ChangeDisplayMode(nullptr);
    platform::ShowCursor(true);
}

// Releases whatever creation made so far, newest first, and nulls the handles. A switched
// display goes back too, so a failed start never leaves the desktop in another mode.
bool FailCreation(WindowState& window) {
    if (window.hglrc) platform::DeleteGlContext(window.hglrc);
    window.hglrc = nullptr;
    if (window.hdc) platform::ReleaseDeviceContext(window.hwnd, window.hdc);
    window.hdc = nullptr;
    if (window.hwnd) platform::DestroyWindow(window.hwnd);
    window.hwnd = nullptr;
    if (window.config.fullscreen) {
        RestoreDisplay();
        window.config.fullscreen = 0;
    }
    return false;
}

}  // namespace

bool RegisterAppWindowClass(const AppInfo& app) {
    const platform::WindowClass windowClass{
        platform::CS_HREDRAW | platform::CS_VREDRAW | platform::CS_OWNDC, HandleWindowMessage,
        app.instance, app.className, platform::IDC_ARROW, platform::COLOR_APPWORKSPACE};
    if (!platform::RegisterWindowClass(windowClass)) {
        platform::ShowMessageBox(nullptr, "RegisterClassEx Failed!", "Error",
                                 platform::MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

bool SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    const platform::DisplayMode mode{width, height, bitsPerPixel};
    return platform::ChangeDisplayMode(&mode) == platform::DISP_CHANGE_SUCCESSFUL;
}

bool OpenGlWindow(WindowState& window) {
    WindowConfig& config = window.config;
    uint32_t style = platform::WS_OVERLAPPEDWINDOW;
    uint32_t exStyle = platform::WS_EX_APPWINDOW;
    const platform::PixelFormatRequest pixelFormat = PixelFormatFor(config.colorBits);
    platform::Rect rect{0, 0, config.width, config.height};

    if (config.fullscreen == 1) {
        if (SwitchDisplayMode(config.width, config.height, config.colorBits)) {
            platform::ShowCursor(false);
            style = platform::WS_POPUP;
            exStyle |= platform::WS_EX_TOPMOST;
        } else {
            platform::ShowMessageBox(nullptr, "Mode Switch Failed.\nRunning In Windowed Mode.",
                                     "Error", platform::MB_ICONEXCLAMATION);
            config.fullscreen = 0;  // framed, and the rectangle stays unadjusted
        }
    } else {
        platform::AdjustWindowRect(rect, style, exStyle);
    }

    window.hwnd = platform::CreateWindow(exStyle, window.app->className, config.title, style, 0,
                                         0, rect.right - rect.left, rect.bottom - rect.top,
                                         window.app->instance, &window);
    if (!window.hwnd) return FailCreation(window);
    window.hdc = platform::GetDeviceContext(window.hwnd);
    if (!window.hdc) return FailCreation(window);
    const int32_t format = platform::ChoosePixelFormat(window.hdc, pixelFormat);
    if (format == 0) return FailCreation(window);
    if (!platform::SetPixelFormat(window.hdc, format, pixelFormat)) return FailCreation(window);
    window.hglrc = platform::CreateGlContext(window.hdc);
    if (!window.hglrc) return FailCreation(window);
    if (!platform::MakeGlContextCurrent(window.hdc, window.hglrc)) return FailCreation(window);

    platform::ShowWindow(window.hwnd, platform::SW_NORMAL);
    window.visible = 1;
    // The projection covers the drawing surface's pixels, which outnumber the client size asked
    // for on a scaled (high-DPI) screen.
    platform::Rect client{0, 0, config.width, config.height};
    platform::GetClientRect(window.hwnd, client);
    SetProjection(client.right - client.left, client.bottom - client.top);
    window.keys->fill(0);
    window.lastFrameTick = platform::GetTickCount();
    return true;
}

bool CloseGlWindow(WindowState& window) {
    if (window.hwnd) {
        if (window.hdc) {
            platform::MakeGlContextCurrent(window.hdc, nullptr);
            if (window.hglrc) {
                platform::DeleteGlContext(window.hglrc);
                window.hglrc = nullptr;
            }
            platform::ReleaseDeviceContext(window.hwnd, window.hdc);
            window.hdc = nullptr;
        }
        platform::DestroyWindow(window.hwnd);
        window.hwnd = nullptr;
    }
    if (window.config.fullscreen) RestoreDisplay();
    return true;
}
