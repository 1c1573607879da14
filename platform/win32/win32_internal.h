// Shared by the Win32 implementation of platform.h: windows.h after platform.h, with the
// function-name macros that would rename platform.h's own verbs taken back out, and the casts
// between the opaque handles and Win32's. Win32's constants are used under their own names
// here (the macros now shadow platform.h's constants of the same names and numbers).
#pragma once

#include "platform/platform.h"

#include <windows.h>

#undef CreateWindow
#undef PostMessage
#undef PeekMessage
#undef DispatchMessage

namespace platform {

inline HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
inline WindowHandle FromHwnd(HWND window) { return reinterpret_cast<WindowHandle>(window); }
inline HDC ToHdc(DeviceContext device) { return reinterpret_cast<HDC>(device); }
inline DeviceContext FromHdc(HDC device) { return reinterpret_cast<DeviceContext>(device); }
inline HGLRC ToHglrc(GlContext context) { return reinterpret_cast<HGLRC>(context); }
inline GlContext FromHglrc(HGLRC context) { return reinterpret_cast<GlContext>(context); }
inline HINSTANCE ToHinstance(ModuleHandle module) { return reinterpret_cast<HINSTANCE>(module); }
inline ModuleHandle FromHinstance(HINSTANCE module) {
    return reinterpret_cast<ModuleHandle>(module);
}

}  // namespace platform
