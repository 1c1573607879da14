#include "platform/common/gamepad_keys.h"

#include "platform/platform.h"

namespace platform {
namespace {

struct ButtonKey {
    uint32_t button;
    uint32_t vk;
};

constexpr ButtonKey BUTTON_KEYS[] = {
    {PAD_DPAD_UP, VK_UP},          {PAD_DPAD_DOWN, VK_DOWN},
    {PAD_DPAD_LEFT, VK_LEFT},      {PAD_DPAD_RIGHT, VK_RIGHT},
    {PAD_RIGHT_SHOULDER, VK_PRIOR}, {PAD_LEFT_SHOULDER, VK_NEXT},
    {PAD_START, VK_F1},            {PAD_BACK, VK_ESCAPE},
};

// The key for each end of an axis beyond the dead zone (a NaN holds neither).
void Axis(KeySet& keys, float value, float deadZone, uint32_t negative, uint32_t positive) {
    if (value < -deadZone) keys.set(negative);
    if (value > deadZone) keys.set(positive);
}

}  // namespace

KeySet GamepadKeys(const GamepadState& pad) {
    KeySet keys;
    Axis(keys, pad.leftX, STICK_DEAD_ZONE, 'A', 'D');
    Axis(keys, pad.leftY, STICK_DEAD_ZONE, 'W', 'S');
    Axis(keys, pad.rightX, STICK_DEAD_ZONE, VK_LEFT, VK_RIGHT);
    Axis(keys, pad.rightY, STICK_DEAD_ZONE, VK_UP, VK_DOWN);
    if (pad.rightTrigger > TRIGGER_DEAD_ZONE) keys.set('Q');
    if (pad.leftTrigger > TRIGGER_DEAD_ZONE) keys.set('E');
    for (const ButtonKey& b : BUTTON_KEYS)
        if (pad.buttons & b.button) keys.set(b.vk);
    return keys;
}

bool KeyboardKeyChanged(KeySources& sources, uint32_t vk, bool down) {
    if (vk >= sources.keyboard.size()) return true;
    sources.keyboard.set(vk, down);
    return down || !sources.gamepads.test(vk);
}

std::vector<KeyChange> GamepadKeysChanged(KeySources& sources, const KeySet& now) {
    std::vector<KeyChange> changes;
    const KeySet released = sources.gamepads & ~now;
    const KeySet pressed = now & ~sources.gamepads;
    sources.gamepads = now;
    for (const bool down : {false, true}) {
        const KeySet& changed = down ? pressed : released;
        for (size_t vk = 0; vk < changed.size(); ++vk)
            if (changed.test(vk) && !sources.keyboard.test(vk))
                changes.push_back({uint32_t(vk), down});
    }
    return changes;
}

}  // namespace platform
