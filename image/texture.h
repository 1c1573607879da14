// Turns a bitmap file into the mipmapped texture the surface is drawn with.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// Reads fileName, makes a new texture in the current context with trilinear minification and
// linear magnification, stores its name in textureNames[slot] and leaves it bound.
// A null fileName does nothing and succeeds. Returns false, touching neither the table nor the
// binding, when the image cannot be read (the reader has already shown its message) or when the
// table or slot is unusable.
bool CreateTexture(GLuint* textureNames, const char* fileName, int32_t slot);
