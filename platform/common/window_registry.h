// The window bookkeeping the SDL and web backends share: the registered window classes, the
// windows by handle with their procedure, user data and drawing surface handle, and the one
// message queue behind PostMessage and PeekMessage. A backend keeps in its own Window record
// only what its system needs; besides its part of platform.h (DestroyWindow among it) it
// supplies the two functions declared at the end. Only the backends and the fake platform include this.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace platform {

// The registry is a window record's only owner; a shared_ptr because it carries the deleter of
// the backend that made the record, where Window is a complete type.
using WindowOwner = std::shared_ptr<Window>;

// A window's drawing surface, as GetDeviceContext hands it out.
struct Device {
    Window* window;
    bool pixelFormatSet = false;  // a surface's pixel format is set once
};

struct RegisteredWindow {
    WindowOwner window;
    WindowProcedure procedure = nullptr;
    void* userData = nullptr;
    std::unique_ptr<Device> device;  // apart, so that it stays put as windows come and go
};

struct WindowRegistry {
    std::vector<std::pair<std::string, WindowProcedure>> classes;
    std::vector<RegisteredWindow> windows;  // oldest first
    std::deque<Message> queue;              // every window's messages, oldest first
};

WindowRegistry& Registry();

// True when the class may be registered: a name, a procedure, and no class of that name yet.
bool ClassAvailable(const WindowClass& windowClass);
void AddClass(const WindowClass& windowClass);
void RemoveClass(const char* className);
// The procedure of a registered class, or null.
WindowProcedure ClassProcedure(const char* className);

// The record behind a handle, or null for a null or unknown handle.
Window* FindWindow(WindowHandle handle);
RegisteredWindow* FindEntry(WindowHandle handle);
// The oldest window, or null when there is none.
Window* FirstWindow();
// Takes the record over; its address is the window's handle.
Window* AddWindow(WindowOwner window, WindowProcedure procedure);
// True when the surface may take pixel format index now: the one format there is (see
// ChoosePixelFormat), on a surface that has none yet.
bool PixelFormatOpen(DeviceContext device, int32_t index);
// Sends WM_CREATE; a window whose procedure answers -1 is destroyed (DestroyWindow) and the
// result is null, otherwise the window itself.
WindowHandle SendCreate(Window* window, const CreateStruct& create);
// The steps of CreateWindow every backend takes: the class's procedure and a positive size are
// checked, make() makes the backend's record (null when its system refuses the window), the
// record is registered and sent WM_CREATE. Null on failure.
template <typename MakeRecord>
WindowHandle CreateRegisteredWindow(const CreateStruct& create, MakeRecord make) {
    const WindowProcedure procedure = ClassProcedure(create.className);
    if (!procedure || create.width <= 0 || create.height <= 0) return nullptr;
    WindowOwner record = make();
    if (!record) return nullptr;
    return SendCreate(AddWindow(std::move(record), procedure), create);
}
// Drops the window's queued messages and deletes its record; false for an unknown handle.
bool RemoveWindow(WindowHandle handle);
// Calls the window's procedure; 0 for an unknown window.
intptr_t CallProcedure(WindowHandle handle, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Appends a message for the window and tells the backend (MessagePosted).
void Post(Window& window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Removes the oldest queued message for this window into message; false when it has none.
bool TakeMessage(Message& message, WindowHandle window);

// The drawable size in pixels packed as WM_SIZE's lParam.
intptr_t ClientSizeParam(const Window& window);

// ---- Supplied by each backend --------------------------------------------------------------
// The size of the window's drawing surface in pixels.
void DrawableSize(const Window& window, int& width, int& height);
// Called after every message appended to the queue (to wake a wait in progress).
void MessagePosted();

}  // namespace platform
