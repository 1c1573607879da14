// A WebGL context the browser takes away (a GPU reset, a page long in the background on a
// phone, too many contexts) and gives back. While it is lost its window is minimised, so the
// program waits for messages and draws nothing; its GL state stays in the page's GL (gl/). When it
// comes back every WebGL object is made again from that state and the window is restored, so the
// same light and view go on. A context can be lost as it is made (a GPU reset while the
// start-up box is up): it is then found lost when first made current, before its loss event
// comes, and its objects are first made at the restore. A context not back after the page has
// been seen for kContextRestoreMs ends the program with one box, as a window that cannot be
// made would.
#include <emscripten/emscripten.h>
#include <emscripten/eventloop.h>
#include <emscripten/html5_webgl.h>

#include "platform/web/web_internal.h"

namespace platform {
namespace {

constexpr double kTickMs = 250;

// Counts the time the page is seen, not the time it is hidden.
void CountVisibleTime(void* data) {
    auto* context = static_cast<Context*>(data);
    const double now = emscripten_get_now();
    if (!web_page_hidden()) context->lostVisibleMs += now - context->lossTick;
    context->lossTick = now;
    if (context->lostVisibleMs < kContextRestoreMs) return;
    emscripten_clear_interval(context->lossTimer);
    context->lossTimer = 0;
    State().contextGivenUp = true;
    web_wake();
}

void StopCounting(Context& context) {
    if (context.lossTimer) emscripten_clear_interval(context.lossTimer);
    context.lossTimer = 0;
}

void PostSize(Window& window, bool restored) {
    if (!FindWindow(&window)) return;
    if (restored) Post(window, WM_SIZE, SIZE_RESTORED, ClientSizeParam(window));
    else Post(window, WM_SIZE, SIZE_MINIMIZED, 0);
}

// Asks the browser to give the context back (the default is to keep it lost for good).
EM_BOOL OnLost(int, const void*, void* data) {
    ContextWasLost(*static_cast<Context*>(data));
    return EM_TRUE;
}

EM_BOOL OnRestored(int, const void*, void* data) {
    auto* context = static_cast<Context*>(data);
    // Lost again before this event came: the next loss event carries on the count.
    if (emscripten_is_webgl_context_lost(context->gl)) return EM_TRUE;
    StopCounting(*context);
    if (!context->state || !GlObjectsLost(*context->state) || State().contextGivenUp)
        return EM_TRUE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE current = emscripten_webgl_get_current_context();
    emscripten_webgl_make_context_current(context->gl);
    RestoreGlObjects(*context->state);
    if (current != context->gl) emscripten_webgl_make_context_current(current);
    if (context->window) web_canvas_restored(context->window->canvas);
    // A hidden page's window is restored when the page is seen again.
    if (context->window && !web_page_hidden()) PostSize(*context->window, true);
    return EM_TRUE;
}

}  // namespace

void WatchContext(Context& context) {
    const char* canvas = context.window->selector.c_str();
    emscripten_set_webglcontextlost_callback(canvas, &context, EM_FALSE, OnLost);
    emscripten_set_webglcontextrestored_callback(canvas, &context, EM_FALSE, OnRestored);
}

void UnwatchContext(Context& context) {
    StopCounting(context);
    if (!context.window) return;
    const char* canvas = context.window->selector.c_str();
    emscripten_set_webglcontextlost_callback(canvas, nullptr, EM_FALSE, nullptr);
    emscripten_set_webglcontextrestored_callback(canvas, nullptr, EM_FALSE, nullptr);
}

void ContextWasLost(Context& context) {
    if (context.state) LoseGlObjects(*context.state);
    if (context.lossTimer || State().contextGivenUp) return;  // this loss is already counted
    context.lostVisibleMs = 0;
    context.lossTick = emscripten_get_now();
    context.lossTimer = emscripten_set_interval(CountVisibleTime, kTickMs, &context);
    if (context.window) PostSize(*context.window, false);
}

bool ContextLost(const Window& window) {
    return window.context && window.context->state && GlObjectsLost(*window.context->state);
}

void EndIfContextGivenUp() {
    PlatformState& s = State();
    if (!s.contextGivenUp) return;
    // Out of full screen first, so that the box shows in the page.
    if (s.fullscreen) web_fullscreen(0);
    s.fullscreen = false;
    web_set_cursor_visible(1);
    ShowMessageBox(nullptr, "OpenGL Context Lost.\nThe Browser Did Not Restore It.", "Error",
                   MB_ICONEXCLAMATION);
    for (auto& entry : Registry().windows) web_canvas_destroy(entry.window->canvas);
    web_program_ended(1);
    emscripten_force_exit(1);
}

}  // namespace platform
