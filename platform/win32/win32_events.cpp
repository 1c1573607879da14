// The Win32 message queue, message boxes, focus and tick counter, and gamepads (XInput) as
// the keys the keyboard would hold, read whenever the queue has run dry.

#include "platform/common/message_box.h"
#include "platform/win32/win32_internal.h"
#include "platform/win32/win32_xinput.h"

namespace platform {
namespace {

// The last message removed, whole: dispatching it again passes its time and cursor position
// along as Win32 recorded them.
MSG lastRemoved{};

// A gamepad's key message carries this bit of lParam (one the keyboard leaves reserved), so
// that it is not taken for the keyboard's.
constexpr LPARAM PAD_KEY = LPARAM(1) << 25;
// How often a waiting program reads a connected pad.
constexpr DWORD PAD_POLL_MILLISECONDS = 15;

struct Gamepads {
    bool loaded = false;
    XInputPads xinput;
    KeySources keys;
    HWND target = nullptr;  // where the pads' held keys went
};

Gamepads& Pads() {
    static Gamepads pads;
    if (!pads.loaded) {
        pads.loaded = true;
        pads.xinput = LoadXInput();
    }
    return pads;
}

// Reads the pads (nothing while no window of ours has the focus, which lets their keys go) and
// posts what changed; true when something was posted.
bool ReadGamepads() {
    Gamepads& pads = Pads();
    HWND focus = GetFocus();
    const KeySet now = focus ? ReadXInput(pads.xinput, ::GetTickCount()) : KeySet{};
    const std::vector<KeyChange> changes = GamepadKeysChanged(pads.keys, now);
    if (focus) pads.target = focus;
    if (changes.empty() || !pads.target || !IsWindow(pads.target)) return false;
    for (const KeyChange& change : changes) {
        const LPARAM lParam = change.down ? (1 | PAD_KEY) : LPARAM(0xC0000001u | PAD_KEY);
        PostMessageA(pads.target, change.down ? WM_KEYDOWN : WM_KEYUP, change.vk, lParam);
    }
    return true;
}

// The keyboard's own keys: one the pads still hold is not let go.
bool KeyboardMessagePasses(const MSG& m) {
    if ((m.message != WM_KEYDOWN && m.message != WM_KEYUP) || (m.lParam & PAD_KEY)) return true;
    return KeyboardKeyChanged(Pads().keys, uint32_t(m.wParam), m.message == WM_KEYDOWN);
}

}  // namespace

bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // A null window would make this a thread message, which no window's loop ever removes.
    return window && PostMessageA(ToHwnd(window), message, wParam, lParam) != FALSE;
}

bool PeekMessage(Message& message, WindowHandle window) {
    MSG removed;
    for (;;) {
        if (!PeekMessageA(&removed, ToHwnd(window), 0, 0, PM_REMOVE)) {
            if (!ReadGamepads() || !PeekMessageA(&removed, ToHwnd(window), 0, 0, PM_REMOVE))
                return false;
        }
        if (KeyboardMessagePasses(removed)) break;
    }
    lastRemoved = removed;
    message = Message{FromHwnd(removed.hwnd), removed.message, removed.wParam, removed.lParam};
    return true;
}

// A program with no pad connected (or without the focus) sleeps until a message comes; with
// one it wakes to read it as well.
void WaitMessage() {
    Gamepads& pads = Pads();
    for (;;) {
        if (!AnyPadConnected(pads.xinput) || !GetFocus()) {
            ::WaitMessage();
            return;
        }
        if (MsgWaitForMultipleObjectsEx(0, nullptr, PAD_POLL_MILLISECONDS, QS_ALLINPUT,
                                        MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT ||
            ReadGamepads())
            return;
    }
}

intptr_t DispatchMessage(const Message& message) {
    MSG dispatched = lastRemoved;
    if (dispatched.hwnd != ToHwnd(message.window) || dispatched.message != message.message ||
        dispatched.wParam != message.wParam || dispatched.lParam != message.lParam) {
        dispatched = MSG{ToHwnd(message.window), message.message, message.wParam, message.lParam,
                         0, POINT{0, 0}};
    }
    return DispatchMessageA(&dispatched);
}

int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    const int answer = MessageBoxA(ToHwnd(owner), text, caption, style);
    return answer != 0 ? answer : AnswerWithoutBox(text, caption, style);
}

WindowHandle FocusedWindow() { return FromHwnd(GetFocus()); }

uint32_t GetTickCount() { return ::GetTickCount(); }

}  // namespace platform
