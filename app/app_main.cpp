// The entry function: asks whether to start full-screen, then makes one window per pass of the
// outer loop and runs its messages and frames until a quit or a screen-mode request.
#include "app/app_main.h"

#include "app/gl_window.h"
#include "app/requests.h"
#include "scene/scene.h"

namespace {

void ShowError(const char* text) {
    platform::ShowMessageBox(nullptr, text, "Error", platform::MB_ICONEXCLAMATION);
}

// Handles one message, or waits while minimised, or runs one frame, until WM_QUIT arrives.
void RunInnerLoop(WindowState& window) {
    platform::Message message{};
    bool running = true;
    while (running) {
        if (platform::PeekMessage(message, window.hwnd)) {
            if (message.message == platform::WM_QUIT) running = false;
            else platform::DispatchMessage(message);
        } else if (!window.visible) {
            platform::WaitMessage();  // a minimised demo costs nothing
        } else {
            RunFrame(window);
        }
    }
}

}  // namespace

void RunFrame(WindowState& window) {
    const uint32_t now = platform::GetTickCount();
    SceneUpdate(now - window.lastFrameTick);  // unsigned: right across the wrap
    window.lastFrameTick = now;
    SceneDraw();
    platform::SwapBuffers(window.hdc);
}

int32_t AppMain(platform::ModuleHandle instance, platform::ModuleHandle, const char*, int32_t) {
    AppInfo app{instance, "OpenGL"};
    KeyStates keys{};
    WindowState window{};
    window.keys = &keys;
    window.app = &app;
    window.config = {"Quorvane BaseCode", 640, 480, 32, 1};

    const int answer =
        platform::ShowMessageBox(nullptr, "Would You Like To Run In Fullscreen Mode?",
                                 "Start FullScreen?", platform::MB_YESNO | platform::MB_ICONQUESTION);
    if (answer == platform::IDNO) window.config.fullscreen = 0;

    if (!RegisterAppWindowClass(app)) {
        ShowError("Error Registering Window Class!");
        return -1;
    }

    appRunning = 1;
    wantFullscreen = window.config.fullscreen;
    int32_t exitStatus = 0;
    while (appRunning) {
        window.config.fullscreen = wantFullscreen;
        if (!OpenGlWindow(window)) {
            ShowError("Error Creating OpenGL Window");
            appRunning = 0;
            exitStatus = 1;
            continue;
        }
        if (SceneInit(window, keys)) {
            RunInnerLoop(window);
        } else {
            RequestQuit(window);
            exitStatus = 1;
        }
        SceneShutdown();
        CloseGlWindow(window);
    }

    platform::UnregisterWindowClass(app.className, app.instance);
    return exitStatus;
}
