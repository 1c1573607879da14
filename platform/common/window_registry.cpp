// Window classes, windows by handle and the message queue, for the backends that keep them
// themselves (SDL and web; Win32 has the system's own).
#include "platform/common/window_registry.h"

#include <algorithm>

namespace platform {

RegisteredWindow* FindEntry(WindowHandle handle) {
    if (!handle) return nullptr;
    for (auto& entry : Registry().windows)
        if (entry.window.get() == handle) return &entry;
    return nullptr;
}

WindowRegistry& Registry() {
    static WindowRegistry registry;
    return registry;
}

bool ClassAvailable(const WindowClass& windowClass) {
    if (!windowClass.className || !*windowClass.className || !windowClass.procedure) return false;
    return ClassProcedure(windowClass.className) == nullptr;
}

void AddClass(const WindowClass& windowClass) {
    Registry().classes.emplace_back(windowClass.className, windowClass.procedure);
}

void RemoveClass(const char* className) {
    if (!className) return;
    std::erase_if(Registry().classes, [&](auto& c) { return c.first == className; });
}

WindowProcedure ClassProcedure(const char* className) {
    if (!className) return nullptr;
    for (auto& c : Registry().classes)
        if (c.first == className) return c.second;
    return nullptr;
}

Window* FindWindow(WindowHandle handle) {
    RegisteredWindow* entry = FindEntry(handle);
    return entry ? entry->window.get() : nullptr;
}

Window* FirstWindow() {
    auto& windows = Registry().windows;
    return windows.empty() ? nullptr : windows.front().window.get();
}

Window* AddWindow(WindowOwner window, WindowProcedure procedure) {
    Window* handle = window.get();
    Registry().windows.push_back(
        {std::move(window), procedure, nullptr, std::make_unique<Device>(Device{handle})});
    return handle;
}

bool PixelFormatOpen(DeviceContext device, int32_t index) {
    return device && index == 1 && !device->pixelFormatSet;
}

WindowHandle SendCreate(Window* window, const CreateStruct& create) {
    if (CallProcedure(window, WM_CREATE, 0, reinterpret_cast<intptr_t>(&create)) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

bool RemoveWindow(WindowHandle handle) {
    WindowRegistry& r = Registry();
    if (!FindEntry(handle)) return false;
    std::erase_if(r.queue, [&](const Message& m) { return m.window == handle; });
    std::erase_if(r.windows, [&](auto& entry) { return entry.window.get() == handle; });
    return true;
}

intptr_t CallProcedure(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    RegisteredWindow* entry = FindEntry(handle);
    return entry ? entry->procedure(handle, message, wParam, lParam) : 0;
}

void Post(Window& window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Registry().queue.push_back({&window, message, wParam, lParam});
    MessagePosted();
}

bool TakeMessage(Message& message, WindowHandle window) {
    auto& queue = Registry().queue;
    auto it = std::find_if(queue.begin(), queue.end(),
                           [&](const Message& m) { return m.window == window; });
    if (it == queue.end()) return false;
    message = *it;
    queue.erase(it);
    return true;
}

intptr_t ClientSizeParam(const Window& window) {
    int width = 0, height = 0;
    DrawableSize(window, width, height);
    return intptr_t((uint32_t(height) & 0xFFFF) << 16 | (uint32_t(width) & 0xFFFF));
}

// ---- The parts of platform.h that every keeper of the registry answers alike ----------------

ModuleHandle CurrentModule() {
    static int module;
    return reinterpret_cast<ModuleHandle>(&module);
}

bool GetClientRect(WindowHandle handle, Rect& rect) {
    Window* w = FindWindow(handle);
    if (!w) return false;
    int width = 0, height = 0;
    DrawableSize(*w, width, height);
    rect = {0, 0, width, height};
    return true;
}

void SetWindowUserData(WindowHandle handle, void* data) {
    if (RegisteredWindow* entry = FindEntry(handle)) entry->userData = data;
}

void* GetWindowUserData(WindowHandle handle) {
    RegisteredWindow* entry = FindEntry(handle);
    return entry ? entry->userData : nullptr;
}

}  // namespace platform
