// State shared by the web implementation of platform.h (Emscripten's HTML5 API and WebGL, with
// the page's own parts in web_library.js): the windows, which are canvases, and the message
// queue. Only platform/web_*.cpp include this.
#pragma once

#include <emscripten/html5.h>

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace platform {

struct Device {
    Window* window;
};

struct Context {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE gl = 0;
    bool emulationReady = false;  // the fixed-function emulation is set up for this context
};

struct Window {
    WindowProcedure procedure = nullptr;
    void* userData = nullptr;
    int canvas = 0;              // the page's number for this window's canvas element
    std::string selector;        // "#quorvane-canvas-N", for the HTML5 API
    bool pixelFormatSet = false;
    Device device{this};
};

struct PlatformState {
    std::vector<std::pair<std::string, WindowProcedure>> classes;
    std::vector<std::unique_ptr<Window>> windows;
    std::deque<Message> queue;
    std::vector<uint32_t> keysDown;  // for the key-ups the page owes when it loses the focus
    bool eventsStarted = false;
    bool boxOpen = false;            // keys then belong to the box
    bool fullscreen = false;         // the screen element is (being) shown full screen
};

PlatformState& State();
Window* FindWindow(WindowHandle handle);
// The canvas's drawing-buffer size in device pixels packed as WM_SIZE's lParam.
intptr_t ClientSizeParam(const Window& window);
// Starts listening to the page's keys, focus and visibility, once.
void StartEvents();
// Appends a message and wakes a WaitMessage in progress.
void Post(Window& window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Draws the GL_QUADS blocks gathered so far (web_gl_batch.cpp).
void FlushBatchedQuads();

}  // namespace platform

// The page's side, in web_library.js.
extern "C" {
int web_canvas_create(int cssWidth, int cssHeight, int popup, int background);
void web_canvas_show(int canvas);
void web_canvas_destroy(int canvas);
void web_canvas_pixel_size(int canvas, int* width, int* height);
int web_canvas_fit(int canvas);
void web_controls_start();
void web_gl_emulation_init();
void web_set_cursor_visible(int visible);
int web_page_has_focus();
int web_page_hidden();
void web_wake();
// These yield to the browser (Asyncify) and resume when their answer is there.
int web_show_box(const char* text, const char* caption, int question, int warning);
void web_wait_event();
void web_present();
int web_fullscreen(int enter);
}
