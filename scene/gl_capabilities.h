// What the driver offers beyond OpenGL 1.1: multitexturing and the combine texture environment.
// Queried at every scene initialisation; the demo itself draws with one texture unit regardless.
#pragma once

#include <GL/gl.h>

#include <cstdint>

using MultiTexCoord1fProc = void(APIENTRY*)(GLenum unit, GLfloat s);
using MultiTexCoord2fProc = void(APIENTRY*)(GLenum unit, GLfloat s, GLfloat t);
using MultiTexCoord3fProc = void(APIENTRY*)(GLenum unit, GLfloat s, GLfloat t, GLfloat r);
using MultiTexCoord4fProc = void(APIENTRY*)(GLenum unit, GLfloat s, GLfloat t, GLfloat r,
                                            GLfloat q);
using ActiveTextureProc = void(APIENTRY*)(GLenum unit);

inline constexpr GLenum GL_MAX_TEXTURE_UNITS_ARB_VALUE = 0x84E2;

struct GlCapabilities {
    bool extensionsMissing = false;  // sticky: set by any query that misses an extension
    int32_t maxTextureUnits = 1;
    MultiTexCoord1fProc multiTexCoord1f = nullptr;
    MultiTexCoord2fProc multiTexCoord2f = nullptr;
    MultiTexCoord3fProc multiTexCoord3f = nullptr;
    MultiTexCoord4fProc multiTexCoord4f = nullptr;
    ActiveTextureProc activeTexture = nullptr;
};

// The one instance, alive for the whole process and never reset.
extern GlCapabilities glCapabilities;

// True when the current context lists both extensions; then the unit count and the five entry
// points are stored. A miss, or no extension list at all, marks them missing and keeps the rest.
bool QueryExtensions();

// True when a line-feed-separated token of list is exactly name. Neither string is changed.
bool ExtensionListed(const char* list, const char* name);
