// The program's one OpenGL window: class registration, creation with its pixel format, context
// and optional display switch, destruction, and the view projection.
#pragma once

#include <cstdint>

#include "app/window_state.h"

bool RegisterAppWindowClass(const AppInfo& app);
// True when window, context and projection are ready; on false every handle is null again.
bool OpenGlWindow(WindowState& window);
bool CloseGlWindow(WindowState& window);
bool SwitchDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel);
void SetProjection(int32_t width, int32_t height);
