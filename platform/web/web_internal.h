// State shared by the web implementation of platform.h (Emscripten's HTML5 API and WebGL, with
// the page's own parts in web_library.js): the windows' canvases and the page's events (the
// classes, windows and queue are kept in common/window_registry.h). Only platform/web/ includes
// this.
#pragma once

#include <emscripten/html5.h>

#include <string>
#include <vector>

#include "platform/common/gamepad_keys.h"
#include "platform/common/window_registry.h"

namespace platform {

struct GlState;  // what a context holds, kept in wasm memory (gl/web_gl_internal.h)
struct Window;

struct Context {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE gl = 0;
    Window* window = nullptr;  // whose canvas it draws on
    GlState* state = nullptr;  // made when the context is first made current
    long lossTimer = 0;        // while lost: the interval that counts the visible time
    double lostVisibleMs = 0;  // how long the page has been seen with the context lost
    double lossTick = 0;
};

struct Window {
    int canvas = 0;              // the page's number for this window's canvas element
    std::string selector;        // "#quorvane-canvas-N", for the HTML5 API
    Context* context = nullptr;  // the GL context made for it, if any
};

struct PlatformState {
    KeySources keys;  // held on the keyboard and controls, and on pads: owed key-ups at a blur
    bool eventsStarted = false;
    bool boxOpen = false;            // keys then belong to the box
    bool fullscreen = false;         // the screen element is (being) shown full screen
    bool contextGivenUp = false;     // a lost context was not restored in time
};

PlatformState& State();
// Starts listening to the page's keys, focus and visibility, once.
void StartEvents();
// Reads the page's gamepads (once a frame) and posts the keys they hold as key messages.
void ReadGamepads();
// Per pad from web_gamepads_read: left x, left y, right x, right y, left trigger, right
// trigger, and the GamepadButton bits.
inline constexpr int WEB_PAD_VALUES = 7;

// The page's GL (gl/web_gl_context.cpp). A state is made with its context current, and made
// current with it; one made for a context already lost starts lost.
GlState* NewGlState(bool lost);
void DeleteGlState(GlState* state);
void UseGlState(GlState* state);  // null: no context is current
void FlushGl();                   // draws what is gathered, before a swap or a switch
// After a loss the state forgets its WebGL objects and keeps the rest; after the restore, with
// the context current, it makes them all again.
void LoseGlObjects(GlState& state);
void RestoreGlObjects(GlState& state);
bool GlObjectsLost(const GlState& state);

// A lost context (web_context_loss.cpp): its window waits as a minimised one does, and a page
// seen for kContextRestoreMs without it back ends the program.
constexpr double kContextRestoreMs = 5000;
void WatchContext(Context& context);
void UnwatchContext(Context& context);
// The context is lost (its event, or found lost when first made current): its window waits,
// and the time the page is seen starts to count, once for each loss.
void ContextWasLost(Context& context);
bool ContextLost(const Window& window);
// In WaitMessage: ends the program, with its box, when the context was given up.
void EndIfContextGivenUp();

}  // namespace platform

// The page's side, in web_library.js.
extern "C" {
int web_canvas_create(int cssWidth, int cssHeight, int popup, int background);
void web_canvas_show(int canvas);
void web_canvas_restored(int canvas);
void web_canvas_destroy(int canvas);
void web_canvas_pixel_size(int canvas, int* width, int* height);
int web_canvas_fit(int canvas);
void web_controls_start();
void web_program_ended(int status);
void web_set_cursor_visible(int visible);
int web_page_has_focus();
int web_page_hidden();
// Fills up to maxPads records of WEB_PAD_VALUES numbers for the page's gamepads in the standard
// layout; returns how many.
int web_gamepads_read(float* values, int maxPads);
void web_wake();
// These yield to the browser (Asyncify) and resume when their answer is there.
int web_show_box(const char* text, const char* caption, int question, int warning);
void web_wait_event();
void web_present();
int web_fullscreen(int enter);
}
