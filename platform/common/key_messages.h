// Keys as the window messages a keyboard sends on Windows, for the backends whose system reports
// key events of its own (SDL, the page).
#pragma once

#include <cstdint>

#include "platform/common/window_registry.h"

namespace platform {

// Posts a key going down or up to the window. With Alt held, and for F10 and Alt themselves,
// the system takes the key (WM_SYSKEYDOWN, WM_SYSKEYUP); every other key is WM_KEYDOWN or
// WM_KEYUP. lParam is what a keyboard reports: a repeat count of 1, the scan code (0 where the
// system does not tell it), and the previous and transition states.
void PostKeyMessage(Window& window, uint32_t vk, bool down, bool repeat, bool alt,
                    uint32_t scanCode);

}  // namespace platform
