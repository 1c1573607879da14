// A scripted implementation of platform/platform.h for unit tests: windows, contexts, display
// modes, boxes and the message queue live in memory, every step can be made to fail, input
// arrives from a script, and every call that matters is written to a log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake_platform {

// Steps that can be made to fail.
enum class Step {
    RegisterClass,
    CreateWindow,
    DeviceContext,
    ChoosePixelFormat,
    SetPixelFormat,
    CreateContext,
    MakeCurrent,
    Count
};

struct BoxCall {
    platform::WindowHandle owner;
    std::string text;
    std::string caption;
    uint32_t style;
};

struct WindowRecord {
    platform::WindowHandle handle;
    std::string className;
    std::string title;
    uint32_t style;
    uint32_t exStyle;
    int32_t x, y, width, height;  // outer rectangle as asked for
    int32_t clientWidth, clientHeight;
    void* createParams;
    bool shown;
    bool destroyed;
    platform::PixelFormatRequest pixelFormat;
    bool pixelFormatSet;
};

// Back to a fresh machine: a 1024x768x32 desktop that offers no other mode, nothing
// registered or created, no failures, the tick at 0 advancing 0 per read, an empty script.
void Reset();

// The attempt-th call (1-based) of the step fails; 0 makes every call fail.
void FailStep(Step step, int attempt = 1);

// Display modes the display can switch to besides its desktop mode.
void SetDesktopMode(platform::DisplayMode mode);
void AddDisplayMode(platform::DisplayMode mode);
platform::DisplayMode CurrentDisplayMode();
// Display counter of the cursor: 0 shown, -1 after one hide.
int CursorCounter();
// True when no window exists to refuse the screen saver.
bool ScreenSaverAllowed();

// Answers for the next message boxes, in order. Without one: IDNO for Yes/No, else IDOK.
void QueueBoxAnswer(int answer);
const std::vector<BoxCall>& Boxes();

// The tick counter: the value of the next read, and how much every read adds.
void SetTick(uint32_t tick, uint32_t perRead = 0);
uint32_t Tick();

// Input from the system, addressed to the newest live window.
// Arrives at the next PeekMessage or WaitMessage:
void QueueInput(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
// Arrives only when the program blocks in WaitMessage, one per wait, after the tick counter
// moved on by waitedMilliseconds. A wait with nothing scripted aborts the test (it would hang).
void QueueInputOnWait(uint32_t message, uintptr_t wParam, intptr_t lParam,
                      uint32_t waitedMilliseconds = 0);
// When true, creation sends WM_SIZE (restored, outer size) right after WM_CREATE.
void SendSizeDuringCreate(bool send);
// Drawing-surface pixels per client unit, as on a scaled (high-DPI) screen; 1 by default.
void SetPixelScale(int32_t scale);

// Called after every SwapBuffers with the number of swaps so far. The fake aborts after
// 100000 swaps so that a loop that never ends fails instead of hanging.
void OnSwap(std::function<void(int)> callback);
int SwapCount();
int WaitCount();

// Everything created so far, in creation order (destroyed ones included).
const std::vector<WindowRecord>& Windows();
platform::WindowHandle LiveWindow();  // the newest live window, or null
int LiveContexts();
int HeldDeviceContexts();
bool ContextCurrent();
// Messages still queued for a window.
std::vector<platform::Message> Queued(platform::WindowHandle window);

// The platform calls in order, one line each, e.g. "CreateWindow OpenGL", "ShowCursor 0".
const std::vector<std::string>& Log();
// The log lines that start with one of the prefixes, in order.
std::vector<std::string> LogOf(const std::vector<std::string>& prefixes);

// Frame size the fake's window manager adds around framed windows.
inline constexpr int32_t kFrameLeft = 8, kFrameTop = 31, kFrameRight = 8, kFrameBottom = 8;

}  // namespace fake_platform
