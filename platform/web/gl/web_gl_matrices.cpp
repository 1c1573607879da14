// The page's GL, its matrices: the modelview and projection stacks, gluPerspective and the
// viewport (web_gl_internal.h tells the design).
#include <cmath>

#include "platform/web/gl/web_gl_internal.h"

using platform::currentState;
using platform::GlState;

extern "C" {

void glMatrixMode(GLenum mode) {
    if (!currentState) return;
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) currentState->matrixMode = mode;
    else platform::SetError(*currentState, GL_INVALID_ENUM);
}

void glLoadIdentity() {
    if (!currentState) return;
    platform::Flush(*currentState);
    platform::Stack(*currentState).Current() = platform::kIdentity;
    currentState->matrixDirty = true;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    if (!currentState) return;
    platform::Flush(*currentState);
    float* m = platform::Stack(*currentState).Current().m;
    for (int row = 0; row < 4; ++row) m[12 + row] += m[row] * x + m[4 + row] * y + m[8 + row] * z;
    currentState->matrixDirty = true;
}

void glPushMatrix() {
    if (!currentState) return;
    platform::MatrixStack& stack = platform::Stack(*currentState);
    if (stack.top + 1 == platform::kStackDepth)
        return platform::SetError(*currentState, GL_STACK_OVERFLOW);
    stack.entries[stack.top + 1] = stack.entries[stack.top];
    ++stack.top;
}

void glPopMatrix() {
    if (!currentState) return;
    platform::MatrixStack& stack = platform::Stack(*currentState);
    if (stack.top == 0) return platform::SetError(*currentState, GL_STACK_UNDERFLOW);
    platform::Flush(*currentState);
    --stack.top;
    currentState->matrixDirty = true;
}

// GLU's perspective, worked out in double as GLU does and multiplied on in float as GL does.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    if (!currentState) return;
    const double radians = fovy / 2 * 3.14159265358979323846 / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    platform::Matrix m = platform::kIdentity;
    m.m[0] = float(cotangent / aspect);
    m.m[5] = float(cotangent);
    m.m[10] = float(-(zFar + zNear) / deltaZ);
    m.m[11] = -1;
    m.m[14] = float(-2 * zNear * zFar / deltaZ);
    m.m[15] = 0;
    platform::Flush(*currentState);
    platform::Multiply(platform::Stack(*currentState).Current(), m);
    currentState->matrixDirty = true;
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (width < 0 || height < 0) return platform::SetError(s, GL_INVALID_VALUE);
    platform::Flush(s);
    s.viewport[0] = x, s.viewport[1] = y, s.viewport[2] = width, s.viewport[3] = height;
    s.viewportSet = true;
    if (!s.lost) emscripten_glViewport(x, y, width, height);
}

}  // extern "C"
