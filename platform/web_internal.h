// State shared by the web implementation of platform.h (Emscripten's HTML5 API and WebGL, with
// the page's own parts in web_library.js): the windows' canvases and the page's events (the
// classes, windows and queue are kept in window_registry.h). Only platform/web_*.cpp include
// this.
#pragma once

#include <emscripten/html5.h>

#include <string>
#include <vector>

#include "platform/window_registry.h"

namespace platform {

struct Context {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE gl = 0;
    bool emulationReady = false;  // the fixed-function emulation is set up for this context
};

struct Window {
    int canvas = 0;              // the page's number for this window's canvas element
    std::string selector;        // "#quorvane-canvas-N", for the HTML5 API
    bool pixelFormatSet = false;
};

struct PlatformState {
    std::vector<uint32_t> keysDown;  // for the key-ups the page owes when it loses the focus
    bool eventsStarted = false;
    bool boxOpen = false;            // keys then belong to the box
    bool fullscreen = false;         // the screen element is (being) shown full screen
};

PlatformState& State();
// Starts listening to the page's keys, focus and visibility, once.
void StartEvents();
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
