// GLU's mipmap builder and the client pixel-store stack, for the browser build (the sphere is in
// web_glu_sphere.cpp). The arithmetic follows GLU's step by step (same float operations in the
// same order), so that the Linux tests can hold every texel against Mesa's libGLU exactly, except
// where GLU itself goes wrong (see Scale and Build2DMipmaps).
#include "platform/web/gl/web_glu.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

namespace webglu {

// ---------------------------------------------------------------------------------------------
// Mipmaps

namespace {

int ChannelCount(GLenum format) {
    switch (format) {
        case GL_ALPHA:
        case GL_LUMINANCE:
            return 1;
        case GL_LUMINANCE_ALPHA:
            return 2;
        case GL_RGB:
            return 3;
        case GL_RGBA:
            return 4;
        default:
            return 0;
    }
}

// GLU's power of two for a side: the power of two below it, or the one above when the side is
// at least one and a half times the one below (3 -> 4, 5 -> 4, 6 -> 8, 100 -> 128).
int64_t GluPowerOfTwo(int64_t side) {
    int64_t below = 1;
    while (below * 2 <= side) below *= 2;
    return below > 1 && side >= below + below / 2 ? below * 2 : below;
}

int Log2(int64_t powerOfTwo) {
    int log = 0;
    while ((int64_t(1) << log) < powerOfTwo) ++log;
    return log;
}

// An image in memory: rows of width pixels of the given channels, stride bytes apart.
struct Image {
    const uint8_t* pixels;
    int64_t width;
    int64_t height;
    int channels;
    size_t stride;
};

// GLU's 2 x 2 box filter to half size, rounded; a single row or column averages pairs,
// truncated. Sides are powers of two and not both 1. Safe in place (out at in's start with a
// tight stride): every byte is read before any later one is written over it.
void Halve(const Image& in, uint8_t* out) {
    const int c = in.channels;
    if (in.width == 1 || in.height == 1) {
        const size_t step = in.height == 1 ? size_t(c) : in.stride;
        const int64_t count = std::max(in.width, in.height) / 2;
        for (int64_t n = 0; n < count; ++n) {
            const uint8_t* a = in.width == 1 ? in.pixels + size_t(2 * n) * in.stride
                                             : in.pixels + size_t(2 * n) * size_t(c);
            for (int k = 0; k < c; ++k) *out++ = uint8_t((a[k] + a[k + step]) / 2);
        }
        return;
    }
    for (int64_t y = 0; y < in.height / 2; ++y) {
        const uint8_t* top = in.pixels + size_t(2 * y) * in.stride;
        const uint8_t* bottom = top + in.stride;
        for (int64_t x = 0; x < in.width / 2; ++x) {
            const size_t at = size_t(2 * x) * size_t(c);
            for (int k = 0; k < c; ++k) {
                *out++ = uint8_t(
                    (top[at + k] + top[at + c + k] + bottom[at + k] + bottom[at + c + k] + 2) / 4);
            }
        }
    }
}

// One side of an output pixel's box on the input, in whole pixels plus a fraction.
struct Edge {
    int64_t whole;
    float fraction;
};

// Steps an edge by the scale factor the way GLU does: the fraction may reach 1 exactly and only
// carries into the whole part beyond it.
void Advance(Edge& edge, int64_t wholeStep, float fractionStep) {
    edge.whole += wholeStep;
    edge.fraction += fractionStep;
    if (edge.fraction > 1) {
        edge.fraction -= 1.0f;
        edge.whole++;
    }
}

// The input under one output pixel's box (Scale), weighted by the part of each pixel inside,
// added to total in GLU's order.
void BoxTotal(const Image& in, const Edge& left, const Edge& right, const Edge& low,
              const Edge& high, float total[4]) {
    const int c = in.channels;
    // An edge at the image's end is read clamped to the last pixel, with weight 0, so the sum is
    // unchanged; with the rounding of very large sides the clamp keeps the box inside the image.
    auto at = [&](int64_t x, int64_t y) {
        x = std::min(x, in.width - 1);
        y = std::min(y, in.height - 1);
        return in.pixels + size_t(y) * in.stride + size_t(x) * size_t(c);
    };

    auto add = [&](const uint8_t* p, float weight) {
        for (int k = 0; k < c; ++k) total[k] += float(p[k]) * weight;
    };
    // Weighted across one row from the left edge to the right edge.
    auto addRow = [&](int64_t y, float weight) {
        add(at(left.whole, y), weight * (1 - left.fraction));
        for (int64_t x = left.whole + 1; x < right.whole; ++x) add(at(x, y), weight);
        add(at(right.whole, y), weight * right.fraction);
    };
    const bool tall = high.whole > low.whole;
    const bool wide = right.whole > left.whole;
    if (tall && wide) {
        addRow(low.whole, 1 - low.fraction);
        addRow(high.whole, high.fraction);
        for (int64_t y = low.whole + 1; y < high.whole; ++y) {
            const uint8_t* l = at(left.whole, y);
            const uint8_t* r = at(right.whole, y);
            for (int k = 0; k < c; ++k) {
                total[k] +=
                    float(l[k]) * (1 - left.fraction) + float(r[k]) * right.fraction;
            }
        }
    } else if (tall) {
        const float weight = right.fraction - left.fraction;
        add(at(left.whole, low.whole), (1 - low.fraction) * weight);
        for (int64_t y = low.whole + 1; y < high.whole; ++y) add(at(left.whole, y), weight);
        add(at(left.whole, high.whole), weight * high.fraction);
    } else if (wide) {
        const float weight = high.fraction - low.fraction;
        add(at(left.whole, low.whole), (1 - left.fraction) * weight);
        for (int64_t x = left.whole + 1; x < right.whole; ++x) {
            add(at(x, low.whole), weight);
        }
        add(at(right.whole, low.whole), weight * right.fraction);
    } else {
        add(at(left.whole, low.whole),
            (right.fraction - left.fraction) * (high.fraction - low.fraction));
    }
    for (int64_t y = low.whole + 1; y < high.whole; ++y) {
        for (int64_t x = left.whole + 1; x < right.whole; ++x) add(at(x, y), 1.0f);
    }
}

// GLU's box filter from any size to any size: each output pixel is the mean of the input area
// under it, pixels cut by the box's edges weighted by the part inside, summed in GLU's order
// (the first and last rows, then the first and last columns, then the inside) and truncated.
// Two faults of Mesa's GLU are left out. It moves a bottom edge lying at the image's end up onto
// the last row, which then gets no weight: with a whole-number vertical scale (a height kept
// while the width is rescaled) the last output row comes out black. And it reads the first and
// last columns one pixel further right on each row inside a box, which shows once a box spans
// more than two whole rows (only when sides past GL_MAX_TEXTURE_SIZE are halved).
// The scale factors and the edges' steps are exact, since the output sides are powers of two
// and the input sides fit a float's 24 bits (beyond that the reads below stay clamped inside).
void Scale(const Image& in, int64_t outWidth, int64_t outHeight, uint8_t* out) {
    const int c = in.channels;
    const float scaleX = float(in.width) / float(outWidth);
    const float scaleY = float(in.height) / float(outHeight);
    const int64_t wholeX = int64_t(std::floor(scaleX));
    const int64_t wholeY = int64_t(std::floor(scaleY));
    const float fractionX = scaleX - float(wholeX);
    const float fractionY = scaleY - float(wholeY);
    const float area = scaleX * scaleY;

    Edge low{0, 0.0f};
    Edge high{wholeY, fractionY};
    for (int64_t i = 0; i < outHeight; ++i) {
        Edge left{0, 0.0f};
        Edge right{wholeX, fractionX};
        for (int64_t j = 0; j < outWidth; ++j) {
            float total[4] = {0, 0, 0, 0};
            BoxTotal(in, left, right, low, high, total);
            for (int k = 0; k < c; ++k) {
                *out++ = uint8_t(std::clamp(total[k] / area, 0.0f, 255.0f));
            }
            left = right;
            Advance(right, wholeX, fractionX);
        }
        low = high;
        Advance(high, wholeY, fractionY);
    }
}

// Bytes from the first pixel to the end of the last row's pixels, or -1 when that cannot be
// addressed.
int64_t ImageBytes(int64_t width, int64_t height, int channels, int64_t alignment, size_t* stride) {
    constexpr int64_t LIMIT = std::numeric_limits<std::ptrdiff_t>::max();
    const int64_t row = width * channels;  // below 2^33: no overflow
    const int64_t padded = (row + alignment - 1) / alignment * alignment;
    if (height - 1 > (LIMIT - row) / padded) return -1;
    *stride = size_t(padded);
    return padded * (height - 1) + row;
}

// Restores the unpack alignment on the way out, whichever way that is.
struct UnpackAlignment {
    GLint saved;
    ~UnpackAlignment() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved); }
};

// The sides of level 0: each side's GLU power of two, both halved together until both fit, as
// GLU's proxy texture test has it.
void LevelZeroSides(GLint width, GLint height, int64_t* sideX, int64_t* sideY) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (maxSize < 1) maxSize = 64;  // no answer: the least any GL offers
    int64_t levelWidth = GluPowerOfTwo(width);
    int64_t levelHeight = GluPowerOfTwo(height);
    while (levelWidth > maxSize || levelHeight > maxSize) {
        levelWidth = std::max<int64_t>(levelWidth / 2, 1);
        levelHeight = std::max<int64_t>(levelHeight / 2, 1);
    }
    *sideX = levelWidth;
    *sideY = levelHeight;
}

// Makes and sends every level of Build2DMipmaps from the caller's image: level 0 (the image, or
// it rescaled into the scratch image), then each smaller one halved in place in the scratch
// image. levelWidth and levelHeight are level 0's sides.
template <typename Upload>
void SendLevels(const Image& user, uint8_t* scratch, int64_t levelWidth, int64_t levelHeight,
                int levels, bool scaled, const Upload& upload) {
    const int64_t width = user.width, height = user.height;
    const int channels = user.channels;
    int level = 0;
    if (scaled) {
        if (width == 2 * levelWidth && height == 2 * levelHeight) {
            Halve(user, scratch);
        } else {
            Scale(user, levelWidth, levelHeight, scratch);
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        upload(0, levelWidth, levelHeight, scratch);
    } else {
        // The caller's rows go up as they are aligned. Every level made here is tightly packed
        // and goes up at alignment 1: Mesa's GLU sends its first one under the caller's
        // alignment, shearing rows of 1 or 2 pixels and reading past its own buffer.
        upload(0, levelWidth, levelHeight, user.pixels);
        if (levels == 0) return;
        Halve(user, scratch);
        levelWidth = std::max<int64_t>(levelWidth / 2, 1);
        levelHeight = std::max<int64_t>(levelHeight / 2, 1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        upload(++level, levelWidth, levelHeight, scratch);
    }
    while (level < levels) {
        const Image current{scratch, levelWidth, levelHeight, channels,
                            size_t(levelWidth) * size_t(channels)};
        Halve(current, scratch);
        levelWidth = std::max<int64_t>(levelWidth / 2, 1);
        levelHeight = std::max<int64_t>(levelHeight / 2, 1);
        upload(++level, levelWidth, levelHeight, scratch);
    }
}

}  // namespace

GLint Build2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                     GLenum type, const void* data) {
    const int channels = ChannelCount(format);
    if (channels == 0 || type != GL_UNSIGNED_BYTE) return GLU_INVALID_ENUM;
    if (width < 1 || height < 1 || !data) return GLU_INVALID_VALUE;

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    if (alignment != 1 && alignment != 2 && alignment != 4 && alignment != 8) alignment = 4;
    size_t stride = 0;
    if (ImageBytes(width, height, channels, alignment, &stride) < 0) return GLU_OUT_OF_MEMORY;
    const Image user{static_cast<const uint8_t*>(data), width, height, channels, stride};

    int64_t levelWidth = 0, levelHeight = 0;
    LevelZeroSides(width, height, &levelWidth, &levelHeight);
    const int levels = std::max(Log2(levelWidth), Log2(levelHeight));
    const bool scaled = levelWidth != width || levelHeight != height;

    // One scratch image holds every level made here: the rescaled level 0, or else level 1
    // halved from the caller's image; each smaller level is halved in place.
    const int64_t scratchWidth = scaled ? levelWidth : std::max<int64_t>(levelWidth / 2, 1);
    const int64_t scratchHeight = scaled ? levelHeight : std::max<int64_t>(levelHeight / 2, 1);
    const uint64_t scratchBytes = uint64_t(scratchWidth) * uint64_t(scratchHeight) * channels;
    std::unique_ptr<uint8_t[]> scratch;
    if (scaled || levels > 0) {
        if (scratchBytes > uint64_t(std::numeric_limits<std::ptrdiff_t>::max())) {
            return GLU_OUT_OF_MEMORY;
        }
        scratch.reset(new (std::nothrow) uint8_t[size_t(scratchBytes)]);
        if (!scratch) return GLU_OUT_OF_MEMORY;
    }

    // WebGL only takes an internal format equal to the format.
    const GLint internalFormat = (components >= 1 && components <= 4) || components == GLint(format)
                                     ? GLint(format)
                                     : components;
    const UnpackAlignment restore{alignment};
    auto upload = [&](int level, int64_t w, int64_t h, const void* pixels) {
        glTexImage2D(target, level, internalFormat, GLsizei(w), GLsizei(h), 0, format, type,
                     pixels);
    };

    SendLevels(user, scratch.get(), levelWidth, levelHeight, levels, scaled, upload);
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Client attribute stack

namespace {

struct ClientEntry {
    GLbitfield mask;
    GLint unpackAlignment;
    GLint packAlignment;
};

struct ClientStack {
    ClientEntry entries[CLIENT_STACK_DEPTH];
    int depth = 0;
    // Pushes past the full stack, each owed one pop that restores nothing.
    unsigned overflow = 0;
};

ClientStack clientStack;

}  // namespace

void PushClientAttrib(GLbitfield mask) {
    ClientStack& s = clientStack;
    if (s.depth == CLIENT_STACK_DEPTH) {
        if (s.overflow < std::numeric_limits<unsigned>::max()) ++s.overflow;
        return;
    }
    ClientEntry& e = s.entries[s.depth++];
    e = {mask, 4, 4};
    if (mask & GL_CLIENT_PIXEL_STORE_BIT) {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &e.unpackAlignment);
        glGetIntegerv(GL_PACK_ALIGNMENT, &e.packAlignment);
    }
}

void PopClientAttrib() {
    ClientStack& s = clientStack;
    if (s.overflow > 0) {
        --s.overflow;
        return;
    }
    if (s.depth == 0) return;
    const ClientEntry& e = s.entries[--s.depth];
    if (e.mask & GL_CLIENT_PIXEL_STORE_BIT) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, e.unpackAlignment);
        glPixelStorei(GL_PACK_ALIGNMENT, e.packAlignment);
    }
}

}  // namespace webglu
