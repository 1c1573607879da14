// Scriptable stand-ins for the four scene hooks: they count and record their calls and run a
// test's callback in each frame, so that tests can press keys or make requests mid-run.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/window_state.h"

namespace scene_script {

struct Record {
    int inits = 0, updates = 0, draws = 0, shutdowns = 0;
    std::vector<uint32_t> elapsed;         // one per SceneUpdate
    std::vector<std::string> hooks;        // hook names in call order
    std::vector<WindowState*> initWindows;  // addresses handed to SceneInit
    std::vector<KeyStates*> initKeys;
    std::vector<KeyStates> keysAtInit;      // the table's content at each SceneInit
    std::vector<int32_t> fullscreenAtInit;  // config.fullscreen at each SceneInit
    bool contextCurrentAtEveryHook = true;
    bool windowAliveAtEveryHook = true;
};

void Reset();
const Record& Calls();
// SceneInit returns false on this call (1-based); 0 never.
void FailInit(int call);
// Runs inside every SceneUpdate with the frame number (1-based, counted over the whole run)
// and the WindowState from the last SceneInit.
void OnUpdate(std::function<void(int frame, WindowState& window)> callback);
// Runs inside every SceneShutdown.
void OnShutdown(std::function<void()> callback);

}  // namespace scene_script
