// The window procedure of the program's window class: key table, visibility, projection on
// resize, refusal of the screen saver, and the close and screen-mode requests.
#pragma once

#include <cstdint>

#include "platform/platform.h"

intptr_t HandleWindowMessage(platform::WindowHandle hwnd, uint32_t message, uintptr_t wParam,
                             intptr_t lParam);
