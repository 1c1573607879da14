// Frames per second of the demo's real frame (SceneUpdate + SceneDraw + swap) in a 640 x 480
// window, against the plain-loop reference issuing the same GL calls, alternating in one run;
// and the time from window creation to the first presented frame. Runs itself under Xvfb with
// Mesa's llvmpipe so the figures are comparable from machine to machine.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/projection.h"
#include "app/requests.h"
#include "bench/frame/reference_frame.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "scene/scene_state.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;
constexpr int FRAMES_PER_BLOCK = 20;
constexpr int BLOCKS = 60;
constexpr int STARTUP_ROUNDS = 20;
constexpr const char* CHILD_FLAG = "QUORVANE_FRAME_BENCH_UNDER_XVFB";

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The window the shell would make: double-buffered RGBA, 16-bit depth, 1-bit stencil.
struct GlWindow {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

    bool Open() {
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        window = SDL_CreateWindow("frame benchmark", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  WIDTH, HEIGHT, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        if (!window) return false;
        context = SDL_GL_CreateContext(window);
        if (!context) return false;
        SDL_GL_SetSwapInterval(0);
        SetProjection(WIDTH, HEIGHT);  // the shell's view, for both contenders
        return true;
    }
    ~GlWindow() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
    }
};

void DrainEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
}

WindowState shellWindow{};
KeyStates noKeys{};
uint32_t lastTick;

bool DemoInit() { return SceneInit(shellWindow, noKeys); }
void DemoFrame() {
    const uint32_t now = SDL_GetTicks();
    SceneUpdate(now - lastTick);
    lastTick = now;
    SceneDraw();
}
bool ReferenceInit() { return reference_frame::Init("water05t.bmp"); }

struct Contender {
    bool (*init)();
    void (*frame)();
    GlWindow window;
    double firstFrameSeconds = 0;
    double loopSeconds = 0;
    int frames = 0;

    // Window creation to the first presented frame.
    bool Start() {
        const Clock::time_point start = Clock::now();
        if (!window.Open() || !init()) return false;
        lastTick = SDL_GetTicks();
        frame();
        SDL_GL_SwapWindow(window.window);
        glFinish();
        firstFrameSeconds = Seconds(start, Clock::now());
        return true;
    }
    // Frames back to back, as the shell's loop runs them when no message is waiting.
    void Block(int count) {
        SDL_GL_MakeCurrent(window.window, window.context);
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < count; ++i) {
            DrainEvents();
            frame();
            SDL_GL_SwapWindow(window.window);
        }
        glFinish();
        loopSeconds += Seconds(start, Clock::now());
        frames += count;
    }
    double FramesPerSecond() const { return frames / loopSeconds; }
};

// Both draw the same picture and light the same shades, or the comparison means nothing.
bool SamePicture() {
    GlWindow w;
    if (!w.Open() || !DemoInit()) return false;
    std::vector<unsigned char> demo(WIDTH * HEIGHT * 4), reference(WIDTH * HEIGHT * 4);
    SceneDraw();
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, demo.data());
    if (!ReferenceInit()) return false;
    reference_frame::Frame();
    glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, reference.data());
    int differentShades = 0;
    for (int i = 0; i < 64 * 64; ++i) {
        const float referenceShade = reference_frame::Shade(i);
        if (std::memcmp(&sceneState.grid.shades[i], &referenceShade, sizeof(float)) != 0) {
            ++differentShades;
        }
    }
    size_t differentPixels = 0;
    for (size_t i = 0; i < demo.size(); i += 4) {
        if (std::memcmp(&demo[i], &reference[i], 3) != 0) ++differentPixels;
    }
    std::printf("same picture check: %zu differing pixels, %d differing shades\n", differentPixels,
                differentShades);
    SceneShutdown();
    return differentPixels == 0 && differentShades == 0;
}

int RunUnderXvfb(char** argv) {
    setenv(CHILD_FLAG, "1", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    char self[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return 1;
    char* args[] = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                    const_cast<char*>("-s"), const_cast<char*>("-screen 0 1024x768x24"), self,
                    nullptr};
    (void)argv;
    execvp("xvfb-run", args);
    std::perror("bench_frame: cannot run xvfb-run (Debian package xvfb)");
    return 1;
}

}  // namespace

int main(int, char** argv) {
    if (!std::getenv(CHILD_FLAG)) return RunUnderXvfb(argv);

    if (chdir(QUORVANE_DATA_DIR) != 0) {
        std::perror("bench_frame: no data directory");
        return 1;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "bench_frame: %s\n", SDL_GetError());
        return 1;
    }
    if (!SamePicture()) {
        std::fprintf(stderr, "bench_frame: the reference does not draw what the demo draws\n");
        SDL_Quit();
        return 1;
    }

    // Start-up: fresh windows each round, alternating which comes first.
    std::vector<double> demoFirst, referenceFirst;
    for (int round = 0; round < STARTUP_ROUNDS; ++round) {
        Contender demo{DemoInit, DemoFrame, {}}, reference{ReferenceInit, reference_frame::Frame, {}};
        const bool ok = round % 2 == 0 ? demo.Start() && reference.Start()
                                       : reference.Start() && demo.Start();
        if (!ok) {
            std::fprintf(stderr, "bench_frame: window or texture failed: %s\n", SDL_GetError());
            SDL_Quit();
            return 1;
        }
        demoFirst.push_back(demo.firstFrameSeconds);
        referenceFirst.push_back(reference.firstFrameSeconds);
        SceneShutdown();
    }

    // Frame rate: both windows open, short blocks alternating so that load from elsewhere on
    // the machine falls on both alike.
    Contender demo{DemoInit, DemoFrame, {}}, reference{ReferenceInit, reference_frame::Frame, {}};
    if (!demo.Start() || !reference.Start()) {
        std::fprintf(stderr, "bench_frame: window or texture failed: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    for (int block = 0; block < BLOCKS; ++block) {
        if (block % 2 == 0) {
            demo.Block(FRAMES_PER_BLOCK);
            reference.Block(FRAMES_PER_BLOCK);
        } else {
            reference.Block(FRAMES_PER_BLOCK);
            demo.Block(FRAMES_PER_BLOCK);
        }
    }
    SceneShutdown();

    const double fps = demo.FramesPerSecond(), refFps = reference.FramesPerSecond();
    std::printf("frame rate, 640x480, Xvfb + llvmpipe (%d frames each, in alternating blocks of %d):\n"
                "  demo %.1f fps, reference %.1f fps, ratio %.3f (target >= 0.95)\n",
                demo.frames, FRAMES_PER_BLOCK, fps, refFps, fps / refFps);
    const double first = Median(demoFirst), refFirst = Median(referenceFirst);
    std::printf("window creation to first presented frame (median of %d):\n"
                "  demo %.1f ms, reference %.1f ms, ratio %.3f\n",
                STARTUP_ROUNDS, first * 1e3, refFirst * 1e3, first / refFirst);
    SDL_Quit();
    return 0;
}

// The benchmark holds no keys, so the requests are never made; messages go to standard error.
void RequestQuit(WindowState&) {}
void RequestFullscreenToggle(WindowState&) {}

namespace platform {
int ShowMessageBox(WindowHandle, const char* text, const char* caption, uint32_t) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
}
WindowHandle FocusedWindow() { return nullptr; }
void* GetGlProcAddress(const char* name) { return SDL_GL_GetProcAddress(name); }
}  // namespace platform
