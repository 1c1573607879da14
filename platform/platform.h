// The platform layer: the only code that talks to the windowing system (Win32 and WGL on
// Windows, WebGL and the page in a browser, SDL everywhere else, a scripted fake in unit tests;
// docs/architecture.md tells how each stands in for Win32). It speaks the program's own
// vocabulary, which is Win32's: window messages with a number, wParam and lParam, a window
// procedure, modal boxes, a wrapping millisecond tick. Nothing above this header includes SDL
// or windows.h.
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

// The module handle the process was started with (never null).
ModuleHandle CurrentModule();

// ---- Window class -------------------------------------------------------------------------
inline constexpr uint32_t CS_VREDRAW = 0x0001;
inline constexpr uint32_t CS_HREDRAW = 0x0002;
inline constexpr uint32_t CS_OWNDC = 0x0020;
inline constexpr uint32_t IDC_ARROW = 32512;          // the standard arrow cursor
inline constexpr intptr_t COLOR_APPWORKSPACE = 12;    // a system colour, as a class background

struct WindowClass {
    uint32_t style;
    WindowProcedure procedure;
    ModuleHandle instance;
    const char* className;
    uint32_t cursor;      // a standard cursor's number, 0 for none
    intptr_t background;  // the class background: a system colour's number, 0 for none
};

// False when the class cannot be registered: no usable display, an empty name or procedure,
// or a class of that name already registered by that module.
bool RegisterWindowClass(const WindowClass& windowClass);
void UnregisterWindowClass(const char* className, ModuleHandle instance);

// ---- Windows ------------------------------------------------------------------------------
inline constexpr uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;  // caption, frame, system buttons
inline constexpr uint32_t WS_POPUP = 0x80000000;             // no frame at all
inline constexpr uint32_t WS_EX_TOPMOST = 0x00000008;
inline constexpr uint32_t WS_EX_APPWINDOW = 0x00040000;
inline constexpr int32_t SW_NORMAL = 1;

struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// What WM_CREATE's lParam points to; the first field is the creation parameter.
struct CreateStruct {
    void* createParams;
    ModuleHandle instance;
    const char* className;
    const char* title;
    uint32_t style;
    uint32_t exStyle;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// Grows a client rectangle to the outer rectangle of a window with these styles.
void AdjustWindowRect(Rect& rect, uint32_t style, uint32_t exStyle);

// Creates a hidden window of the given outer size. The class's procedure receives WM_CREATE
// (lParam = CreateStruct*) before this returns. Null on failure.
WindowHandle CreateWindow(uint32_t exStyle, const char* className, const char* title,
                          uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                          ModuleHandle instance, void* createParams);
// Shows the window; the procedure receives WM_SIZE with the client size before this returns.
void ShowWindow(WindowHandle window, int32_t command);
// The client area's size in the pixels of its drawing surface (left and top 0): more than the
// size asked for where the screen is scaled (high DPI). False, leaving rect alone, for a null
// or unknown window.
bool GetClientRect(WindowHandle window, Rect& rect);
// Destroys the window and drops the messages still queued for it.
void DestroyWindow(WindowHandle window);

void SetWindowUserData(WindowHandle window, void* data);
void* GetWindowUserData(WindowHandle window);  // null for a null or unknown window

// What a window procedure returns for messages it does not handle.
intptr_t DefaultWindowProcedure(WindowHandle window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// ---- Drawing surface and OpenGL context ---------------------------------------------------
inline constexpr uint32_t PFD_DOUBLEBUFFER = 0x01;
inline constexpr uint32_t PFD_DRAW_TO_WINDOW = 0x04;
inline constexpr uint32_t PFD_SUPPORT_OPENGL = 0x20;
inline constexpr uint8_t PFD_TYPE_RGBA = 0;
inline constexpr uint8_t PFD_MAIN_PLANE = 0;

// The pixel format asked for; fields not listed are zero in the program's request.
struct PixelFormatRequest {
    uint16_t size;
    uint16_t version;
    uint32_t flags;
    uint8_t pixelType;
    uint8_t colorBits;
    uint8_t alphaBits;
    uint8_t accumBits;
    uint8_t depthBits;
    uint8_t stencilBits;
    uint8_t auxBuffers;
    uint8_t layerType;
};

// The window's drawing surface, or null.
DeviceContext GetDeviceContext(WindowHandle window);
void ReleaseDeviceContext(WindowHandle window, DeviceContext device);
// Index of the closest supported format, 0 when none fits the request.
int32_t ChoosePixelFormat(DeviceContext device, const PixelFormatRequest& request);
// A surface's pixel format is set once; false on a second attempt or a bad index.
bool SetPixelFormat(DeviceContext device, int32_t index, const PixelFormatRequest& request);
// A compatibility-profile context for the surface, not yet current. Null on failure.
GlContext CreateGlContext(DeviceContext device);
// Makes the context current on the surface; a null context makes none current.
bool MakeGlContextCurrent(DeviceContext device, GlContext context);
void DeleteGlContext(GlContext context);
void SwapBuffers(DeviceContext device);

// ---- Display mode and cursor --------------------------------------------------------------
inline constexpr int32_t DISP_CHANGE_SUCCESSFUL = 0;
inline constexpr int32_t DISP_CHANGE_FAILED = -1;
inline constexpr int32_t DISP_CHANGE_BADMODE = -2;

struct DisplayMode {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

// Switches the display for the next full-screen (WS_POPUP) window, or with a null mode goes
// back to the desktop's mode. Success only when the display really runs in that mode.
int32_t ChangeDisplayMode(const DisplayMode* mode);
void ShowCursor(bool show);

// ---- Message queue ------------------------------------------------------------------------
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;

// Appends a message to the window's queue. False for a null or unknown window.
bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Removes the oldest message for this window, if any. Never blocks.
bool PeekMessage(Message& message, WindowHandle window);
// Blocks until a new message has arrived in some window's queue.
void WaitMessage();
// Calls the window's procedure with the message; 0 for an unknown window.
intptr_t DispatchMessage(const Message& message);

// Virtual-key codes the program reads (letters and digits are their capital ASCII codes).
inline constexpr uint32_t VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
                          VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13,
                          VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
                          VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
                          VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                          VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_F1 = 0x70, VK_F10 = 0x79,
                          VK_F12 = 0x7B;

}  // namespace platform
