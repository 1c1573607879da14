// The demo's program-wide record: what is shown (light, viewpoint, surface, texture, marker) and
// the shell records the keyboard controls read and report to.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>

#include "app/window_state.h"
#include "surface/surface_grid.h"
#include "surface/vector3f.h"

// Vertices along each side of the surface; the grid's arrays must hold all of them.
inline constexpr float SCENE_GRID_RESOLUTION = 64.0f;
static_assert(GridFits(SCENE_GRID_RESOLUTION), "the surface grid cannot hold this resolution");

inline constexpr Vector3f INITIAL_LIGHT_POSITION{1.0f, 0.5f, 1.0f};
inline constexpr Vector3f INITIAL_VIEW_OFFSET{-5.0f, -1.0f, -5.0f};
inline constexpr float SURFACE_EXTENT = 10.0f;
inline constexpr const char* WATER_TEXTURE_FILE = "water05t.bmp";
inline constexpr int32_t WATER_TEXTURE_SLOT = 1;

struct SceneState {
    WindowState* window;  // the current window, not owned
    KeyStates* keys;      // the shell's key table, not owned
    Vector3f lightPosition;
    Vector3f viewOffset;  // the whole world moves by this in front of the fixed eye
    float gridResolution;
    SurfaceGrid grid;
    std::array<GLuint, 2> textureNames;  // only the water texture's slot is used
    GLUquadric* sphere;                  // marks the light; null when GLU had no memory
};

// The one instance; zero until the first SceneInit, re-initialised by every SceneInit.
extern SceneState sceneState;

// Draws the orange sphere at the light, untextured; texturing is on again afterwards.
void DrawLightMarker();
