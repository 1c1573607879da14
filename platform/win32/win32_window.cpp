// Win32 windows for the program: the window class and its procedure adapter, creation and
// destruction, the display switch and the cursor. Their WGL contexts are in wgl_context.cpp,
// their messages in win32_events.cpp. Each verb is the one Win32 call of that name, with the
// caller's arguments.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32/win32_internal.h"

namespace platform {
namespace {

// The program's procedure for each class registered through this layer.
struct RegisteredClass {
    ATOM atom;
    std::string name;
    HINSTANCE instance;
    WindowProcedure procedure;
};

std::vector<RegisteredClass>& Classes() {
    static std::vector<RegisteredClass> classes;
    return classes;
}

WindowProcedure ProcedureOf(HWND window) {
    const ATOM atom = ATOM(GetClassLongPtrA(window, GCW_ATOM));
    for (const RegisteredClass& c : Classes())
        if (c.atom == atom) return c.procedure;
    return nullptr;
}

// WNDPROC has Win32's types; the program's procedure has the platform layer's. Every message
// goes through unchanged, WM_CREATE with the creation record in the platform's layout (whose
// first field is the same creation parameter).
LRESULT CALLBACK AdaptWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowProcedure procedure = ProcedureOf(window);
    if (!procedure) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_CREATE && lParam) {
        const auto& created = *reinterpret_cast<const CREATESTRUCTA*>(lParam);
        CreateStruct create{created.lpCreateParams, FromHinstance(created.hInstance),
                            created.lpszClass,      created.lpszName,
                            uint32_t(created.style), uint32_t(created.dwExStyle),
                            created.x,              created.y,
                            created.cx,             created.cy};
        return procedure(FromHwnd(window), message, wParam, reinterpret_cast<intptr_t>(&create));
    }
    return procedure(FromHwnd(window), message, wParam, lParam);
}

}  // namespace

ModuleHandle CurrentModule() { return FromHinstance(GetModuleHandleA(nullptr)); }

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!windowClass.className || !*windowClass.className || !windowClass.procedure) return false;
    WNDCLASSEXA record{};
    record.cbSize = sizeof record;
    record.style = windowClass.style;
    record.lpfnWndProc = AdaptWindowProcedure;
    record.hInstance = ToHinstance(windowClass.instance);
    record.hCursor =
        windowClass.cursor ? LoadCursorA(nullptr, MAKEINTRESOURCEA(windowClass.cursor)) : nullptr;
    record.hbrBackground = reinterpret_cast<HBRUSH>(windowClass.background);
    record.lpszClassName = windowClass.className;
    const ATOM atom = RegisterClassExA(&record);
    if (atom == 0) return false;
    Classes().push_back({atom, windowClass.className, record.hInstance, windowClass.procedure});
    return true;
}

void UnregisterWindowClass(const char* className, ModuleHandle instance) {
    if (!className || !UnregisterClassA(className, ToHinstance(instance))) return;
    std::erase_if(Classes(), [&](const RegisteredClass& c) {
        return c.name == className && c.instance == ToHinstance(instance);
    });
}

void AdjustWindowRect(Rect& rect, uint32_t style, uint32_t exStyle) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
    rect = Rect{r.left, r.top, r.right, r.bottom};
}

WindowHandle CreateWindow(uint32_t exStyle, const char* className, const char* title,
                          uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                          ModuleHandle instance, void* createParams) {
    return FromHwnd(CreateWindowExA(exStyle, className, title, style, x, y, width, height,
                                    nullptr, nullptr, ToHinstance(instance), createParams));
}

void ShowWindow(WindowHandle window, int32_t command) { ::ShowWindow(ToHwnd(window), command); }

bool GetClientRect(WindowHandle window, Rect& rect) {
    RECT r{};
    if (!window || !::GetClientRect(ToHwnd(window), &r)) return false;
    rect = Rect{r.left, r.top, r.right, r.bottom};
    return true;
}

void DestroyWindow(WindowHandle window) {
    if (window) ::DestroyWindow(ToHwnd(window));
}

void SetWindowUserData(WindowHandle window, void* data) {
    SetWindowLongPtrA(ToHwnd(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

void* GetWindowUserData(WindowHandle window) {
    return window ? reinterpret_cast<void*>(GetWindowLongPtrA(ToHwnd(window), GWLP_USERDATA))
                  : nullptr;
}

intptr_t DefaultWindowProcedure(WindowHandle window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    return DefWindowProcA(ToHwnd(window), message, wParam, lParam);
}

// The display-mode request is the record without its panning fields, 148 bytes, as the
// oldest systems that run this program expect.
static_assert(offsetof(DEVMODEA, dmPanningWidth) == 148);

int32_t ChangeDisplayMode(const DisplayMode* mode) {
    if (!mode) return ChangeDisplaySettingsA(nullptr, 0);
    DEVMODEA request{};
    request.dmSize = 148;
    request.dmPelsWidth = DWORD(mode->width);
    request.dmPelsHeight = DWORD(mode->height);
    request.dmBitsPerPel = DWORD(mode->bitsPerPixel);
    request.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&request, CDS_FULLSCREEN);
}

void ShowCursor(bool show) { ::ShowCursor(show ? TRUE : FALSE); }

}  // namespace platform
