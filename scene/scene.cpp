// Placeholder scene until the demonstration lands: clears every frame.
#include "scene/scene.h"

#include <GL/gl.h>

bool SceneInit(WindowState&, KeyStates&) {
    glClearColor(0.0f, 1.0f, 1.0f, 0.5f);
    return true;
}
void SceneUpdate(uint32_t) {}
void SceneDraw() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); }
void SceneShutdown() {}
