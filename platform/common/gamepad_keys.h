// Gamepads as keys: a pad in the standard layout (SDL's game controller, XInput, the browser's
// "standard" mapping) holds the keys the keyboard would, so every backend posts the same key
// messages for it. Controls, and the keys they hold:
//   left stick        W (up), S (down), A (left), D (right): the light over the water
//   right trigger     Q: the light up          left trigger   E: the light down
//   right stick       Up, Down, Left, Right: the view, as the cursor keys
//   d-pad             Up, Down, Left, Right, as the right stick
//   right shoulder    Page Up: the eye up      left shoulder  Page Down: the eye down
//   Start             F1: full screen or a window
//   Back              Escape: quit
// A stick or trigger holds its key only beyond a dead zone, so a resting stick holds nothing.
#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

namespace platform {

enum GamepadButton : uint32_t {
    PAD_A = 1u << 0,
    PAD_B = 1u << 1,
    PAD_X = 1u << 2,
    PAD_Y = 1u << 3,
    PAD_BACK = 1u << 4,
    PAD_START = 1u << 5,
    PAD_LEFT_SHOULDER = 1u << 6,
    PAD_RIGHT_SHOULDER = 1u << 7,
    PAD_DPAD_UP = 1u << 8,
    PAD_DPAD_DOWN = 1u << 9,
    PAD_DPAD_LEFT = 1u << 10,
    PAD_DPAD_RIGHT = 1u << 11,
};

// One pad's controls. Sticks run from -1 (left, up) to 1 (right, down); triggers from 0
// (released) to 1 (pressed fully).
struct GamepadState {
    float leftX = 0, leftY = 0;
    float rightX = 0, rightY = 0;
    float leftTrigger = 0, rightTrigger = 0;
    uint32_t buttons = 0;  // GamepadButton bits
};

// How far a stick or trigger must go before it holds its key.
inline constexpr float STICK_DEAD_ZONE = 0.35f;
inline constexpr float TRIGGER_DEAD_ZONE = 0.3f;

using KeySet = std::bitset<256>;  // by virtual-key code

// The keys a pad holds.
KeySet GamepadKeys(const GamepadState& pad);

struct KeyChange {
    uint32_t vk;
    bool down;
    bool operator==(const KeyChange&) const = default;
};

// Who holds each key: the keyboard (with the page's on-screen controls) and the gamepads
// together. Neither lets go of a key the other still holds, and neither presses a key twice.
struct KeySources {
    KeySet keyboard;
    KeySet gamepads;
};

// A keyboard key going down or up; true when the window is to hear of it: every key going down
// (repeats included), and a key going up unless a gamepad still holds it.
bool KeyboardKeyChanged(KeySources& sources, uint32_t vk, bool down);

// The keys the gamepads hold now (an empty set lets them all go: unplugged, focus lost). Returns
// the key messages the window is to hear, key-ups first; keys the keyboard holds are left to it.
std::vector<KeyChange> GamepadKeysChanged(KeySources& sources, const KeySet& now);

}  // namespace platform
