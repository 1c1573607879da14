// Gamepads through XInput, loaded at run time so that the program starts where no XInput DLL
// exists. The four slots are read into the keys their pads hold (gamepad_keys.h); an empty slot
// costs the system a device search, so it is tried again only once a second.
#pragma once

#include <windows.h>
#include <xinput.h>

#include <cstdint>

#include "platform/common/gamepad_keys.h"

namespace platform {

using XInputGetStateFn = DWORD(WINAPI*)(DWORD slot, XINPUT_STATE* state);

inline constexpr uint32_t XINPUT_RETRY_MILLISECONDS = 1000;

struct XInputPads {
    XInputGetStateFn getState = nullptr;  // null: no XInput on this system
    bool connected[XUSER_MAX_COUNT] = {};
    bool tried[XUSER_MAX_COUNT] = {};
    uint32_t triedAt[XUSER_MAX_COUNT] = {};  // tick of the last try of an empty slot
};

// XInput from the first of xinput1_4.dll, xinput1_3.dll and xinput9_1_0.dll that loads; no
// reader when none does.
XInputPads LoadXInput();

// One pad's controls in the standard layout (XInput's sticks count up as positive).
GamepadState FromXInput(const XINPUT_GAMEPAD& pad);

// The keys every connected pad holds now, at this tick (GetTickCount's).
KeySet ReadXInput(XInputPads& pads, uint32_t tick);

bool AnyPadConnected(const XInputPads& pads);

}  // namespace platform
