#include "platform/win32/win32_xinput.h"

namespace platform {
namespace {

float Stick(SHORT value) { return value < 0 ? float(value) / 32768.0f : float(value) / 32767.0f; }

}  // namespace

XInputPads LoadXInput() {
    XInputPads pads;
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
        HMODULE library = LoadLibraryA(name);
        if (!library) continue;
        // Kept loaded for the whole run.
        // Through void*: a FARPROC is not this function's type.
        pads.getState = reinterpret_cast<XInputGetStateFn>(
            reinterpret_cast<void*>(GetProcAddress(library, "XInputGetState")));
        if (pads.getState) break;
        FreeLibrary(library);
    }
    return pads;
}

GamepadState FromXInput(const XINPUT_GAMEPAD& pad) {
    struct ButtonBit {
        WORD button;
        uint32_t bit;
    };
    static constexpr ButtonBit buttons[] = {
        {XINPUT_GAMEPAD_A, PAD_A}, {XINPUT_GAMEPAD_B, PAD_B},
        {XINPUT_GAMEPAD_X, PAD_X}, {XINPUT_GAMEPAD_Y, PAD_Y},
        {XINPUT_GAMEPAD_BACK, PAD_BACK}, {XINPUT_GAMEPAD_START, PAD_START},
        {XINPUT_GAMEPAD_LEFT_SHOULDER, PAD_LEFT_SHOULDER},
        {XINPUT_GAMEPAD_RIGHT_SHOULDER, PAD_RIGHT_SHOULDER},
        {XINPUT_GAMEPAD_DPAD_UP, PAD_DPAD_UP}, {XINPUT_GAMEPAD_DPAD_DOWN, PAD_DPAD_DOWN},
        {XINPUT_GAMEPAD_DPAD_LEFT, PAD_DPAD_LEFT}, {XINPUT_GAMEPAD_DPAD_RIGHT, PAD_DPAD_RIGHT},
    };
    GamepadState state;
    state.leftX = Stick(pad.sThumbLX);
    state.leftY = -Stick(pad.sThumbLY);
    state.rightX = Stick(pad.sThumbRX);
    state.rightY = -Stick(pad.sThumbRY);
    state.leftTrigger = float(pad.bLeftTrigger) / 255.0f;
    state.rightTrigger = float(pad.bRightTrigger) / 255.0f;
    for (const ButtonBit& b : buttons)
        if (pad.wButtons & b.button) state.buttons |= b.bit;
    return state;
}

KeySet ReadXInput(XInputPads& pads, uint32_t tick) {
    KeySet keys;
    if (!pads.getState) return keys;
    for (DWORD slot = 0; slot < XUSER_MAX_COUNT; ++slot) {
        if (!pads.connected[slot] && pads.tried[slot] &&
            tick - pads.triedAt[slot] < XINPUT_RETRY_MILLISECONDS)
            continue;
        XINPUT_STATE state{};
        pads.connected[slot] = pads.getState(slot, &state) == ERROR_SUCCESS;
        if (pads.connected[slot]) keys |= GamepadKeys(FromXInput(state.Gamepad));
        if (!pads.connected[slot]) {  // unplugged just now, or still empty: again in a second
            pads.tried[slot] = true;
            pads.triedAt[slot] = tick;
        }
    }
    return keys;
}

bool AnyPadConnected(const XInputPads& pads) {
    for (bool connected : pads.connected)
        if (connected) return true;
    return false;
}

}  // namespace platform
