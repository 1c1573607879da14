// The extension query: whole-token matching, the capability record, and its sticky flag.
#include <gtest/gtest.h>

#include "scene/gl_capabilities.h"
#include "tests/gl_recorder/gl_recorder.h"
#include "tests/scene/fake_shell.h"

namespace {

TEST(ExtensionListed, FindsWholeTokensAnywhereInTheList) {
    const char* list = "GL_A\nGL_ARB_multitexture\nGL_EXT_texture_env_combine";
    EXPECT_TRUE(ExtensionListed(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(ExtensionListed(list, "GL_EXT_texture_env_combine"));  // ended by the list's end
    EXPECT_TRUE(ExtensionListed(list, "GL_A"));
    EXPECT_TRUE(ExtensionListed("\nGL_X", "GL_X"));  // a leading separator
    EXPECT_TRUE(ExtensionListed("GL_X\n\nGL_Y\n", "GL_Y"));
}

TEST(ExtensionListed, RejectsPrefixesSuffixesAndScatteredLetters) {
    EXPECT_FALSE(ExtensionListed("GL_ARB_multitexture_extra", "GL_ARB_multitexture"));
    EXPECT_FALSE(ExtensionListed("GL_ARB_multi", "GL_ARB_multitexture"));
    EXPECT_FALSE(ExtensionListed("XGL_ARB_multitexture", "GL_ARB_multitexture"));
    EXPECT_FALSE(ExtensionListed("G_L_A_R_B", "GLARB"));
    EXPECT_FALSE(ExtensionListed("GL_ARB\n_multitexture", "GL_ARB_multitexture"));
    // Only line feeds separate tokens here: the caller has already replaced the spaces.
    EXPECT_FALSE(ExtensionListed("GL_X GL_Y", "GL_Y"));
}

TEST(ExtensionListed, EmptyAndMissingInputsMatchNothing) {
    EXPECT_FALSE(ExtensionListed("", "GL_X"));
    EXPECT_FALSE(ExtensionListed("\n\n", "GL_X"));
    EXPECT_FALSE(ExtensionListed("GL_X\n\nGL_Y", ""));
    EXPECT_FALSE(ExtensionListed(nullptr, "GL_X"));
    EXPECT_FALSE(ExtensionListed("GL_X", nullptr));
}

// One sequence, because the record is program-wide and its flag never clears.
TEST(QueryExtensions, FillsTheRecordOnlyWhenBothAreListed) {
    gl_recorder::Reset();
    fake_shell::Reset();
    gl_recorder::SetMaxTextureUnits(8);

    // Only a prefix of the second name: a miss that leaves the start values alone.
    gl_recorder::SetExtensions("GL_ARB_multitexture GL_EXT_texture_env");
    EXPECT_FALSE(QueryExtensions());
    EXPECT_TRUE(glCapabilities.extensionsMissing);
    EXPECT_EQ(glCapabilities.maxTextureUnits, 1);
    EXPECT_EQ(glCapabilities.activeTexture, nullptr);
    EXPECT_EQ(gl_recorder::Count("glGetIntegerv"), 0u);
    EXPECT_TRUE(fake_shell::lookups.empty());

    // The driver's list is space separated and may start with a space.
    gl_recorder::SetExtensions(" GL_EXT_texture_env_combine GL_ARB_multitexture");
    EXPECT_TRUE(QueryExtensions());
    EXPECT_TRUE(glCapabilities.extensionsMissing);  // sticky
    EXPECT_EQ(glCapabilities.maxTextureUnits, 8);
    const std::vector<std::string> names = {"glMultiTexCoord1fARB", "glMultiTexCoord2fARB",
                                            "glMultiTexCoord3fARB", "glMultiTexCoord4fARB",
                                            "glActiveTextureARB"};
    EXPECT_EQ(fake_shell::lookups, names);
    EXPECT_EQ(reinterpret_cast<void*>(glCapabilities.multiTexCoord1f), fake_shell::AddressFor(names[0]));
    EXPECT_EQ(reinterpret_cast<void*>(glCapabilities.multiTexCoord2f), fake_shell::AddressFor(names[1]));
    EXPECT_EQ(reinterpret_cast<void*>(glCapabilities.multiTexCoord3f), fake_shell::AddressFor(names[2]));
    EXPECT_EQ(reinterpret_cast<void*>(glCapabilities.multiTexCoord4f), fake_shell::AddressFor(names[3]));
    EXPECT_EQ(reinterpret_cast<void*>(glCapabilities.activeTexture), fake_shell::AddressFor(names[4]));

    // A later miss (here: no list at all) keeps what the hit stored.
    fake_shell::Reset();
    gl_recorder::SetMaxTextureUnits(2);
    gl_recorder::SetExtensions(nullptr);
    EXPECT_FALSE(QueryExtensions());
    EXPECT_EQ(glCapabilities.maxTextureUnits, 8);
    EXPECT_EQ(reinterpret_cast<void*>(glCapabilities.activeTexture), fake_shell::AddressFor(names[4]));
    EXPECT_TRUE(fake_shell::lookups.empty());

    // The first name missing: the second is not even needed to decide.
    gl_recorder::SetExtensions("GL_EXT_texture_env_combine");
    EXPECT_FALSE(QueryExtensions());
    EXPECT_EQ(glCapabilities.maxTextureUnits, 8);
}

}  // namespace
