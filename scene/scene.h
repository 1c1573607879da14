// The four hooks through which the shell drives the demonstration.
#pragma once

#include <cstdint>

#include "app/window_state.h"

// After every window creation, with the new context current. False stops the program.
bool SceneInit(WindowState& window, KeyStates& keys);
// At the start of every frame, with the milliseconds since the previous one.
void SceneUpdate(uint32_t elapsedMilliseconds);
// Draws one frame into the back buffer; the shell presents it.
void SceneDraw();
// After every inner loop, before the window is closed.
void SceneShutdown();
