// The browser build's GLU stand-ins (platform/web/gl/web_glu_*.cpp) held against Mesa's libGLU
// in Mesa's own context: the sphere through GL's feedback mode and on screen, the mipmaps texel
// by texel through glGetTexImage, the client attribute stack through the pixel-store state.
#include "platform/web/gl/web_glu.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "tests/mesa/mesa_context.h"

namespace {

constexpr int32_t SIZE = 256;

class WebGluTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(context.error(), ""); }
    mesa::OffscreenContext context{SIZE, SIZE};
};

// ---------------------------------------------------------------------------------------------
// Sphere

// One vertex as feedback reports it with GL_3D_COLOR_TEXTURE: window x, y, z, the lit RGBA and
// the texture coordinate s, t, r, q.
using FeedbackVertex = std::array<float, 11>;
using Triangle = std::array<FeedbackVertex, 3>;

std::vector<Triangle> FeedbackTriangles(size_t maxTriangles, const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(maxTriangles * (2 + 3 * 11));
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    std::vector<Triangle> triangles;
    EXPECT_GE(count, 0) << "feedback buffer too small";
    for (GLint at = 0; at < count;) {
        const GLint token = GLint(buffer[at++]);
        const GLint corners = token == GL_POLYGON_TOKEN ? GLint(buffer[at++]) : 0;
        if (corners != 3) {
            ADD_FAILURE() << "token " << token << " with " << corners << " vertices";
            break;
        }
        Triangle triangle;
        for (FeedbackVertex& v : triangle) {
            std::copy(&buffer[at], &buffer[at + 11], v.begin());
            at += 11;
        }
        triangles.push_back(triangle);
    }
    return triangles;
}

// The triangles as a sorted list, each turned to start at its least vertex (keeping the way it
// faces), without those that repeat a vertex outright: those cover nothing, and each of our
// strips starts with one.
std::vector<Triangle> Canonical(std::vector<Triangle> triangles) {
    std::erase_if(triangles,
                  [](const Triangle& t) { return t[0] == t[1] || t[1] == t[2] || t[2] == t[0]; });
    for (Triangle& t : triangles) {
        std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    }
    std::sort(triangles.begin(), triangles.end());
    return triangles;
}

// Lighting with a highlight, so that the colours feedback reports follow the normals closely,
// and a view that keeps the whole sphere of the given radius on screen (no clipped vertices).
void SetUpSphereView(double radius) {
    glViewport(0, 0, SIZE, SIZE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, radius, radius * 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(0.0, 0.0, -3 * radius);
    glRotated(30.0, 1.0, 0.5, 0.0);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat position[] = {1.0f, 2.0f, 3.0f, 0.0f};
    const GLfloat diffuse[] = {0.8f, 0.6f, 0.4f, 1.0f};
    const GLfloat specular[] = {0.5f, 0.5f, 0.5f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 20.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
}

struct SphereCase {
    double radius;
    GLint slices;
    GLint stacks;
};

struct QuadricCase {
    GLenum normals;
    bool texture;
    GLenum orientation;
};

// GLU's sphere and ours, drawn from the same current normal and texture coordinate (GLU's flat
// normals leave some vertices with whatever normal was current).
void DrawBoth(const QuadricCase& q, const SphereCase& s, std::vector<Triangle>* glu,
              std::vector<Triangle>* ours) {
    GLUquadric* quadric = gluNewQuadric();
    ASSERT_NE(quadric, nullptr);
    gluQuadricNormals(quadric, q.normals);
    gluQuadricTexture(quadric, q.texture);
    gluQuadricOrientation(quadric, q.orientation);
    webglu::Quadric mine;
    webglu::SetNormals(mine, q.normals);
    webglu::SetTextureCoords(mine, q.texture);
    webglu::SetOrientation(mine, q.orientation);
    // GLU's flat normals leave the first vertex or two with the caller's normal; ours give them
    // the first face's, so GLU gets that one to start from.
    std::array<float, 3> start = {0.3f, -0.4f, 0.866f};
    if (q.normals == GLU_FLAT) {
        const GLint slices = std::min(s.slices, webglu::MAX_SPHERE_DIVISIONS);
        const GLint stacks = std::min(s.stacks, webglu::MAX_SPHERE_DIVISIONS);
        const float sign = q.orientation == GLU_OUTSIDE ? 1.0f : -1.0f;
        const float around = float(2 * M_PI * -0.5 / slices);
        const float down = float(M_PI * 0.5 / stacks);
        const float sinDown = sign * float(std::sin(double(down)));
        start = {float(std::sin(double(around))) * sinDown,
                 float(std::cos(double(around))) * sinDown, sign * float(std::cos(double(down)))};
    }
    auto fresh = [&] {
        glNormal3f(start[0], start[1], start[2]);
        glTexCoord2f(0.25f, 0.75f);
    };
    // Two triangles a quad, two cap triangles a slice; as many again for any clipping.
    const GLint slices = std::min(s.slices, webglu::MAX_SPHERE_DIVISIONS);
    const GLint stacks = std::min(s.stacks, webglu::MAX_SPHERE_DIVISIONS);
    const size_t most = 2 * (2 * size_t(slices) * size_t(stacks + 1));
    *glu = FeedbackTriangles(most, [&] {
        fresh();
        gluSphere(quadric, s.radius, s.slices, s.stacks);
    });
    *ours = FeedbackTriangles(most, [&] {
        fresh();
        webglu::DrawSphere(mine, s.radius, s.slices, s.stacks);
    });
    gluDeleteQuadric(quadric);
    EXPECT_EQ(mine.error, 0u);
}

TEST_F(WebGluTest, SphereSendsGlusVerticesNormalsAndTextureCoordinates) {
    // The program's marker, the fewest divisions, odd ones, more stacks than slices, and GLU's
    // own limit reached from above.
    const SphereCase spheres[] = {
        {0.1, 64, 64}, {1.0, 2, 1}, {0.5, 3, 2}, {2.0, 7, 5}, {0.3, 5, 9}, {0.25, 1000, 300},
    };
    for (const GLenum normals : {GLU_SMOOTH, GLU_FLAT, GLU_NONE}) {
        for (const bool texture : {true, false}) {
            for (const GLenum orientation : {GLU_OUTSIDE, GLU_INSIDE}) {
                for (const SphereCase& s : spheres) {
                    SCOPED_TRACE(::testing::Message()
                                 << "normals " << normals << " texture " << texture
                                 << " orientation " << orientation << " sphere " << s.radius << " "
                                 << s.slices << " " << s.stacks);
                    SetUpSphereView(s.radius);
                    std::vector<Triangle> glu, ours;
                    DrawBoth({normals, texture, orientation}, s, &glu, &ours);
                    ASSERT_FALSE(glu.empty());
                    const std::vector<Triangle> gluSet = Canonical(glu);
                    const std::vector<Triangle> ourSet = Canonical(ours);
                    ASSERT_EQ(ourSet.size(), gluSet.size());
                    size_t differing = 0;
                    for (size_t k = 0; k < gluSet.size(); ++k) {
                        if (gluSet[k] != ourSet[k]) ++differing;
                    }
                    EXPECT_EQ(differing, 0u);
                }
            }
        }
    }
}

// The whole colour buffer, RGBA.
std::vector<uint8_t> Screen() {
    std::vector<uint8_t> pixels(size_t(SIZE) * SIZE * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, SIZE, SIZE, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

TEST_F(WebGluTest, SphereLooksLikeGlus) {
    // A checkerboard, so texture coordinates that wander show as misplaced squares.
    std::vector<uint8_t> checker(8 * 8 * 3);
    for (size_t i = 0; i < 64; ++i) {
        const uint8_t v = ((i % 8) + (i / 8)) % 2 ? 255 : 40;
        checker[i * 3] = v;
        checker[i * 3 + 1] = uint8_t(255 - v);
        checker[i * 3 + 2] = 128;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, checker.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    for (const SphereCase& s : {SphereCase{0.1, 64, 64}, SphereCase{0.5, 7, 5}}) {
        SetUpSphereView(s.radius);
        GLUquadric* quadric = gluNewQuadric();
        gluQuadricTexture(quadric, GL_TRUE);
        webglu::Quadric mine;
        webglu::SetTextureCoords(mine, GL_TRUE);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gluSphere(quadric, s.radius, s.slices, s.stacks);
        const std::vector<uint8_t> glu = Screen();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        webglu::DrawSphere(mine, s.radius, s.slices, s.stacks);
        const std::vector<uint8_t> ours = Screen();
        gluDeleteQuadric(quadric);
        // The same triangles, but neither their corners nor the triangles themselves come in
        // the order Mesa's split of a quad gives them, which rounds a few interpolated colours
        // the other way.
        size_t drawn = 0, differing = 0;
        int worst = 0;
        for (size_t i = 0; i < glu.size(); i += 4) {
            if (glu[i] || glu[i + 1] || glu[i + 2]) ++drawn;
            int d = 0;
            for (size_t k = 0; k < 3; ++k) {
                d = std::max(d, std::abs(int(glu[i + k]) - int(ours[i + k])));
            }
            differing += d > 0;
            worst = std::max(worst, d);
        }
        EXPECT_GT(drawn, size_t(SIZE * SIZE / 4)) << s.slices;
        EXPECT_LE(worst, 1) << s.slices;
        EXPECT_LE(differing, drawn / 1000) << s.slices;
    }
    glDeleteTextures(1, &texture);
}

// ---------------------------------------------------------------------------------------------
// Mipmaps

int Channels(GLenum format) {
    return format == GL_RGBA ? 4 : format == GL_RGB ? 3 : format == GL_LUMINANCE_ALPHA ? 2 : 1;
}

// Rows of noise padded to the unpack alignment, the padding noise too: a reader that strays
// into it, or reads rows at the wrong stride, picks up values that show.
std::vector<uint8_t> Noise(GLint width, GLint height, GLenum format, GLint alignment,
                           uint32_t seed) {
    const size_t row = size_t(width) * Channels(format);
    const size_t stride = (row + alignment - 1) / size_t(alignment) * alignment;
    std::vector<uint8_t> bytes(stride * (height - 1) + row);
    for (uint8_t& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return bytes;
}

struct Level {
    GLint width;
    GLint height;
    std::vector<uint8_t> texels;
};

// Every level of the bound texture, read back tightly packed.
std::vector<Level> Levels(GLenum format) {
    std::vector<Level> levels;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (GLint level = 0; level < 32; ++level) {
        Level l{};
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &l.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &l.height);
        if (l.width == 0) break;
        l.texels.resize(size_t(l.width) * l.height * Channels(format));
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, l.texels.data());
        levels.push_back(std::move(l));
        if (levels.back().width * levels.back().height == 1) break;  // no level past 1 x 1
    }
    return levels;
}

// Builds the mipmaps into a new texture with the given builder, returns its levels, and checks
// that the builder left the unpack alignment as it found it.
std::vector<Level> Build(const std::function<GLint()>& build, GLenum format, GLint alignment,
                         GLint* result) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    *result = build();
    GLint after = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &after);
    EXPECT_EQ(after, alignment);
    std::vector<Level> levels = Levels(format);
    glDeleteTextures(1, &texture);
    return levels;
}

struct ImageCase {
    GLint width;
    GLint height;
    GLenum format;
    GLint alignment;
};

// GL reads a one-channel count as luminance; ours makes GL_ALPHA of it (WebGL wants the
// internal format to be the format), so GLU is told GL_ALPHA outright.
GLint Components(GLenum format) { return format == GL_ALPHA ? GL_ALPHA : Channels(format); }

std::vector<Level> GluLevels(const ImageCase& c, const std::vector<uint8_t>& image) {
    GLint result = -1;
    std::vector<Level> levels = Build(
        [&] {
            return gluBuild2DMipmaps(GL_TEXTURE_2D, Components(c.format), c.width, c.height,
                                     c.format, GL_UNSIGNED_BYTE, image.data());
        },
        c.format, c.alignment, &result);
    EXPECT_EQ(result, 0);
    return levels;
}

std::vector<Level> OurLevels(const ImageCase& c, const std::vector<uint8_t>& image) {
    GLint result = -1;
    std::vector<Level> levels = Build(
        [&] {
            return webglu::Build2DMipmaps(GL_TEXTURE_2D, Components(c.format), c.width, c.height,
                                          c.format, GL_UNSIGNED_BYTE, image.data());
        },
        c.format, c.alignment, &result);
    EXPECT_EQ(result, 0);
    return levels;
}

void ExpectSameLevels(const std::vector<Level>& ours, const std::vector<Level>& expected) {
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected.back().width * expected.back().height, 1);  // down to 1 x 1
    ASSERT_EQ(ours.size(), expected.size());
    for (size_t level = 0; level < expected.size(); ++level) {
        const Level& e = expected[level];
        ASSERT_EQ(ours[level].width, e.width) << "level " << level;
        ASSERT_EQ(ours[level].height, e.height) << "level " << level;
        size_t differing = 0, first = 0;
        for (size_t k = 0; k < e.texels.size(); ++k) {
            if (ours[level].texels[k] != e.texels[k] && differing++ == 0) first = k;
        }
        EXPECT_EQ(differing, 0u) << "level " << level << " of " << e.width << " x " << e.height
                                 << ", first at byte " << first << ": "
                                 << int(ours[level].texels[first]) << " for "
                                 << int(e.texels[first]);
    }
}

TEST_F(WebGluTest, MipmapsMatchGlusLevelForLevel) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    ASSERT_GE(maxSize, 64);
    const ImageCase images[] = {
        {256, 256, GL_RGB, 1},  // the program's texture, as it uploads it
        {256, 256, GL_RGB, 4},
        {1, 1, GL_RGB, 4},
        {3, 5, GL_RGB, 4},  // rows of 9 bytes padded to 12
        {3, 5, GL_RGB, 1},
        {100, 37, GL_RGB, 1},
        {100, 37, GL_RGB, 4},
        {2, 257, GL_RGB, 1},
        {64, 2, GL_RGB, 4},
        {6, 6, GL_LUMINANCE_ALPHA, 2},
        {383, 3, GL_LUMINANCE, 1},  // GLU rounds 383 down to 256 and 384 up to 512
        {384, 3, GL_LUMINANCE, 1},
        {10, 10, GL_ALPHA, 4},
        {13, 9, GL_RGBA, 8},
        {maxSize + maxSize / 2 + 1, 3, GL_RGB, 1},  // too wide: both sides halved to fit
    };
    uint32_t seed = 1;
    for (const ImageCase& c : images) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " format " << c.format
                                          << " alignment " << c.alignment);
        const std::vector<uint8_t> image = Noise(c.width, c.height, c.format, c.alignment, seed++);
        ExpectSameLevels(OurLevels(c, image), GluLevels(c, image));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The rows of an image packed tightly, for alignment 1.
std::vector<uint8_t> Tight(const ImageCase& c, const std::vector<uint8_t>& image) {
    const size_t row = size_t(c.width) * Channels(c.format);
    const size_t stride = (row + c.alignment - 1) / size_t(c.alignment) * c.alignment;
    std::vector<uint8_t> tight;
    for (GLint y = 0; y < c.height; ++y) {
        tight.insert(tight.end(), image.begin() + y * stride, image.begin() + y * stride + row);
    }
    return tight;
}

// The exact box filter in double: each output texel the mean of the input area under it.
std::vector<uint8_t> BoxFilter(const ImageCase& c, const std::vector<uint8_t>& tight, GLint outW,
                               GLint outH) {
    const int ch = Channels(c.format);
    const double sx = double(c.width) / outW, sy = double(c.height) / outH;
    // How much of input pixel p lies in [low, high).
    auto overlap = [](GLint p, double low, double high) {
        return std::max(0.0, std::min(p + 1.0, high) - std::max(double(p), low));
    };
    std::vector<uint8_t> out;
    for (GLint i = 0; i < outH; ++i) {
        for (GLint j = 0; j < outW; ++j) {
            double sum[4] = {};
            for (GLint y = GLint(i * sy); y < std::min(c.height, GLint((i + 1) * sy) + 1); ++y) {
                for (GLint x = GLint(j * sx); x < std::min(c.width, GLint((j + 1) * sx) + 1); ++x) {
                    const double w =
                        overlap(x, j * sx, (j + 1) * sx) * overlap(y, i * sy, (i + 1) * sy);
                    const uint8_t* p = &tight[(size_t(y) * c.width + x) * ch];
                    for (int k = 0; k < ch; ++k) sum[k] += w * p[k];
                }
            }
            for (int k = 0; k < ch; ++k) out.push_back(uint8_t(sum[k] / (sx * sy)));
        }
    }
    return out;
}

// Three places where Mesa's GLU is plainly wrong, and what ours is held against there:
// - The first level GLU makes itself (level 0 when it rescales, level 1 when it does not) is
//   uploaded tightly packed but under the caller's unpack alignment, so where such rows are not a
//   multiple of it (1 or 2 pixels wide) the level comes out sheared, read past GLU's buffer.
//   Expected: GLU's levels for the same pixels tightly packed at alignment 1.
// - Rescaling one side while the other keeps its size, GLU gives the last row of level 0 no
//   weight at all: it comes out black (a one-row image entirely). Expected: that row as GLU
//   rescales it alone (given twice, so that it is GLU's first row), and below it GLU's chain
//   from the mended level 0.
// - Where an output texel covers more than two whole input rows inside its box (only when sides
//   past GL_MAX_TEXTURE_SIZE are halved), GLU reads the box's left and right columns one pixel
//   further right on each of those rows. Expected: the exact box filter, within the one level
//   that float sums truncated may lose, and below it GLU's chain from our level 0.
TEST_F(WebGluTest, MipmapsMatchGlusLevelsWhereGluGoesWrong) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const ImageCase images[] = {
        {1, 3, GL_RGB, 4},
        {2, 257, GL_RGB, 4},
        {2, 64, GL_RGB, 4},  // sheared
        {257, 2, GL_RGB, 1},
        {100, 8, GL_RGB, 4},
        {5, 1, GL_LUMINANCE, 4},           // black last row
        {7, 4, GL_RGBA, 8},                // both
        {6 * maxSize + 1, 23, GL_RGB, 1},  // boxes of 6 x 11.5 pixels: drifting columns
    };
    uint32_t seed = 100;
    for (const ImageCase& c : images) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " format " << c.format
                                          << " alignment " << c.alignment);
        const std::vector<uint8_t> image = Noise(c.width, c.height, c.format, c.alignment, seed++);
        const std::vector<uint8_t> packed = Tight(c, image);
        const std::vector<Level> ours = OurLevels(c, image);
        std::vector<Level> expected = GluLevels({c.width, c.height, c.format, 1}, packed);
        ASSERT_FALSE(expected.empty());
        ASSERT_FALSE(ours.empty());
        Level& top = expected[0];
        if (c.width > maxSize) {
            const std::vector<uint8_t> box = BoxFilter(c, packed, top.width, top.height);
            ASSERT_EQ(ours[0].texels.size(), box.size());
            int worst = 0;
            for (size_t k = 0; k < box.size(); ++k) {
                worst = std::max(worst, std::abs(int(ours[0].texels[k]) - int(box[k])));
            }
            EXPECT_LE(worst, 1);
            top.texels = ours[0].texels;
            expected = GluLevels({top.width, top.height, c.format, 1}, top.texels);
        } else if (top.height == c.height && top.width != c.width) {
            const size_t row = size_t(c.width) * Channels(c.format);
            std::vector<uint8_t> last(packed.end() - ptrdiff_t(row), packed.end());
            last.insert(last.end(), last.begin(), last.end());
            const std::vector<Level> alone = GluLevels({c.width, 2, c.format, 1}, last);
            ASSERT_EQ(alone[0].width, top.width);
            const size_t out = size_t(top.width) * Channels(c.format);
            std::copy(alone[0].texels.begin(), alone[0].texels.begin() + ptrdiff_t(out),
                      top.texels.end() - ptrdiff_t(out));
            expected = GluLevels({top.width, top.height, c.format, 1}, top.texels);
        }
        ExpectSameLevels(ours, expected);
    }
}

TEST_F(WebGluTest, MipmapErrorsAreGlusAndUploadNothing) {
    const std::vector<uint8_t> image(64 * 64 * 4, 7);
    struct Bad {
        GLint width;
        GLint height;
        GLenum format;
        GLenum type;
        GLint expected;
    };
    // What GLU refuses too, with the same answer: sides below 1, formats and types GL has not.
    const Bad both[] = {
        {0, 4, GL_RGB, GL_UNSIGNED_BYTE, GLU_INVALID_VALUE},
        {4, 0, GL_RGB, GL_UNSIGNED_BYTE, GLU_INVALID_VALUE},
        {-3, INT_MIN, GL_RGB, GL_UNSIGNED_BYTE, GLU_INVALID_VALUE},
        {4, 4, 0x1234, GL_UNSIGNED_BYTE, GLU_INVALID_ENUM},
        {4, 4, GL_RGB, 0x1234, GLU_INVALID_ENUM},
        {0, 4, 0x1234, GL_UNSIGNED_BYTE, GLU_INVALID_ENUM},  // the format is looked at first
    };
    // What only ours refuses: formats and types WebGL 1 has not (GLU takes them), and images
    // whose size in bytes cannot be addressed (GLU's int arithmetic overflows on them).
    const Bad oursOnly[] = {
        {4, 4, GL_BGR, GL_UNSIGNED_BYTE, GLU_INVALID_ENUM},
        {4, 4, GL_RGB, GL_FLOAT, GLU_INVALID_ENUM},
        {4, 4, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, GLU_INVALID_ENUM},
        {INT_MAX, INT_MAX, GL_RGBA, GL_UNSIGNED_BYTE, GLU_OUT_OF_MEMORY},
    };
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
    auto nothingUploaded = [] {
        GLint width = -1, alignment = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(alignment, 2);
    };
    for (const Bad& b : both) {
        SCOPED_TRACE(::testing::Message()
                     << b.width << " x " << b.height << " " << b.format << " " << b.type);
        EXPECT_EQ(
            gluBuild2DMipmaps(GL_TEXTURE_2D, 3, b.width, b.height, b.format, b.type, image.data()),
            b.expected);
        EXPECT_EQ(webglu::Build2DMipmaps(GL_TEXTURE_2D, 3, b.width, b.height, b.format, b.type,
                                         image.data()),
                  b.expected);
        nothingUploaded();
    }
    for (const Bad& b : oursOnly) {
        SCOPED_TRACE(::testing::Message()
                     << b.width << " x " << b.height << " " << b.format << " " << b.type);
        EXPECT_EQ(webglu::Build2DMipmaps(GL_TEXTURE_2D, 3, b.width, b.height, b.format, b.type,
                                         image.data()),
                  b.expected);
        nothingUploaded();
    }
    EXPECT_EQ(webglu::Build2DMipmaps(GL_TEXTURE_2D, 3, 4, 4, GL_RGB, GL_UNSIGNED_BYTE, nullptr),
              GLU_INVALID_VALUE);
    nothingUploaded();
    glDeleteTextures(1, &texture);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(WebGluTest, HostileSphereArgumentsDrawNothingOrGlusLimit) {
    SetUpSphereView(1.0);
    auto count = [](const std::function<void()>& draw) {
        return FeedbackTriangles(2 * 2 * 240 * 240, draw).size();
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const SphereCase refused[] = {
        {1.0, 1, 8},
        {1.0, 0, 8},
        {1.0, INT_MIN, 8},
        {1.0, 8, 0},
        {1.0, 8, INT_MIN},
        {-1.0, 8, 8},
        {nan, 8, 8},
        {inf, 8, 8},
        {-inf, 8, 8},
        {1e300, 8, 8},
        {nan, INT_MIN, INT_MIN},
    };
    for (const bool texture : {true, false}) {
        for (const SphereCase& s : refused) {
            SCOPED_TRACE(::testing::Message() << s.radius << " " << s.slices << " " << s.stacks
                                              << " texture " << texture);
            webglu::Quadric q;
            webglu::SetTextureCoords(q, texture);
            EXPECT_EQ(count([&] { webglu::DrawSphere(q, s.radius, s.slices, s.stacks); }), 0u);
            EXPECT_EQ(q.error, GLenum(GLU_INVALID_VALUE));
        }
        // Counts past GLU's limit draw the limit, as GLU's own does, and return.
        webglu::Quadric q;
        webglu::SetTextureCoords(q, texture);
        const size_t limit = count([&] { webglu::DrawSphere(q, 1.0, 239, 239); });
        EXPECT_GT(limit, size_t(2 * 238 * 239));
        EXPECT_EQ(count([&] { webglu::DrawSphere(q, 1.0, INT_MAX, INT_MAX); }), limit);
        EXPECT_EQ(q.error, 0u);
    }
    // Settings GLU does not know leave the quadric as it was.
    webglu::Quadric q;
    webglu::SetNormals(q, GLU_FILL);
    webglu::SetOrientation(q, GLU_SMOOTH);
    webglu::SetDrawStyle(q, GLU_LINE);
    EXPECT_EQ(q.normals, GLenum(GLU_SMOOTH));
    EXPECT_EQ(q.orientation, GLenum(GLU_OUTSIDE));
    EXPECT_EQ(q.drawStyle, GLenum(GLU_FILL));
    EXPECT_EQ(q.error, GLenum(GLU_INVALID_ENUM));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

std::array<GLint, 2> Alignments() {
    std::array<GLint, 2> a{};
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &a[0]);
    glGetIntegerv(GL_PACK_ALIGNMENT, &a[1]);
    return a;
}

void SetAlignments(GLint unpack, GLint pack) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack);
    glPixelStorei(GL_PACK_ALIGNMENT, pack);
}

TEST_F(WebGluTest, ClientAttributeStackRestoresThePixelStore) {
    // Nested pushes and pops as GL's own stack does them, step for step.
    struct Stack {
        void (*push)(GLbitfield);
        void (*pop)();
    };
    const Stack gl{glPushClientAttrib, glPopClientAttrib};
    const Stack ours{webglu::PushClientAttrib, webglu::PopClientAttrib};
    std::vector<std::array<GLint, 2>> seen[2];
    for (int k = 0; k < 2; ++k) {
        const Stack& s = k == 0 ? gl : ours;
        SetAlignments(4, 4);
        s.push(GL_CLIENT_PIXEL_STORE_BIT);
        SetAlignments(1, 2);
        s.push(GL_CLIENT_ALL_ATTRIB_BITS);
        SetAlignments(8, 8);
        s.push(GL_CLIENT_VERTEX_ARRAY_BIT);  // saves no pixel storage
        SetAlignments(2, 1);
        s.pop();
        seen[k].push_back(Alignments());
        s.pop();
        seen[k].push_back(Alignments());
        s.pop();
        seen[k].push_back(Alignments());
    }
    EXPECT_EQ(seen[1], seen[0]);
    EXPECT_EQ(seen[1].back(), (std::array<GLint, 2>{4, 4}));

    // Past the full stack: the outer pushes still come back in order, and pops on an empty
    // stack change nothing.
    const int pushes = webglu::CLIENT_STACK_DEPTH + 9;
    std::vector<std::array<GLint, 2>> before;
    const GLint values[] = {1, 2, 4, 8};
    for (int n = 0; n < pushes; ++n) {
        before.push_back(Alignments());
        webglu::PushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        SetAlignments(values[n % 4], values[(n + 1) % 4]);
    }
    for (int n = pushes - 1; n >= 0; --n) {
        webglu::PopClientAttrib();
        if (n < webglu::CLIENT_STACK_DEPTH) {
            EXPECT_EQ(Alignments(), before[size_t(n)]) << n;
        }
    }
    SetAlignments(8, 2);
    for (int n = 0; n < 5; ++n) webglu::PopClientAttrib();
    EXPECT_EQ(Alignments(), (std::array<GLint, 2>{8, 2}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
