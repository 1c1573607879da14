#include "platform/common/key_messages.h"

namespace platform {

void PostKeyMessage(Window& window, uint32_t vk, bool down, bool repeat, bool alt,
                    uint32_t scanCode) {
    const bool system = alt || vk == VK_F10 || vk == VK_MENU;
    const uint32_t message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP)
                                    : (down ? WM_KEYDOWN : WM_KEYUP);
    uint32_t lParam = 1u | (scanCode & 0xFF) << 16;
    if (!down) lParam |= 0xC0000000u;
    else if (repeat) lParam |= 0x40000000u;
    Post(window, message, vk, intptr_t(lParam));
}

}  // namespace platform
