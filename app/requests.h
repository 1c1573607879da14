// How the rest of the program ends a window's inner loop: quit, or make the window again in the
// other screen mode. Both post to the program's window, never to the thread.
#pragma once

#include <cstdint>

#include "app/window_state.h"

inline constexpr uint32_t MSG_SWITCH_SCREEN_MODE = platform::WM_USER + 1;

// 1 while the main loop is to make its window again after each inner loop.
extern int32_t appRunning;
// 1 if the next window is to be full-screen.
extern int32_t wantFullscreen;

void RequestQuit(WindowState& window);
void RequestFullscreenToggle(WindowState& window);
