// The shell's long-lived records: the application, the requested window and the window itself,
// plus the key table that the window procedure fills and the keyboard controls read.
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"

// One flag per virtual-key code, 1 while the key is down.
using KeyStates = std::array<int32_t, 256>;

struct AppInfo {
    platform::ModuleHandle instance;
    const char* className;
};

struct WindowConfig {
    const char* title;
    int32_t width;
    int32_t height;
    int32_t colorBits;
    int32_t fullscreen;
};

struct WindowState {
    KeyStates* keys;
    platform::WindowHandle hwnd;
    platform::DeviceContext hdc;
    platform::GlContext hglrc;
    AppInfo* app;
    WindowConfig config;
    int32_t visible;
    uint32_t lastFrameTick;
};
