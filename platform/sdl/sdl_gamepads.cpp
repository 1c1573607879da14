// Gamepads through SDL's game controllers (the Steam Deck's own controls among them): opened as
// they are plugged in, closed as they go, and read after every pump of events into the keys the
// keyboard would hold (gamepad_keys.h), for the focused window only. The pads are updated by the
// pump, not by SDL's waits: left to itself, SDL polls every pad plugged in every millisecond of
// a wait, and a minimised demo would never sleep.
#include <algorithm>
#include <vector>

#include "platform/common/gamepad_keys.h"
#include "platform/common/key_messages.h"
#include "platform/sdl/sdl_internal.h"

namespace platform {
namespace {

struct Gamepads {
    bool started = false;
    std::vector<SDL_GameController*> open;
};

Gamepads& Pads() {
    static Gamepads pads;
    return pads;
}

float Stick(SDL_GameController* pad, SDL_GameControllerAxis axis) {
    return float(SDL_GameControllerGetAxis(pad, axis)) / 32767.0f;
}

GamepadState ReadPad(SDL_GameController* pad) {
    struct ButtonBit {
        SDL_GameControllerButton button;
        uint32_t bit;
    };
    static constexpr ButtonBit buttons[] = {
        {SDL_CONTROLLER_BUTTON_A, PAD_A}, {SDL_CONTROLLER_BUTTON_B, PAD_B},
        {SDL_CONTROLLER_BUTTON_X, PAD_X}, {SDL_CONTROLLER_BUTTON_Y, PAD_Y},
        {SDL_CONTROLLER_BUTTON_BACK, PAD_BACK}, {SDL_CONTROLLER_BUTTON_START, PAD_START},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, PAD_LEFT_SHOULDER},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, PAD_RIGHT_SHOULDER},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, PAD_DPAD_UP},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, PAD_DPAD_DOWN},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, PAD_DPAD_LEFT},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, PAD_DPAD_RIGHT},
    };
    GamepadState state;
    state.leftX = Stick(pad, SDL_CONTROLLER_AXIS_LEFTX);
    state.leftY = Stick(pad, SDL_CONTROLLER_AXIS_LEFTY);
    state.rightX = Stick(pad, SDL_CONTROLLER_AXIS_RIGHTX);
    state.rightY = Stick(pad, SDL_CONTROLLER_AXIS_RIGHTY);
    state.leftTrigger = Stick(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    state.rightTrigger = Stick(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    for (const ButtonBit& b : buttons)
        if (SDL_GameControllerGetButton(pad, b.button)) state.buttons |= b.bit;
    return state;
}

// Posts the changes to the focused window, or to the first when none has the focus (keys
// being let go).
void PostGamepadKeys(const KeySet& now) {
    const std::vector<KeyChange> changes = GamepadKeysChanged(State().keys, now);
    if (changes.empty()) return;
    Window* target = FocusedWindow();
    if (!target) target = FirstWindow();
    if (!target) return;
    for (const KeyChange& change : changes)
        PostKeyMessage(*target, change.vk, change.down, false, false, 0);
}

}  // namespace

void StartGamepads() {
    Gamepads& pads = Pads();
    if (pads.started) return;
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    // Without the subsystem (no joystick support here) the program runs on without gamepads.
    pads.started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

void UpdateGamepads() {
    if (Pads().started) SDL_GameControllerUpdate();  // pads plugged in or out, and their moves
}

void StopGamepads() {
    Gamepads& pads = Pads();
    if (!pads.started) return;
    PostGamepadKeys({});
    for (SDL_GameController* pad : pads.open) SDL_GameControllerClose(pad);
    pads.open.clear();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    pads.started = false;
}

bool GamepadEvent(const SDL_Event& e) {
    Gamepads& pads = Pads();
    if (e.type == SDL_CONTROLLERDEVICEADDED) {
        // Pads already plugged in at start are announced too. An index may be announced again.
        SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which);
        if (pad && std::find(pads.open.begin(), pads.open.end(), pad) == pads.open.end())
            pads.open.push_back(pad);
        else if (pad)
            SDL_GameControllerClose(pad);  // the extra reference taken by opening it again
        return true;
    }
    if (e.type == SDL_CONTROLLERDEVICEREMOVED) {
        auto gone = std::find_if(pads.open.begin(), pads.open.end(), [&](SDL_GameController* p) {
            return SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(p)) == e.cdevice.which;
        });
        if (gone != pads.open.end()) {
            SDL_GameControllerClose(*gone);
            pads.open.erase(gone);
        }
        return true;
    }
    return false;
}

void ReadGamepads() {
    Gamepads& pads = Pads();
    KeySet now;
    if (FocusedWindow())
        for (SDL_GameController* pad : pads.open)
            if (SDL_GameControllerGetAttached(pad)) now |= GamepadKeys(ReadPad(pad));
    PostGamepadKeys(now);
}

}  // namespace platform
