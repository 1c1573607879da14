// Texture creation against the recording GL stand-in: what GLU is handed, the filters, the
// table slot, and the failures that must leave everything as it was.
#include <gtest/gtest.h>

#include "image/texture.h"
#include "tests/gl_recorder/gl_recorder.h"
#include "tests/scene/expected_calls.h"
#include "tests/scene/fake_shell.h"
#include "tests/scene/test_bitmap.h"

namespace {

using Args = std::vector<double>;

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override {
        gl_recorder::Reset();
        fake_shell::Reset();
    }
    test_bitmap::ScratchDirectory directory;
};

TEST_F(TextureTest, BuildsMipmapsAtTheImagesOwnSizeAndSetsFilters) {
    const std::string file = directory.File("odd.bmp");
    ASSERT_TRUE(test_bitmap::WriteBmp(file, 3, 5, test_bitmap::Solid(3, 5, 1, 2, 3)));
    GLuint names[3] = {11, 22, 33};
    ASSERT_TRUE(CreateTexture(names, file.c_str(), 2));
    EXPECT_EQ(names[0], 11u);
    EXPECT_EQ(names[1], 22u);
    EXPECT_EQ(names[2], 1u);  // the recorder's first generated name

    expected_calls::ExpectCalls(gl_recorder::Calls(), expected_calls::TextureUpload(3, 5));
    EXPECT_TRUE(fake_shell::boxes.empty());
}

TEST_F(TextureTest, SecondCallOverwritesTheSlotAndDeletesNothing) {
    const std::string file = directory.File("w.bmp");
    ASSERT_TRUE(test_bitmap::WriteBmp(file, 2, 2, test_bitmap::Solid(2, 2, 9, 9, 9)));
    GLuint names[2] = {};
    ASSERT_TRUE(CreateTexture(names, file.c_str(), 1));
    ASSERT_TRUE(CreateTexture(names, file.c_str(), 1));
    EXPECT_EQ(names[1], 2u);
    EXPECT_EQ(names[0], 0u);
    EXPECT_EQ(gl_recorder::Count("glDeleteTextures"), 0u);
}

TEST_F(TextureTest, NullFileNameIsANoOp) {
    GLuint names[2] = {5, 6};
    EXPECT_TRUE(CreateTexture(names, nullptr, 1));
    EXPECT_EQ(names[1], 6u);
    EXPECT_TRUE(gl_recorder::Calls().empty());
    EXPECT_TRUE(fake_shell::boxes.empty());
}

TEST_F(TextureTest, MissingFileFailsWithoutTouchingTableOrBinding) {
    GLuint names[2] = {5, 6};
    EXPECT_FALSE(CreateTexture(names, "absent.bmp", 1));
    EXPECT_EQ(names[1], 6u);
    EXPECT_TRUE(gl_recorder::Calls().empty());
    ASSERT_EQ(fake_shell::boxes.size(), 1u);  // the reader's, and only that one
    EXPECT_EQ(fake_shell::boxes[0].text, "Failed to open DIB file absent.bmp.\n");
}

TEST_F(TextureTest, UnusableTableOrSlotIsRefusedBeforeReading) {
    const std::string file = directory.File("w.bmp");
    ASSERT_TRUE(test_bitmap::WriteBmp(file, 2, 2, test_bitmap::Solid(2, 2, 9, 9, 9)));
    GLuint names[2] = {5, 6};
    EXPECT_FALSE(CreateTexture(names, file.c_str(), -1));
    EXPECT_FALSE(CreateTexture(nullptr, file.c_str(), 1));
    EXPECT_EQ(names[0], 5u);
    EXPECT_EQ(names[1], 6u);
    EXPECT_TRUE(gl_recorder::Calls().empty());
}

}  // namespace
