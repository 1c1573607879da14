// The demo's own window and frame loop, timed over a fixed number of frames: the shell's
// OpenGlWindow, the scene's hooks and the message handling of the main loop, over whichever
// platform backend the build has (SDL2 on Linux, Win32 and WGL on Windows). Built by both, it
// lets bench/shell_frame/compare_wine.py set the two systems side by side on one screen.
//   shell_frame_loop [frames]   (run in the folder holding water05t.bmp; prints frames/s)
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_main.h"
#include "app/gl_window.h"
#include "platform/platform.h"
#include "scene/scene.h"

namespace {

constexpr int kWarmUpFrames = 30;  // shader compilation and first uploads fall in these

// Handles what is queued for the window, as the main loop does between frames.
bool HandleMessages(WindowState& window) {
    platform::Message message{};
    while (platform::PeekMessage(message, window.hwnd)) {
        if (message.message == platform::WM_QUIT) return false;
        platform::DispatchMessage(message);
    }
    return true;
}

// Frames as the main loop runs them, each after the messages waiting for it; false once the
// window was asked to go.
bool RunFrames(WindowState& window, int frames) {
    for (int i = 0; i < frames; ++i) {
        if (!HandleMessages(window)) return false;
        RunFrame(window);
    }
    glFinish();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: shell_frame_loop [frames > 0]\n");
        return 2;
    }
    AppInfo app{platform::CurrentModule(), "OpenGL"};
    KeyStates keys{};
    WindowState window{};
    window.keys = &keys;
    window.app = &app;
    window.config = {"Quorvane frame loop", 640, 480, 32, 0};
    if (!RegisterAppWindowClass(app)) return 1;
    int status = 1;
    if (OpenGlWindow(window)) {
        if (SceneInit(window, keys)) {
            const bool warm = RunFrames(window, kWarmUpFrames);
            const auto start = std::chrono::steady_clock::now();
            const bool running = warm && RunFrames(window, frames);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (running) {
                std::printf("%.2f\n", frames / took.count());
                status = 0;
            }
        }
        SceneShutdown();
        CloseGlWindow(window);
    }
    platform::UnregisterWindowClass(app.className, app.instance);
    return status;
}
