// The GLU and GL entry points the browser build's GL (platform/web/gl/web_gl_*.cpp) lacks, under
// their real names, each handing over to web_glu_*.cpp. Compiled for the Emscripten target only:
// on every other system these names belong to the real libGLU and libGL.
#include <GL/gl.h>
#include <GL/glu.h>

#include <new>

#include "platform/web/gl/web_glu.h"

// Emscripten's glu.h declares the quadric as a class it leaves to the library.
class GLUquadric {
public:
    webglu::Quadric state;
};

extern "C" {

// Null when memory runs out, as GLU's; the program then skips its light marker.
GLUquadric* GLAPIENTRY gluNewQuadric(void) { return new (std::nothrow) GLUquadric(); }

void GLAPIENTRY gluDeleteQuadric(GLUquadric* quad) { delete quad; }

// A null quadric is ignored rather than dereferenced.
void GLAPIENTRY gluQuadricNormals(GLUquadric* quad, GLenum normal) {
    if (quad) webglu::SetNormals(quad->state, normal);
}

void GLAPIENTRY gluQuadricTexture(GLUquadric* quad, GLboolean texture) {
    if (quad) webglu::SetTextureCoords(quad->state, texture);
}

void GLAPIENTRY gluQuadricDrawStyle(GLUquadric* quad, GLenum draw) {
    if (quad) webglu::SetDrawStyle(quad->state, draw);
}

void GLAPIENTRY gluQuadricOrientation(GLUquadric* quad, GLenum orientation) {
    if (quad) webglu::SetOrientation(quad->state, orientation);
}

void GLAPIENTRY gluSphere(GLUquadric* quad, GLdouble radius, GLint slices, GLint stacks) {
    if (quad) webglu::DrawSphere(quad->state, radius, slices, stacks);
}

GLint GLAPIENTRY gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width,
                                   GLsizei height, GLenum format, GLenum type, const void* data) {
    return webglu::Build2DMipmaps(target, internalFormat, width, height, format, type, data);
}

void GLAPIENTRY glPushClientAttrib(GLbitfield mask) { webglu::PushClientAttrib(mask); }

void GLAPIENTRY glPopClientAttrib(void) { webglu::PopClientAttrib(); }

}  // extern "C"
