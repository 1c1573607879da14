// A recording stand-in for the OpenGL and GLU calls the program makes. Linked into unit tests in
// place of libGL and libGLU: every call is appended to a log with its arguments as doubles, and the
// few calls that return something answer from a small scripted state.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gl_recorder {

struct Call {
    std::string name;
    std::vector<double> args;
};

// Everything recorded since the last Reset.
const std::vector<Call>& Calls();
// Names only, in order; handy for sequence checks.
std::vector<std::string> Names();
// Number of recorded calls with this name.
std::size_t Count(const std::string& name);

// Clears the log and the scripted state: texture names restart at 1, no quadric is alive,
// the extension string is empty and GL_MAX_TEXTURE_UNITS_ARB answers 4.
void Reset();

// What glGetString(GL_EXTENSIONS) returns; null makes it return null.
void SetExtensions(const char* extensions);
void SetMaxTextureUnits(int units);
// When true, gluNewQuadric returns null (out of memory).
void SetQuadricAllocationFails(bool fails);
// Quadric objects made and not yet deleted.
int LiveQuadrics();
// When false, calls are counted but not logged (for long runs).
void SetLogging(bool on);

}  // namespace gl_recorder
