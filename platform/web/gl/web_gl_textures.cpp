// The page's GL, its textures: texture objects with their parameters and every level's image
// kept, so that a restored context has them again (web_gl_internal.h tells the design).
#include "platform/web/gl/web_gl_internal.h"

namespace platform {
namespace {

size_t Components(GLenum format) {
    switch (format) {
        case GL_ALPHA:
        case GL_LUMINANCE: return 1;
        case GL_LUMINANCE_ALPHA: return 2;
        case GL_RGB: return 3;
        case GL_RGBA: return 4;
        default: return 0;
    }
}

}  // namespace

void UploadLevel(GLint level, const TextureLevel& l) {
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, l.alignment);
    emscripten_glTexImage2D(GL_TEXTURE_2D, level, GLint(l.format), l.width, l.height, 0, l.format,
                            GL_UNSIGNED_BYTE, l.bytes.empty() ? nullptr : l.bytes.data());
}

// Makes a texture's WebGL object with its parameters and images; leaves it bound.
void MakeTexture(Texture& t) {
    emscripten_glGenTextures(1, &t.webgl);
    emscripten_glBindTexture(GL_TEXTURE_2D, t.webgl);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, t.minFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, t.magFilter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, t.wrapS);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t.wrapT);
    for (size_t level = 0; level < t.levels.size(); ++level)
        if (t.levels[level].width > 0) UploadLevel(GLint(level), t.levels[level]);
}

}  // namespace platform

using platform::currentState;
using platform::GlState;

extern "C" {

// -- textures ---------------------------------------------------------------------------------

void glGenTextures(GLsizei n, GLuint* textures) {
    if (!currentState || !textures) return;
    GlState& s = *currentState;
    for (GLsizei i = 0; i < n; ++i) {
        s.textures.emplace_back();
        if (!s.lost) emscripten_glGenTextures(1, &s.textures.back().webgl);
        textures[i] = GLuint(s.textures.size());
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    if (!currentState) return;
    GlState& s = *currentState;
    if (target != GL_TEXTURE_2D) return platform::SetError(s, GL_INVALID_ENUM);
    // Only names from glGenTextures are known here.
    if (texture > s.textures.size()) return platform::SetError(s, GL_INVALID_OPERATION);
    if (texture == s.boundTexture) return;
    platform::Flush(s);
    s.boundTexture = texture;
    if (!s.lost) emscripten_glBindTexture(GL_TEXTURE_2D, texture ? s.textures[texture - 1].webgl : 0);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    if (!currentState) return;
    GlState& s = *currentState;
    platform::Texture* t = platform::Bound(s);
    if (target != GL_TEXTURE_2D || !t) return platform::SetError(s, GL_INVALID_OPERATION);
    GLint* field = name == GL_TEXTURE_MIN_FILTER ? &t->minFilter
                 : name == GL_TEXTURE_MAG_FILTER ? &t->magFilter
                 : name == GL_TEXTURE_WRAP_S     ? &t->wrapS
                 : name == GL_TEXTURE_WRAP_T     ? &t->wrapT
                                                 : nullptr;
    if (!field) return platform::SetError(s, GL_INVALID_ENUM);
    platform::Flush(s);
    *field = value;
    if (!s.lost) emscripten_glTexParameteri(target, name, value);
}

// WebGL wants the internal format to be the format: a component count, or the format itself,
// is taken as the format; other internal formats are refused.
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    if (!currentState) return;
    GlState& s = *currentState;
    platform::Texture* t = platform::Bound(s);
    const size_t components = platform::Components(format);
    if (target != GL_TEXTURE_2D || !t) return platform::SetError(s, GL_INVALID_OPERATION);
    if (components == 0 || type != GL_UNSIGNED_BYTE) return platform::SetError(s, GL_INVALID_ENUM);
    if (!(internalFormat == GLint(components) || internalFormat == GLint(format)))
        return platform::SetError(s, GL_INVALID_VALUE);
    if (level < 0 || level > 15 || width < 0 || height < 0 || width > s.maxTextureSize ||
        height > s.maxTextureSize || border != 0)
        return platform::SetError(s, GL_INVALID_VALUE);
    platform::Flush(s);
    if (t->levels.size() <= size_t(level)) t->levels.resize(size_t(level) + 1);
    platform::TextureLevel& l = t->levels[size_t(level)];
    l.width = width, l.height = height, l.format = format, l.alignment = s.unpackAlignment;
    // The rows at the unpack alignment, the last one without its padding, as GL reads them.
    const size_t rowBytes = size_t(width) * components;
    const size_t stride = (rowBytes + size_t(l.alignment) - 1) / size_t(l.alignment) * size_t(l.alignment);
    const size_t size = width && height ? stride * size_t(height - 1) + rowBytes : 0;
    if (pixels) l.bytes.assign(static_cast<const uint8_t*>(pixels), static_cast<const uint8_t*>(pixels) + size);
    else l.bytes.clear();
    if (!s.lost) platform::UploadLevel(level, l);
}

// Textures always modulate the vertex colour, which is the one mode the program sets.
void glTexEnvi(GLenum target, GLenum name, GLint value) {
    if (!currentState) return;
    if (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE || value != GL_MODULATE)
        platform::SetError(*currentState, GL_INVALID_ENUM);
}

}  // extern "C"
