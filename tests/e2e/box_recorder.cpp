// Preloaded into the program by the end-to-end tests. Writes the caption and text of every
// message box to the file named by QUORVANE_BOX_LOG, then shows the real box as usual, so a
// test can read exactly what a person was told (an X window's drawn text cannot be read back).
// Before each OpenGL context is made it also writes the bytes malloc has handed out and not
// had back to QUORVANE_HEAP_LOG: the previous window is gone by then, so the figures show
// whether a window's memory is returned. The program's calls that take a window down (context
// deleted, window destroyed, cursor shown or hidden) go to QUORVANE_CALL_LOG, so a test can see
// that a way out went through the normal shutdown. The buffer swaps (frames drawn) are counted
// and the total is written to QUORVANE_FRAME_LOG when the program exits normally.
#include <SDL.h>
#include <dlfcn.h>
#include <malloc.h>

#include <cstdio>
#include <cstdlib>

namespace {

template <typename Fn>
Fn Next(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

void Append(const char* variable, const char* first, const char* second) {
    const char* path = std::getenv(variable);
    if (!path) return;
    if (std::FILE* log = std::fopen(path, "ab")) {
        // Unit and record separators: box texts hold line feeds of their own.
        std::fprintf(log, "%s\x1f%s\x1e", first, second);
        std::fclose(log);
    }
}

}  // namespace

extern "C" int SDL_ShowMessageBox(const SDL_MessageBoxData* data, int* buttonId) {
    using Fn = int (*)(const SDL_MessageBoxData*, int*);
    static const Fn real = Next<Fn>("SDL_ShowMessageBox");
    if (data)
        Append("QUORVANE_BOX_LOG", data->title ? data->title : "",
               data->message ? data->message : "");
    return real ? real(data, buttonId) : -1;
}

extern "C" SDL_GLContext SDL_GL_CreateContext(SDL_Window* window) {
    using Fn = SDL_GLContext (*)(SDL_Window*);
    static const Fn real = Next<Fn>("SDL_GL_CreateContext");
    const struct mallinfo2 heap = mallinfo2();  // every arena, plus malloc's own mappings
    char bytes[32];
    std::snprintf(bytes, sizeof bytes, "%zu", heap.uordblks + heap.hblkhd);
    Append("QUORVANE_HEAP_LOG", "in use", bytes);
    return real ? real(window) : nullptr;
}

extern "C" void SDL_GL_DeleteContext(SDL_GLContext context) {
    using Fn = void (*)(SDL_GLContext);
    static const Fn real = Next<Fn>("SDL_GL_DeleteContext");
    Append("QUORVANE_CALL_LOG", "SDL_GL_DeleteContext", "");
    if (real) real(context);
}

extern "C" void SDL_DestroyWindow(SDL_Window* window) {
    using Fn = void (*)(SDL_Window*);
    static const Fn real = Next<Fn>("SDL_DestroyWindow");
    Append("QUORVANE_CALL_LOG", "SDL_DestroyWindow", "");
    if (real) real(window);
}

extern "C" int SDL_ShowCursor(int toggle) {
    using Fn = int (*)(int);
    static const Fn real = Next<Fn>("SDL_ShowCursor");
    Append("QUORVANE_CALL_LOG", "SDL_ShowCursor", toggle == SDL_ENABLE ? "shown" : "hidden");
    return real ? real(toggle) : 0;
}

namespace {
struct FrameCount {
    unsigned long long swaps = 0;
    ~FrameCount() {
        char total[32];
        std::snprintf(total, sizeof total, "%llu", swaps);
        Append("QUORVANE_FRAME_LOG", "frames", total);
    }
} frames;
}  // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Fn = void (*)(SDL_Window*);
    static const Fn real = Next<Fn>("SDL_GL_SwapWindow");
    ++frames.swaps;
    if (real) real(window);
}
