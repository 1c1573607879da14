// The scripted scene hooks linked into the shell's tests in place of the demonstration.
#include "tests/app/scene_script.h"

#include "scene/scene.h"
#include "tests/fake_platform/fake_platform.h"

namespace scene_script {
namespace {

struct Script {
    Record record;
    int failInit = 0;
    std::function<void(int, WindowState&)> onUpdate;
    std::function<void()> onShutdown;
    WindowState* window = nullptr;
};

Script& S() {
    static Script script;
    return script;
}

void Note(const char* hook) {
    Record& r = S().record;
    r.hooks.emplace_back(hook);
    r.contextCurrentAtEveryHook = r.contextCurrentAtEveryHook && fake_platform::ContextCurrent();
    r.windowAliveAtEveryHook = r.windowAliveAtEveryHook && fake_platform::LiveWindow() != nullptr;
}

}  // namespace

void Reset() { S() = Script{}; }
const Record& Calls() { return S().record; }
void FailInit(int call) { S().failInit = call; }
void OnUpdate(std::function<void(int, WindowState&)> callback) { S().onUpdate = std::move(callback); }
void OnShutdown(std::function<void()> callback) { S().onShutdown = std::move(callback); }

}  // namespace scene_script

using scene_script::S;

bool SceneInit(WindowState& window, KeyStates& keys) {
    auto& r = S().record;
    scene_script::Note("SceneInit");
    ++r.inits;
    r.initWindows.push_back(&window);
    r.initKeys.push_back(&keys);
    r.keysAtInit.push_back(keys);
    r.fullscreenAtInit.push_back(window.config.fullscreen);
    S().window = &window;
    return r.inits != S().failInit;
}

void SceneUpdate(uint32_t elapsedMilliseconds) {
    auto& r = S().record;
    scene_script::Note("SceneUpdate");
    ++r.updates;
    r.elapsed.push_back(elapsedMilliseconds);
    if (S().onUpdate) S().onUpdate(r.updates, *S().window);
}

void SceneDraw() {
    scene_script::Note("SceneDraw");
    ++S().record.draws;
}

void SceneShutdown() {
    scene_script::Note("SceneShutdown");
    ++S().record.shutdowns;
    if (S().onShutdown) S().onShutdown();
}
