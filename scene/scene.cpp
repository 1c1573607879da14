// The scene hooks the shell calls around each window: set up the GL state and the surface once,
// then rebuild and draw the lit surface and the light marker every frame.
#include "scene/scene.h"

#include "image/texture.h"
#include "scene/gl_capabilities.h"
#include "scene/scene_state.h"

SceneState sceneState;

namespace {

// The quadric is client-side memory, so it survives context changes and has to be let go here.
void ReleaseSphere() {
    if (sceneState.sphere) gluDeleteQuadric(sceneState.sphere);
    sceneState.sphere = nullptr;
}

void MakeSphere() {
    ReleaseSphere();
    sceneState.sphere = gluNewQuadric();
    if (!sceneState.sphere) return;  // the marker is skipped; the surface still draws
    gluQuadricNormals(sceneState.sphere, GLU_SMOOTH);
    gluQuadricTexture(sceneState.sphere, GL_TRUE);
}

}  // namespace

bool SceneInit(WindowState& window, KeyStates& keys) {
    sceneState.window = &window;
    sceneState.keys = &keys;

    // The demo draws with one texture unit whatever the driver offers.
    QueryExtensions();

    if (!CreateTexture(sceneState.textureNames.data(), WATER_TEXTURE_FILE, WATER_TEXTURE_SLOT)) {
        ReleaseSphere();
        return false;
    }
    glEnable(GL_TEXTURE_2D);

    sceneState.lightPosition = INITIAL_LIGHT_POSITION;
    sceneState.viewOffset = INITIAL_VIEW_OFFSET;
    sceneState.gridResolution = SCENE_GRID_RESOLUTION;
    sceneState.grid.extent = SURFACE_EXTENT;
    sceneState.grid.Rebuild(sceneState.lightPosition, sceneState.gridResolution);

    glClearColor(0.0f, 1.0f, 1.0f, 0.5f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    MakeSphere();
    return true;
}

void SceneDraw() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(sceneState.viewOffset.x, sceneState.viewOffset.y, sceneState.viewOffset.z);

    // Shading follows the light, so the whole surface is lit afresh every frame.
    sceneState.grid.Rebuild(sceneState.lightPosition, sceneState.gridResolution);
    sceneState.grid.Draw(sceneState.gridResolution, sceneState.textureNames[WATER_TEXTURE_SLOT]);
    DrawLightMarker();
    glFlush();
}

void DrawLightMarker() {
    if (!sceneState.sphere) return;
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glTranslatef(sceneState.lightPosition.x, sceneState.lightPosition.y,
                 sceneState.lightPosition.z);
    glColor3f(1.0f, 0.5f, 0.0f);
    gluSphere(sceneState.sphere, 0.1, 64, 64);
    glPopMatrix();
    glEnable(GL_TEXTURE_2D);
}

// The texture goes with the context when the shell deletes it; the sphere is replaced by the
// next SceneInit.
void SceneShutdown() {}
