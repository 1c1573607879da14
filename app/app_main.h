// The program's entry function: the start-up question, the outer window loop and the inner
// message and frame loop.
#pragma once

#include <cstdint>

#include "app/window_state.h"
#include "platform/platform.h"

// Exit status: 0 after a quit or close, -1 when the window class cannot be registered, 1 when
// the window cannot be made or the scene cannot start.
int32_t AppMain(platform::ModuleHandle instance, platform::ModuleHandle previousInstance,
                const char* commandLine, int32_t showCommand);

// One frame of the window: the scene's update with the milliseconds since the last frame, its
// drawing, and the buffer swap. The main loop runs it whenever no message is waiting.
void RunFrame(WindowState& window);
