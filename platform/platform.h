// The platform layer: the only code that talks to the windowing system (SDL2 in the program,
// a scripted fake in unit tests). It speaks the program's own vocabulary: window messages with
// a number, wParam and lParam, a window procedure, modal boxes, a wrapping millisecond tick.
// Nothing above this header includes SDL.
#pragma once

#include <cstdint>

namespace platform {

// Opaque handles. Null means "none".
using WindowHandle = struct Window*;
using DeviceContext = struct Device*;
using GlContext = struct Context*;
using ModuleHandle = struct Module*;

// Window message numbers and their parameters, as the window procedure sees them.
inline constexpr uint32_t WM_CREATE = 0x0001;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_QUIT = 0x0012;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_USER = 0x0400;

inline constexpr uintptr_t SIZE_RESTORED = 0;
inline constexpr uintptr_t SIZE_MINIMIZED = 1;
inline constexpr uintptr_t SIZE_MAXIMIZED = 2;
inline constexpr uintptr_t SC_SCREENSAVE = 0xF140;
inline constexpr uintptr_t SC_MONITORPOWER = 0xF170;

using WindowProcedure = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);

struct Message {
    WindowHandle window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// Modal message boxes. Styles and answers keep the familiar numbers.
inline constexpr uint32_t MB_OK = 0x00;
inline constexpr uint32_t MB_YESNO = 0x04;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr int IDOK = 1;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows a modal box and returns the answer. When no box can be shown the text goes to
// standard error and the answer is IDNO for a Yes/No question, IDOK otherwise.
int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style);

// The window that has the keyboard focus, or null.
WindowHandle FocusedWindow();

// Address of an OpenGL entry point in the current context, or null.
void* GetGlProcAddress(const char* name);

// Milliseconds since an arbitrary start, 32-bit, wrapping.
uint32_t GetTickCount();

// The rest of the interface (window class, window creation in steps, display modes, cursor,
// message queue, buffer swap) follows below.

}  // namespace platform
