// The page's events as window messages: keys (the browser's key codes are the program's
// virtual-key codes) and the on-screen controls and gamepads that stand for them, the page
// hidden or shown, resized or its focus lost, and the modal boxes, which are dialogs in the
// page. Events arrive whenever the program yields to the browser: in WaitMessage, in a box and
// at every buffer swap; the gamepads are read at every buffer swap.
#include <emscripten/emscripten.h>

#include "platform/common/key_messages.h"
#include "platform/common/message_box.h"
#include "platform/web/web_internal.h"

namespace platform {
namespace {

// Keys the page would otherwise use itself: scrolling (space, page keys, end, home, arrows) and
// the browser's help. Combinations with Ctrl, Alt or Meta stay the browser's.
bool PageWouldUse(uint32_t vk) { return (vk >= VK_SPACE && vk <= VK_DOWN) || vk == VK_F1; }

void PostToAll(uint32_t message, uintptr_t wParam, bool withSize) {
    for (auto& entry : Registry().windows) {
        if (withSize && ContextLost(*entry.window)) continue;  // it waits for its context
        Post(*entry.window, message, wParam, withSize ? ClientSizeParam(*entry.window) : 0);
    }
}

// A key going down or up, from the keyboard or an on-screen control, as the first window's
// message; false when the key is not the program's (a box is open, no window, no code).
bool PostKey(uint32_t vk, bool down, bool repeat, bool alt) {
    PlatformState& s = State();
    Window* first = FirstWindow();
    if (s.boxOpen || !first || vk == 0 || vk > 0xFE) return false;
    // A page is not told the scan code.
    if (KeyboardKeyChanged(s.keys, vk, down)) PostKeyMessage(*first, vk, down, repeat, alt, 0);
    return true;
}

// The keys the gamepads hold now, as the first window's key messages.
void PostGamepadKeys(const KeySet& now) {
    const std::vector<KeyChange> changes = GamepadKeysChanged(State().keys, now);
    Window* first = FirstWindow();
    if (!first) return;
    for (const KeyChange& change : changes)
        PostKeyMessage(*first, change.vk, change.down, false, false, 0);
}

EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* key, void*) {
    const uint32_t vk = uint32_t(key->keyCode);
    if (!PostKey(vk, eventType == EMSCRIPTEN_EVENT_KEYDOWN, key->repeat, key->altKey))
        return EM_FALSE;
    const bool modified = key->ctrlKey || key->altKey || key->metaKey;
    return PageWouldUse(vk) && !modified ? EM_TRUE : EM_FALSE;
}

// A key held while the page loses the focus never sends its key-up to the page: send it here,
// so that no key stays pressed for the program.
EM_BOOL OnBlur(int, const EmscriptenFocusEvent*, void*) {
    PlatformState& s = State();
    Window* first = FirstWindow();
    for (uint32_t vk = 0; vk < s.keys.keyboard.size(); ++vk)
        if (s.keys.keyboard.test(vk) && KeyboardKeyChanged(s.keys, vk, false) && first)
            Post(*first, WM_KEYUP, vk, intptr_t(0xC0000001u));
    PostGamepadKeys({});  // and the gamepads' keys, as the focus has gone
    return EM_FALSE;
}

// A hidden page (another tab, a minimised browser) is a minimised window: no frames are drawn.
// A window whose context is lost stays minimised until the context is back.
EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* visibility, void*) {
    if (visibility->hidden) PostToAll(WM_SIZE, SIZE_MINIMIZED, false);
    else PostToAll(WM_SIZE, SIZE_RESTORED, true);
    return EM_FALSE;
}

// A new page size (a rotation, a resized browser window, a zoom) fits each canvas again; one
// whose drawing buffer changed is a window resized, as on the desktop. A hidden page's windows
// hear of their size when it is shown again.
EM_BOOL OnResize(int, const EmscriptenUiEvent*, void*) {
    for (auto& entry : Registry().windows)
        if (web_canvas_fit(entry.window->canvas) && !web_page_hidden() &&
            !ContextLost(*entry.window))
            Post(*entry.window, WM_SIZE, SIZE_RESTORED, ClientSizeParam(*entry.window));
    return EM_FALSE;
}

}  // namespace

// Holding an on-screen control is holding its key (web_library.js).
extern "C" EMSCRIPTEN_KEEPALIVE void web_control_key(int vk, int down) {
    PostKey(uint32_t(vk), down != 0, false, false);
}

void ReadGamepads() {
    constexpr int MAX_PADS = 4;
    float values[MAX_PADS * WEB_PAD_VALUES];
    KeySet now;
    // Only the focused page's pads count, and none while a box holds the keys.
    const bool reading = FocusedWindow() && !State().boxOpen;
    const int pads = reading ? web_gamepads_read(values, MAX_PADS) : 0;
    for (int i = 0; i < pads && i < MAX_PADS; ++i) {
        const float* v = values + i * WEB_PAD_VALUES;
        GamepadState pad{v[0], v[1], v[2], v[3], v[4], v[5], uint32_t(v[6])};
        now |= GamepadKeys(pad);
    }
    PostGamepadKeys(now);
}

void StartEvents() {
    PlatformState& s = State();
    if (s.eventsStarted) return;
    s.eventsStarted = true;
    const char* page = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(page, nullptr, EM_TRUE, OnKey);
    emscripten_set_keyup_callback(page, nullptr, EM_TRUE, OnKey);
    emscripten_set_blur_callback(page, nullptr, EM_TRUE, OnBlur);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, OnVisibility);
    emscripten_set_resize_callback(page, nullptr, EM_TRUE, OnResize);
    web_controls_start();
}

// Wakes a WaitMessage in progress.
void MessagePosted() { web_wake(); }

bool PeekMessage(Message& message, WindowHandle window) { return TakeMessage(message, window); }

void WaitMessage() {
    WindowRegistry& r = Registry();
    if (r.windows.empty()) return;  // nothing could ever arrive
    const size_t before = r.queue.size();
    while (r.queue.size() <= before) {
        web_wait_event();
        EndIfContextGivenUp();
    }
}

int ShowMessageBox(WindowHandle, const char* text, const char* caption, uint32_t style) {
    StartEvents();
    PlatformState& s = State();
    const bool question = (style & 0x0F) == MB_YESNO;
    const bool warning = (style & 0xF0) == MB_ICONEXCLAMATION;
    s.boxOpen = true;
    const int answer =
        web_show_box(text ? text : "", caption ? caption : "", question ? 1 : 0, warning ? 1 : 0);
    s.boxOpen = false;
    if (answer == IDYES || answer == IDNO || answer == IDOK) return answer;
    return AnswerWithoutBox(text, caption, style);
}

}  // namespace platform
