// The scripted platform: everything the program asks of a windowing system, kept in memory.
// Classes, windows and the message queue live in the window registry the SDL and web backends
// keep theirs in; the fake adds failures, the script and the log around it.
#include "tests/fake_platform/fake_platform.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>

#include "platform/common/window_registry.h"

namespace platform {

// The fake's part of a window: its record in Windows() and how many hand-outs of its drawing
// surface are not yet released. The fake keeps every one made, so that a handle is never
// reused and a surface still held when its window went stays counted.
struct Window {
    size_t index;
    int held = 0;
};

struct Context {
    bool deleted;
};

}  // namespace platform

namespace fake_platform {
namespace {

using platform::Message;

// The one pixel format the fake offers; not 1, so that a caller passing its own guess fails.
constexpr int32_t kPixelFormat = 7;

struct Scripted {
    Message message;  // window filled in on arrival
    uint32_t waited;
};

struct Fake {
    std::array<int, size_t(Step::Count)> failAttempt{};  // -1: never
    std::array<int, size_t(Step::Count)> attempts{};
    std::vector<platform::WindowOwner> made;
    std::vector<std::unique_ptr<platform::Context>> contexts;
    std::vector<WindowRecord> records;
    platform::Context* current = nullptr;
    platform::DisplayMode desktop{1024, 768, 32};
    platform::DisplayMode mode{1024, 768, 32};
    std::vector<platform::DisplayMode> modes;
    int cursor = 0;
    std::deque<int> answers;
    std::vector<BoxCall> boxes;
    uint32_t tick = 0, perRead = 0;
    std::deque<Scripted> input, inputOnWait;
    bool sizeDuringCreate = false;
    int32_t pixelScale = 1;
    std::function<void(int)> onSwap;
    int swaps = 0, waits = 0;
    std::vector<std::string> log;

    Fake() { failAttempt.fill(-1); }
};

Fake& F() {
    static Fake fake;
    return fake;
}

bool Fails(Step step) {
    Fake& f = F();
    const int attempt = ++f.attempts[size_t(step)];
    const int failAt = f.failAttempt[size_t(step)];
    return failAt == 0 || failAt == attempt;
}

void Write(std::string line) { F().log.push_back(std::move(line)); }

[[noreturn]] void Abort(const char* why) {
    std::fprintf(stderr, "fake platform: %s\n", why);
    std::abort();
}

WindowRecord& RecordOf(const platform::Window& window) { return F().records[window.index]; }

// The surface if its window is still there, else null (it went with the window).
platform::Device* LiveDevice(platform::DeviceContext device) {
    for (auto& entry : platform::Registry().windows)
        if (device && entry.device.get() == device) return device;
    return nullptr;
}

bool ModesEqual(platform::DisplayMode a, platform::DisplayMode b) {
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel;
}

intptr_t SizeParam(int32_t width, int32_t height) {
    return intptr_t((uint32_t(height) & 0xFFFF) << 16 | (uint32_t(width) & 0xFFFF));
}

void Arrive(const Scripted& s) {
    if (platform::WindowHandle target = LiveWindow())
        platform::Post(*target, s.message.message, s.message.wParam, s.message.lParam);
}

}  // namespace

void Reset() {
    platform::Registry() = platform::WindowRegistry{};
    F() = Fake{};
}
void FailStep(Step step, int attempt) { F().failAttempt[size_t(step)] = attempt; }
void SetDesktopMode(platform::DisplayMode mode) { F().desktop = F().mode = mode; }
void AddDisplayMode(platform::DisplayMode mode) { F().modes.push_back(mode); }
platform::DisplayMode CurrentDisplayMode() { return F().mode; }
int CursorCounter() { return F().cursor; }
bool ScreenSaverAllowed() { return LiveWindow() == nullptr; }
void QueueBoxAnswer(int answer) { F().answers.push_back(answer); }
const std::vector<BoxCall>& Boxes() { return F().boxes; }
void SetTick(uint32_t tick, uint32_t perRead) { F().tick = tick, F().perRead = perRead; }
uint32_t Tick() { return F().tick; }
void QueueInput(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    F().input.push_back({{nullptr, message, wParam, lParam}, 0});
}
void QueueInputOnWait(uint32_t message, uintptr_t wParam, intptr_t lParam, uint32_t waited) {
    F().inputOnWait.push_back({{nullptr, message, wParam, lParam}, waited});
}
void SendSizeDuringCreate(bool send) { F().sizeDuringCreate = send; }
void SetPixelScale(int32_t scale) { F().pixelScale = scale; }
void OnSwap(std::function<void(int)> callback) { F().onSwap = std::move(callback); }
int SwapCount() { return F().swaps; }
int WaitCount() { return F().waits; }
const std::vector<WindowRecord>& Windows() { return F().records; }

platform::WindowHandle LiveWindow() {
    const auto& windows = platform::Registry().windows;
    return windows.empty() ? nullptr : windows.back().window.get();
}

int LiveContexts() {
    return int(std::count_if(F().contexts.begin(), F().contexts.end(),
                             [](auto& c) { return !c->deleted; }));
}

int HeldDeviceContexts() {
    int n = 0;
    for (auto& w : F().made) n += w->held;
    return n;
}

bool ContextCurrent() { return F().current != nullptr; }

std::vector<Message> Queued(platform::WindowHandle window) {
    std::vector<Message> out;
    for (const Message& m : platform::Registry().queue)
        if (m.window == window) out.push_back(m);
    return out;
}

const std::vector<std::string>& Log() { return F().log; }

std::vector<std::string> LogOf(const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const std::string& line : F().log)
        for (const std::string& p : prefixes)
            if (line.rfind(p, 0) == 0) {
                out.push_back(line);
                break;
            }
    return out;
}

}  // namespace fake_platform

namespace platform {

using fake_platform::F;
using fake_platform::Fails;
using fake_platform::RecordOf;
using fake_platform::Step;
using fake_platform::WindowRecord;
using fake_platform::Write;

// What the registry asks of its backend.
void DrawableSize(const Window& window, int& width, int& height) {
    const WindowRecord& r = RecordOf(window);
    width = r.clientWidth * F().pixelScale;
    height = r.clientHeight * F().pixelScale;
}

void MessagePosted() {}  // waits are scripted: nothing blocks that a message would wake

int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    auto& f = F();
    f.boxes.push_back({owner, text ? text : "", caption ? caption : "", style});
    Write(std::string("MessageBox ") + (caption ? caption : ""));
    if (!f.answers.empty()) {
        const int answer = f.answers.front();
        f.answers.pop_front();
        return answer;
    }
    return (style & 0x0F) == MB_YESNO ? IDNO : IDOK;
}

WindowHandle FocusedWindow() { return fake_platform::LiveWindow(); }
void* GetGlProcAddress(const char*) { return nullptr; }

uint32_t GetTickCount() {
    const uint32_t now = F().tick;
    F().tick = now + F().perRead;  // wraps like the real counter
    return now;
}

bool RegisterWindowClass(const WindowClass& windowClass) {
    char record[96];
    std::snprintf(record, sizeof record, " style %#x cursor %u background %lld", windowClass.style,
                  windowClass.cursor, static_cast<long long>(windowClass.background));
    Write(std::string("RegisterWindowClass ") + (windowClass.className ? windowClass.className : "") +
          record);
    if (Fails(Step::RegisterClass) || !ClassAvailable(windowClass)) return false;
    AddClass(windowClass);
    return true;
}

void UnregisterWindowClass(const char* className, ModuleHandle) {
    Write(std::string("UnregisterWindowClass ") + (className ? className : ""));
    RemoveClass(className);
}

void AdjustWindowRect(Rect& rect, uint32_t style, uint32_t) {
    Write("AdjustWindowRect");
    if (style & WS_POPUP) return;
    rect.left -= fake_platform::kFrameLeft;
    rect.top -= fake_platform::kFrameTop;
    rect.right += fake_platform::kFrameRight;
    rect.bottom += fake_platform::kFrameBottom;
}

WindowHandle CreateWindow(uint32_t exStyle, const char* className, const char* title,
                          uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                          ModuleHandle instance, void* createParams) {
    auto& f = F();
    Write(std::string("CreateWindow ") + (className ? className : ""));
    const CreateStruct create{createParams, instance, className, title, style, exStyle,
                              x, y, width, height};
    WindowHandle w = CreateRegisteredWindow(create, [&]() -> WindowOwner {
        if (Fails(Step::CreateWindow)) return nullptr;
        const bool framed = (style & WS_POPUP) == 0;
        const int32_t frameW = framed ? fake_platform::kFrameLeft + fake_platform::kFrameRight : 0;
        const int32_t frameH = framed ? fake_platform::kFrameTop + fake_platform::kFrameBottom : 0;
        f.made.push_back(std::make_shared<Window>(Window{f.records.size()}));
        f.records.push_back({f.made.back().get(), className, title ? title : "", style, exStyle,
                             x, y, width, height, width - frameW, height - frameH, createParams,
                             false, false, PixelFormatRequest{}, false});
        return f.made.back();
    });
    if (w && f.sizeDuringCreate)
        CallProcedure(w, WM_SIZE, SIZE_RESTORED, fake_platform::SizeParam(width, height));
    return w;
}

void ShowWindow(WindowHandle handle, int32_t command) {
    Write("ShowWindow " + std::to_string(command));
    Window* w = FindWindow(handle);
    if (!w) return;
    RecordOf(*w).shown = true;
    CallProcedure(w, WM_SIZE, SIZE_RESTORED, ClientSizeParam(*w));
}

void DestroyWindow(WindowHandle handle) {
    Write("DestroyWindow");
    Window* w = FindWindow(handle);
    if (!w) return;
    RecordOf(*w).destroyed = true;
    RemoveWindow(handle);
}

intptr_t DefaultWindowProcedure(WindowHandle, uint32_t message, uintptr_t, intptr_t) {
    Write("DefaultWindowProcedure " + std::to_string(message));
    return 0;
}

DeviceContext GetDeviceContext(WindowHandle handle) {
    Write("GetDeviceContext");
    RegisteredWindow* entry = FindEntry(handle);
    if (!entry || Fails(Step::DeviceContext)) return nullptr;
    ++entry->window->held;
    return entry->device.get();
}

void ReleaseDeviceContext(WindowHandle, DeviceContext device) {
    Write("ReleaseDeviceContext");
    if (Device* d = fake_platform::LiveDevice(device); d && d->window->held > 0) --d->window->held;
}

int32_t ChoosePixelFormat(DeviceContext device, const PixelFormatRequest&) {
    Write("ChoosePixelFormat");
    return (!device || Fails(Step::ChoosePixelFormat)) ? 0 : fake_platform::kPixelFormat;
}

bool SetPixelFormat(DeviceContext device, int32_t index, const PixelFormatRequest& request) {
    Write("SetPixelFormat " + std::to_string(index));
    if (!device || Fails(Step::SetPixelFormat)) return false;
    Device* d = fake_platform::LiveDevice(device);
    if (!d || index != fake_platform::kPixelFormat || d->pixelFormatSet) return false;
    d->pixelFormatSet = true;
    WindowRecord& r = RecordOf(*d->window);
    r.pixelFormat = request;
    r.pixelFormatSet = true;
    return true;
}

GlContext CreateGlContext(DeviceContext device) {
    Write("CreateGlContext");
    if (!device || Fails(Step::CreateContext)) return nullptr;
    F().contexts.push_back(std::make_unique<Context>(Context{false}));
    return F().contexts.back().get();
}

bool MakeGlContextCurrent(DeviceContext device, GlContext context) {
    Write(context ? "MakeGlContextCurrent" : "MakeGlContextCurrent null");
    if (!context) {
        F().current = nullptr;
        return true;
    }
    if (!device || context->deleted || Fails(Step::MakeCurrent)) return false;
    F().current = context;
    return true;
}

void DeleteGlContext(GlContext context) {
    Write("DeleteGlContext");
    if (!context) return;
    context->deleted = true;
    if (F().current == context) F().current = nullptr;
}

void SwapBuffers(DeviceContext) {
    auto& f = F();
    if (++f.swaps > 100000) fake_platform::Abort("100000 frames without the loop ending");
    if (f.onSwap) f.onSwap(f.swaps);
}

int32_t ChangeDisplayMode(const DisplayMode* mode) {
    auto& f = F();
    if (!mode) {
        Write("ChangeDisplayMode restore");
        f.mode = f.desktop;
        return DISP_CHANGE_SUCCESSFUL;
    }
    Write("ChangeDisplayMode " + std::to_string(mode->width) + "x" + std::to_string(mode->height) +
          "x" + std::to_string(mode->bitsPerPixel));
    bool offered = fake_platform::ModesEqual(*mode, f.desktop);
    for (const DisplayMode& m : f.modes) offered = offered || fake_platform::ModesEqual(*mode, m);
    if (!offered) return DISP_CHANGE_BADMODE;
    f.mode = *mode;
    return DISP_CHANGE_SUCCESSFUL;
}

void ShowCursor(bool show) {
    Write(show ? "ShowCursor 1" : "ShowCursor 0");
    F().cursor += show ? 1 : -1;
}

bool PostMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Window* w = FindWindow(window);
    if (!w) return false;
    Post(*w, message, wParam, lParam);
    return true;
}

bool PeekMessage(Message& message, WindowHandle window) {
    auto& f = F();
    for (const fake_platform::Scripted& s : f.input) fake_platform::Arrive(s);
    f.input.clear();
    return TakeMessage(message, window);
}

void WaitMessage() {
    auto& f = F();
    Write("WaitMessage");
    ++f.waits;
    if (!f.input.empty()) return;  // already arrived; the next peek collects it
    if (f.inputOnWait.empty()) fake_platform::Abort("WaitMessage with no input scripted: it would block forever");
    const fake_platform::Scripted next = f.inputOnWait.front();
    f.inputOnWait.pop_front();
    f.tick += next.waited;
    fake_platform::Arrive(next);
}

intptr_t DispatchMessage(const Message& message) {
    return CallProcedure(message.window, message.message, message.wParam, message.lParam);
}

}  // namespace platform
