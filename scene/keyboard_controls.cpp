// The keyboard controls: every held key acts once per frame, a fixed step with no time scaling.
#include <cstddef>
#include <cstdint>

#include "app/requests.h"
#include "scene/scene.h"
#include "scene/scene_state.h"

namespace {

// 0.01 as a 32-bit float; every move is rounded to single precision where it is stored.
constexpr float STEP = 0.01f;

using platform::VK_DOWN, platform::VK_ESCAPE, platform::VK_F1, platform::VK_LEFT,
    platform::VK_NEXT, platform::VK_PRIOR, platform::VK_RIGHT, platform::VK_UP;

struct KeyMove {
    size_t key;
    Vector3f SceneState::*vector;
    float Vector3f::*axis;
    float delta;
};

// Tested in this order each frame. The view keys move the world, so the eye goes the other way.
constexpr KeyMove KEY_MOVES[] = {
    {VK_UP,    &SceneState::viewOffset, &Vector3f::z, +STEP},     // Up: eye forward
    {VK_DOWN,  &SceneState::viewOffset, &Vector3f::z, -STEP},     // Down: eye back
    {VK_LEFT,  &SceneState::viewOffset, &Vector3f::x, +STEP},     // Left: eye left
    {VK_RIGHT, &SceneState::viewOffset, &Vector3f::x, -STEP},     // Right: eye right
    {VK_NEXT,  &SceneState::viewOffset, &Vector3f::y, +STEP},     // Page Down: eye down
    {VK_PRIOR, &SceneState::viewOffset, &Vector3f::y, -STEP},     // Page Up: eye up
    {'W',      &SceneState::lightPosition, &Vector3f::z, -STEP},  // light away
    {'A',      &SceneState::lightPosition, &Vector3f::x, -STEP},  // light left
    {'S',      &SceneState::lightPosition, &Vector3f::z, +STEP},  // light nearer
    {'D',      &SceneState::lightPosition, &Vector3f::x, +STEP},  // light right
    {'Q',      &SceneState::lightPosition, &Vector3f::y, +STEP},  // light up
    {'E',      &SceneState::lightPosition, &Vector3f::y, -STEP},  // light down
};

}  // namespace

void SceneUpdate(uint32_t /*elapsedMilliseconds: moves are per frame, not per unit of time*/) {
    if (!sceneState.keys || !sceneState.window) return;  // no window yet
    const KeyStates& keys = *sceneState.keys;
    auto held = [&keys](size_t key) { return keys[key] == 1; };

    // Both requests only post a message, so the rest of the frame still runs.
    if (held(VK_ESCAPE)) RequestQuit(*sceneState.window);
    if (held(VK_F1)) RequestFullscreenToggle(*sceneState.window);

    for (const KeyMove& move : KEY_MOVES) {
        if (held(move.key)) (sceneState.*move.vector).*move.axis += move.delta;
    }
}
