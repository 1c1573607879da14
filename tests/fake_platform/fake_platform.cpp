// The scripted platform: everything the program asks of a windowing system, kept in memory.
#include "tests/fake_platform/fake_platform.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>

namespace platform {

struct Window {
    size_t index;  // into the window records
    WindowProcedure procedure;
    void* userData;
    bool live;
    Device* device;
};

struct Device {
    Window* window;
    bool held;
};

struct Context {
    bool deleted;
};

}  // namespace platform

namespace fake_platform {
namespace {

using platform::Message;

struct Scripted {
    Message message;  // window filled in on arrival
    uint32_t waited;
};

struct Fake {
    std::array<int, size_t(Step::Count)> failAttempt{};  // -1: never
    std::array<int, size_t(Step::Count)> attempts{};
    std::vector<std::pair<std::string, platform::WindowProcedure>> classes;
    std::vector<std::unique_ptr<platform::Window>> windows;
    std::vector<std::unique_ptr<platform::Device>> devices;
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
    std::deque<Message> queue;
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

platform::Window* Live(platform::WindowHandle handle) {
    for (auto& w : F().windows)
        if (w.get() == handle && w->live) return w.get();
    return nullptr;
}

bool ModesEqual(platform::DisplayMode a, platform::DisplayMode b) {
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel;
}

intptr_t SizeParam(int32_t width, int32_t height) {
    return intptr_t((uint32_t(height) & 0xFFFF) << 16 | (uint32_t(width) & 0xFFFF));
}

void Arrive(Scripted s) {
    platform::WindowHandle target = LiveWindow();
    if (!target) return;
    s.message.window = target;
    F().queue.push_back(s.message);
}

}  // namespace

void Reset() { F() = Fake{}; }
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
    for (auto it = F().windows.rbegin(); it != F().windows.rend(); ++it)
        if ((*it)->live) return it->get();
    return nullptr;
}

int LiveContexts() {
    int n = 0;
    for (auto& c : F().contexts) n += c->deleted ? 0 : 1;
    return n;
}

int HeldDeviceContexts() {
    int n = 0;
    for (auto& d : F().devices) n += d->held ? 1 : 0;
    return n;
}

bool ContextCurrent() { return F().current != nullptr; }

std::vector<Message> Queued(platform::WindowHandle window) {
    std::vector<Message> out;
    for (const Message& m : F().queue)
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
using fake_platform::Step;
using fake_platform::Write;

ModuleHandle CurrentModule() {
    static int module;
    return reinterpret_cast<ModuleHandle>(&module);
}

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
    if (Fails(Step::RegisterClass) || !windowClass.className || !windowClass.procedure)
        return false;
    for (auto& c : F().classes)
        if (c.first == windowClass.className) return false;
    F().classes.emplace_back(windowClass.className, windowClass.procedure);
    return true;
}

void UnregisterWindowClass(const char* className, ModuleHandle) {
    Write(std::string("UnregisterWindowClass ") + (className ? className : ""));
    std::erase_if(F().classes, [&](auto& c) { return className && c.first == className; });
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
    WindowProcedure procedure = nullptr;
    for (auto& c : f.classes)
        if (className && c.first == className) procedure = c.second;
    if (!procedure || Fails(Step::CreateWindow)) return nullptr;

    const bool framed = (style & WS_POPUP) == 0;
    const int32_t frameW = framed ? fake_platform::kFrameLeft + fake_platform::kFrameRight : 0;
    const int32_t frameH = framed ? fake_platform::kFrameTop + fake_platform::kFrameBottom : 0;
    f.records.push_back({nullptr, className, title ? title : "", style, exStyle, x, y, width,
                         height, width - frameW, height - frameH, createParams, false, false,
                         PixelFormatRequest{}, false});
    f.windows.push_back(std::make_unique<Window>(Window{f.records.size() - 1, procedure,
                                                        nullptr, true, nullptr}));
    Window* w = f.windows.back().get();
    f.records.back().handle = w;

    CreateStruct create{createParams, instance, className, title, style, exStyle,
                        x, y, width, height};
    procedure(w, WM_CREATE, 0, reinterpret_cast<intptr_t>(&create));
    if (f.sizeDuringCreate) procedure(w, WM_SIZE, SIZE_RESTORED, fake_platform::SizeParam(width, height));
    return w;
}

void ShowWindow(WindowHandle handle, int32_t command) {
    Write("ShowWindow " + std::to_string(command));
    Window* w = fake_platform::Live(handle);
    if (!w) return;
    auto& r = F().records[w->index];
    r.shown = true;
    const int32_t scale = F().pixelScale;
    w->procedure(w, WM_SIZE, SIZE_RESTORED,
                 fake_platform::SizeParam(r.clientWidth * scale, r.clientHeight * scale));
}

bool GetClientRect(WindowHandle handle, Rect& rect) {
    Window* w = fake_platform::Live(handle);
    if (!w) return false;
    const auto& r = F().records[w->index];
    rect = {0, 0, r.clientWidth * F().pixelScale, r.clientHeight * F().pixelScale};
    return true;
}

void DestroyWindow(WindowHandle handle) {
    Write("DestroyWindow");
    Window* w = fake_platform::Live(handle);
    if (!w) return;
    w->live = false;
    F().records[w->index].destroyed = true;
    std::erase_if(F().queue, [&](const Message& m) { return m.window == handle; });
}

void SetWindowUserData(WindowHandle handle, void* data) {
    if (Window* w = fake_platform::Live(handle)) w->userData = data;
}

void* GetWindowUserData(WindowHandle handle) {
    Window* w = fake_platform::Live(handle);
    return w ? w->userData : nullptr;
}

intptr_t DefaultWindowProcedure(WindowHandle, uint32_t message, uintptr_t, intptr_t) {
    Write("DefaultWindowProcedure " + std::to_string(message));
    return 0;
}

DeviceContext GetDeviceContext(WindowHandle handle) {
    Write("GetDeviceContext");
    Window* w = fake_platform::Live(handle);
    if (!w || Fails(Step::DeviceContext)) return nullptr;
    F().devices.push_back(std::make_unique<Device>(Device{w, true}));
    return F().devices.back().get();
}

void ReleaseDeviceContext(WindowHandle, DeviceContext device) {
    Write("ReleaseDeviceContext");
    if (device) device->held = false;
}

int32_t ChoosePixelFormat(DeviceContext device, const PixelFormatRequest&) {
    Write("ChoosePixelFormat");
    return (!device || Fails(Step::ChoosePixelFormat)) ? 0 : 7;
}

bool SetPixelFormat(DeviceContext device, int32_t index, const PixelFormatRequest& request) {
    Write("SetPixelFormat " + std::to_string(index));
    if (!device || Fails(Step::SetPixelFormat)) return false;
    auto& r = F().records[device->window->index];
    if (r.pixelFormatSet) return false;  // once per window
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
    if (!fake_platform::Live(window)) return false;
    F().queue.push_back({window, message, wParam, lParam});
    return true;
}

bool PeekMessage(Message& message, WindowHandle window) {
    auto& f = F();
    while (!f.input.empty()) {
        fake_platform::Arrive(f.input.front());
        f.input.pop_front();
    }
    for (auto it = f.queue.begin(); it != f.queue.end(); ++it) {
        if (it->window != window) continue;
        message = *it;
        f.queue.erase(it);
        return true;
    }
    return false;
}

void WaitMessage() {
    auto& f = F();
    Write("WaitMessage");
    ++f.waits;
    if (!f.input.empty()) return;  // already arrived; the next peek collects it
    if (f.inputOnWait.empty()) fake_platform::Abort("WaitMessage with no input scripted: it would block forever");
    fake_platform::Scripted next = f.inputOnWait.front();
    f.inputOnWait.pop_front();
    f.tick += next.waited;
    fake_platform::Arrive(next);
}

intptr_t DispatchMessage(const Message& message) {
    Window* w = fake_platform::Live(message.window);
    return w ? w->procedure(w, message.message, message.wParam, message.lParam) : 0;
}

}  // namespace platform
