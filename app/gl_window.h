// The program's one OpenGL window: class registration, creation with its pixel format, context
// and optional display switch, and destruction.
#pragma once

#include <cstdint>

#include "app/projection.h"
#include "app/window_state.h"

bool RegisterAppWindowClass(const AppInfo& app);
// True when window, context and projection are ready; on false every handle is null again.
bool OpenGlWindow(WindowState& window);
bool CloseGlWindow(WindowState& window);
bool SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);
