// The window procedure and the two requests that end a window's inner loop.
#include "app/window_messages.h"

#include "app/gl_window.h"
#include "app/requests.h"

int32_t appRunning = 0;
int32_t wantFullscreen = 0;

void RequestQuit(WindowState& window) {
    platform::PostMessage(window.hwnd, platform::WM_QUIT, 0, 0);
    appRunning = 0;
}

void RequestFullscreenToggle(WindowState& window) {
    platform::PostMessage(window.hwnd, MSG_SWITCH_SCREEN_MODE, 0, 0);
}

intptr_t HandleWindowMessage(platform::WindowHandle hwnd, uint32_t message, uintptr_t wParam,
                             intptr_t lParam) {
    using namespace platform;
    auto* window = static_cast<WindowState*>(GetWindowUserData(hwnd));
    if (message == WM_CREATE) {
        const auto* create = reinterpret_cast<const CreateStruct*>(lParam);
        SetWindowUserData(hwnd, create ? create->createParams : nullptr);
        return 0;
    }
    if (!window) return DefaultWindowProcedure(hwnd, message, wParam, lParam);

    switch (message) {
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                window->visible = 0;
                return 0;
            }
            if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
                window->visible = 1;
                SetProjection(int32_t(lParam & 0xFFFF), int32_t((lParam >> 16) & 0xFFFF));
                return 0;
            }
            break;
        case WM_CLOSE:
            RequestQuit(*window);  // the main loop destroys the window
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (wParam <= 255) {
                (*window->keys)[wParam] = message == WM_KEYDOWN ? 1 : 0;
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;
        case MSG_SWITCH_SCREEN_MODE:
            wantFullscreen = wantFullscreen == 1 ? 0 : 1;
            PostMessage(hwnd, WM_QUIT, 0, 0);
            break;
        default:
            break;
    }
    return DefaultWindowProcedure(hwnd, message, wParam, lParam);
}
