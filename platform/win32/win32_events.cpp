// The Win32 message queue, message boxes, focus and tick counter.

#include "platform/common/message_box.h"
#include "platform/win32/win32_internal.h"

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
    return answer != 0 ? answer : AnswerWithoutBox(text, caption, style);
}

WindowHandle FocusedWindow() { return FromHwnd(GetFocus()); }

uint32_t GetTickCount() { return ::GetTickCount(); }

}  // namespace platform
