// Texture creation and the extension query on Mesa's real driver: what the texture object
// holds afterwards, read back from OpenGL itself.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "image/texture.h"
#include "scene/gl_capabilities.h"
#include "tests/mesa/mesa_context.h"
#include "tests/scene/test_bitmap.h"

namespace {

class MesaTextureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(context.error(), ""); }
    static GLint Parameter(GLenum name) {
        GLint value = -1;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        return value;
    }
    static GLint LevelParameter(GLint level, GLenum name) {
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
        return value;
    }
    static bool PowerOfTwo(GLint v) { return v > 0 && (v & (v - 1)) == 0; }

    mesa::OffscreenContext context{64, 64};
    test_bitmap::ScratchDirectory directory;
};

TEST_F(MesaTextureTest, TextureIsBoundMipmappedAndFiltered) {
    // Sixteen different pixels so a flipped or shifted upload shows.
    std::vector<uint8_t> rgb(16 * 3);
    for (size_t i = 0; i < 16; ++i) {
        rgb[i * 3] = uint8_t(i * 16);
        rgb[i * 3 + 1] = uint8_t(255 - i);
        rgb[i * 3 + 2] = uint8_t(i);
    }
    const std::string file = directory.File("tex.bmp");
    ASSERT_TRUE(test_bitmap::WriteBmp(file, 4, 4, rgb));
    GLuint names[2] = {};
    ASSERT_TRUE(CreateTexture(names, file.c_str(), 1));
    ASSERT_NE(names[1], 0u);

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), names[1]);
    EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(LevelParameter(2, GL_TEXTURE_WIDTH), 1);  // the chain goes down to 1 x 1
    EXPECT_EQ(LevelParameter(2, GL_TEXTURE_HEIGHT), 1);

    std::vector<uint8_t> level0(4 * 4 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, level0.data());
    EXPECT_EQ(level0, rgb);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MesaTextureTest, RowsThatAreNotWholeWordsArriveUnsheared) {
    // 2 pixels are 6 bytes a row: the decoder packs them tightly, OpenGL's default expects 8.
    const std::vector<uint8_t> rgb = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    const std::string file = directory.File("narrow.bmp");
    ASSERT_TRUE(test_bitmap::WriteBmp(file, 2, 2, rgb));
    GLuint names[2] = {};
    ASSERT_TRUE(CreateTexture(names, file.c_str(), 1));
    std::vector<uint8_t> level0(rgb.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, level0.data());
    EXPECT_EQ(level0, rgb);
    GLint unpack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(unpack, 4);  // left as it was
}

TEST_F(MesaTextureTest, SidesThatAreNotPowersOfTwoStillMakeATexture) {
    const std::string file = directory.File("odd.bmp");
    ASSERT_TRUE(test_bitmap::WriteBmp(file, 3, 5, test_bitmap::Solid(3, 5, 200, 100, 50)));
    GLuint names[2] = {};
    ASSERT_TRUE(CreateTexture(names, file.c_str(), 1));
    ASSERT_NE(names[1], 0u);
    EXPECT_TRUE(PowerOfTwo(LevelParameter(0, GL_TEXTURE_WIDTH)));
    EXPECT_TRUE(PowerOfTwo(LevelParameter(0, GL_TEXTURE_HEIGHT)));
    uint8_t texel[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // The smallest level of a uniform picture is that picture's colour.
    GLint last = 0;
    while (LevelParameter(last + 1, GL_TEXTURE_WIDTH) > 0) ++last;
    ASSERT_EQ(LevelParameter(last, GL_TEXTURE_WIDTH), 1);
    glGetTexImage(GL_TEXTURE_2D, last, GL_RGB, GL_UNSIGNED_BYTE, texel);
    EXPECT_NEAR(texel[0], 200, 2);
    EXPECT_NEAR(texel[1], 100, 2);
    EXPECT_NEAR(texel[2], 50, 2);
}

TEST_F(MesaTextureTest, ExtensionQueryMatchesTheDriver) {
    const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    ASSERT_NE(list, nullptr);
    const std::string spaced = std::string(" ") + list + " ";
    const bool driverHasBoth = spaced.find(" GL_ARB_multitexture ") != std::string::npos &&
                               spaced.find(" GL_EXT_texture_env_combine ") != std::string::npos;
    EXPECT_EQ(QueryExtensions(), driverHasBoth);
    if (!driverHasBoth) GTEST_SKIP() << "this driver lacks one of the two extensions";
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB_VALUE, &units);
    EXPECT_EQ(glCapabilities.maxTextureUnits, units);
    EXPECT_GE(units, 2);
    ASSERT_NE(glCapabilities.activeTexture, nullptr);
    ASSERT_NE(glCapabilities.multiTexCoord2f, nullptr);
    // The looked-up entry points really work in this context.
    glCapabilities.activeTexture(GL_TEXTURE0 + 1);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GLint(GL_TEXTURE0 + 1));
    glCapabilities.activeTexture(GL_TEXTURE0);
}

}  // namespace
