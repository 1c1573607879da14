// The Win32 message queue, message boxes, focus, tick counter and OpenGL entry points.
#include <cstdio>

#include "platform/win32_internal.h"

namespace platform {
namespace {

// The last message removed, whole: dispatching it again passes its time and cursor position
// along as Win32 recorded them.
MSG lastRemoved{};

}  // namespace

bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // A null window would make this a thread message, which no window's loop ever removes.
    return window && PostMessageA(ToHwnd(window), message, wParam, lParam) != FALSE;
}

bool PeekMessage(Message& message, WindowHandle window) {
    MSG removed;
    if (!PeekMessageA(&removed, ToHwnd(window), 0, 0, PM_REMOVE)) return false;
    lastRemoved = removed;
    message = Message{FromHwnd(removed.hwnd), removed.message, removed.wParam, removed.lParam};
    return true;
}

void WaitMessage() { ::WaitMessage(); }

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
    if (answer != 0) return answer;
    // No box could be shown (no desktop, say): the user still gets the text somewhere.
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return (style & 0x0F) == MB_YESNO ? IDNO : IDOK;
}

WindowHandle FocusedWindow() { return FromHwnd(GetFocus()); }

void* GetGlProcAddress(const char* name) {
    if (!name) return nullptr;
    const PROC address = wglGetProcAddress(name);
    // Some drivers answer a small number instead of null for a function they lack.
    const intptr_t value = reinterpret_cast<intptr_t>(address);
    if (value >= -1 && value <= 3) return nullptr;
    return reinterpret_cast<void*>(address);
}

uint32_t GetTickCount() { return ::GetTickCount(); }

}  // namespace platform
