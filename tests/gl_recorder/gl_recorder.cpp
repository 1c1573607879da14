// Definitions of the GL and GLU entry points that record instead of drawing.
#include "tests/gl_recorder/gl_recorder.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

struct GLUquadric {
    int id;
};

namespace gl_recorder {
namespace {

struct State {
    std::vector<Call> calls;
    std::map<std::string, std::size_t, std::less<>> counts;
    bool logging = true;
    GLuint nextTexture = 1;
    std::string extensions;
    bool extensionsNull = false;
    int maxTextureUnits = 4;
    bool quadricFails = false;
    int liveQuadrics = 0;
    int nextQuadric = 1;
    std::map<GLenum, GLint> texParams;
};

State& S() {
    static State state;
    return state;
}

void Record(const char* name, std::initializer_list<double> args) {
    State& s = S();
    // Found without a temporary string, so a long run with logging off allocates nothing once
    // each name has been seen.
    auto count = s.counts.find(std::string_view(name));
    if (count == s.counts.end()) count = s.counts.emplace(name, 0).first;
    ++count->second;
    if (s.logging) s.calls.push_back({name, std::vector<double>(args)});
}

}  // namespace

const std::vector<Call>& Calls() { return S().calls; }

std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const Call& c : S().calls) names.push_back(c.name);
    return names;
}

std::size_t Count(const std::string& name) {
    auto it = S().counts.find(name);
    return it == S().counts.end() ? 0 : it->second;
}

void Reset() { S() = State{}; }
void SetExtensions(const char* extensions) {
    S().extensionsNull = extensions == nullptr;
    S().extensions = extensions ? extensions : "";
}
void SetMaxTextureUnits(int units) { S().maxTextureUnits = units; }
void SetQuadricAllocationFails(bool fails) { S().quadricFails = fails; }
int LiveQuadrics() { return S().liveQuadrics; }
void SetLogging(bool on) { S().logging = on; }

}  // namespace gl_recorder

using gl_recorder::Record;

extern "C" {

void glBegin(GLenum mode) { Record("glBegin", {double(mode)}); }
void glEnd() { Record("glEnd", {}); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { Record("glColor3f", {r, g, b}); }
void glTexCoord2f(GLfloat s, GLfloat t) { Record("glTexCoord2f", {s, t}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { Record("glVertex3f", {x, y, z}); }

void glGenTextures(GLsizei n, GLuint* names) {
    Record("glGenTextures", {double(n)});
    for (GLsizei i = 0; i < n; ++i) names[i] = gl_recorder::S().nextTexture++;
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
    Record("glDeleteTextures", {double(n), n > 0 ? double(names[0]) : 0.0});
}
void glBindTexture(GLenum target, GLuint name) { Record("glBindTexture", {double(target), double(name)}); }
void glTexParameteri(GLenum target, GLenum pname, GLint value) {
    Record("glTexParameteri", {double(target), double(pname), double(value)});
    gl_recorder::S().texParams[pname] = value;
}
void glGetTexParameteriv(GLenum target, GLenum pname, GLint* value) {
    Record("glGetTexParameteriv", {double(target), double(pname)});
    *value = gl_recorder::S().texParams[pname];
}
void glTexEnvi(GLenum target, GLenum pname, GLint value) {
    Record("glTexEnvi", {double(target), double(pname), double(value)});
}

void glEnable(GLenum cap) { Record("glEnable", {double(cap)}); }
void glDisable(GLenum cap) { Record("glDisable", {double(cap)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { Record("glClearColor", {r, g, b, a}); }
void glClearDepth(GLclampd depth) { Record("glClearDepth", {depth}); }
void glDepthFunc(GLenum func) { Record("glDepthFunc", {double(func)}); }
void glShadeModel(GLenum mode) { Record("glShadeModel", {double(mode)}); }
void glHint(GLenum target, GLenum mode) { Record("glHint", {double(target), double(mode)}); }

void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    Record("glViewport", {double(x), double(y), double(w), double(h)});
}
void glMatrixMode(GLenum mode) { Record("glMatrixMode", {double(mode)}); }
void glLoadIdentity() { Record("glLoadIdentity", {}); }
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) { Record("glTranslatef", {x, y, z}); }
void glPushMatrix() { Record("glPushMatrix", {}); }
void glPopMatrix() { Record("glPopMatrix", {}); }
void glClear(GLbitfield mask) { Record("glClear", {double(mask)}); }
void glFlush() { Record("glFlush", {}); }
GLenum glGetError() { return GL_NO_ERROR; }

const GLubyte* glGetString(GLenum name) {
    Record("glGetString", {double(name)});
    auto& s = gl_recorder::S();
    if (name != GL_EXTENSIONS || s.extensionsNull) return nullptr;
    return reinterpret_cast<const GLubyte*>(s.extensions.c_str());
}
void glGetIntegerv(GLenum pname, GLint* value) {
    Record("glGetIntegerv", {double(pname)});
    if (pname == 0x84E2) *value = gl_recorder::S().maxTextureUnits;  // GL_MAX_TEXTURE_UNITS_ARB
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    Record("gluPerspective", {fovy, aspect, zNear, zFar});
}
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLsizei w, GLsizei h, GLenum format,
                        GLenum type, const void* data) {
    Record("gluBuild2DMipmaps", {double(target), double(components), double(w), double(h),
                                 double(format), double(type), data ? 1.0 : 0.0});
    return 0;
}
GLUquadric* gluNewQuadric() {
    auto& s = gl_recorder::S();
    Record("gluNewQuadric", {});
    if (s.quadricFails) return nullptr;
    ++s.liveQuadrics;
    return new GLUquadric{s.nextQuadric++};
}
void gluDeleteQuadric(GLUquadric* q) {
    Record("gluDeleteQuadric", {q ? double(q->id) : 0.0});
    if (!q) return;
    --gl_recorder::S().liveQuadrics;
    delete q;
}
void gluQuadricNormals(GLUquadric* q, GLenum normal) { Record("gluQuadricNormals", {double(q->id), double(normal)}); }
void gluQuadricTexture(GLUquadric* q, GLboolean texture) { Record("gluQuadricTexture", {double(q->id), double(texture)}); }
void gluSphere(GLUquadric* q, GLdouble radius, GLint slices, GLint stacks) {
    Record("gluSphere", {double(q->id), radius, double(slices), double(stacks)});
}

}  // extern "C"

extern "C" {

void glPixelStorei(GLenum pname, GLint value) { Record("glPixelStorei", {double(pname), double(value)}); }
void glPushClientAttrib(GLbitfield mask) { Record("glPushClientAttrib", {double(mask)}); }
void glPopClientAttrib() { Record("glPopClientAttrib", {}); }

}  // extern "C"
