// The view projection, kept apart from the window code so that anything drawing the scene into
// a surface of its own (off-screen tests, the frame benchmark) sets up the very same view.
#include "app/projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

void SetProjection(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A double division on purpose: a zero height gives an infinite or NaN aspect, no fault.
    gluPerspective(90.0, double(width) / double(height), double(0.1f), 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
