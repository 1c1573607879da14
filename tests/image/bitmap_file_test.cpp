// LoadBitmapImage on real files: the record it returns, the one message box each failure
// shows (text, caption, style, owner), and no descriptor or mapping left behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "image/bitmap_image.h"
#include "tests/image/bitmap_test_util.h"
#include "tests/image/fake_message_box.h"

namespace {

class BitmapFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("quorvane-image-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        ShownBoxes().clear();
        SetFocusedWindow(nullptr);
        descriptorsBefore_ = CountOpenDescriptors();
    }
    void TearDown() override {
        EXPECT_EQ(CountOpenDescriptors(), descriptorsBefore_);
        std::filesystem::remove_all(dir_);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (dir_ / name).string();
        EXPECT_TRUE(bmpwriter::WriteFile(path, bytes));
        return path;
    }
    // Loads a file that must fail and returns the one box it showed.
    ShownBox LoadFailing(const std::string& path) {
        EXPECT_EQ(LoadBitmapImage(path.c_str()), nullptr);
        EXPECT_EQ(ShownBoxes().size(), 1u);
        return ShownBoxes().empty() ? ShownBox{} : ShownBoxes().back();
    }

    std::filesystem::path dir_;
    int descriptorsBefore_ = 0;
};

TEST_F(BitmapFile, LoadsAPictureWithoutAnyBox) {
    bmpwriter::BitmapFields f;
    f.width = 3;
    f.height = -2;
    f.pixels = bmpwriter::PackRows(3, 2, 24, [](int x, int row) { return uint32_t(x * 0x10203 + row); });
    RgbImage* image = LoadBitmapImage(Write("ok.bmp", bmpwriter::BuildBitmap(f)).c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    // Stored top-down, so the buffer starts with the second stored row.
    const std::vector<uint8_t> rgb(image->pixels, image->pixels + 18);
    EXPECT_EQ(rgb, ExpectedRgb(3, 2, [](int x, int row) { return uint32_t(x * 0x10203 + 1 - row); }));
    std::free(image->pixels);
    std::free(image);
    EXPECT_TRUE(ShownBoxes().empty());
}

TEST_F(BitmapFile, MissingEmptyAndUnmappableFilesAreOpenFailures) {
    const std::string missing = (dir_ / "water05t.bmp").string();
    const std::string empty = Write("empty.bmp", {});
    const std::string directory = (dir_ / "folder.bmp").string();
    std::filesystem::create_directory(directory);
    for (const std::string& path : {missing, empty, directory}) {
        ShownBoxes().clear();
        const ShownBox box = LoadFailing(path);
        EXPECT_EQ(box.text, "Failed to open DIB file " + path + ".\n");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.style, platform::MB_OK);
        // Shown once the file is closed again.
        EXPECT_EQ(box.openDescriptors, descriptorsBefore_);
    }
}

// A pipe opened for reading waits for a writer unless asked not to; nothing writes to this one.
TEST_F(BitmapFile, APipeIsAnOpenFailureWithoutWaitingForAWriter) {
    const std::string path = MakePipe(dir_.string());
    ASSERT_FALSE(path.empty());
    const int withPipe = CountOpenDescriptors();
    const ShownBox box = LoadFailing(path);
    ClosePipe();
    EXPECT_EQ(box.text, "Failed to open DIB file " + path + ".\n");
    EXPECT_EQ(box.openDescriptors, withPipe);
}

TEST_F(BitmapFile, LongNamesAreCutToTheMessageBuffer) {
    const std::string name(1000, 'x');
    const ShownBox box = LoadFailing(name);
    EXPECT_EQ(box.text.size(), 255u);
    EXPECT_EQ(box.text, ("Failed to open DIB file " + name).substr(0, 255));
}

TEST_F(BitmapFile, EachDecodeErrorShowsItsMessageOnce) {
    bmpwriter::BitmapFields unknown;
    unknown.headerSize = 108;
    bmpwriter::BitmapFields truncated;
    truncated.width = 10;
    truncated.height = 10;
    bmpwriter::BitmapFields huge;
    huge.width = 30000;
    huge.height = 30000;
    huge.bitCount = 8;
    huge.compression = BI_RLE8;
    huge.palette = DistinctPalette(256);
    huge.pixels = {0, 1};
    const std::pair<bmpwriter::BitmapFields, const char*> cases[] = {
        {unknown, "Unknown DIB file format."},
        {truncated, "Image file conversion error."},
        {huge, "Out of memory."},
    };
    for (const auto& [fields, message] : cases) {
        ShownBoxes().clear();
        const ShownBox box = LoadFailing(Write("bad.bmp", bmpwriter::BuildBitmap(fields)));
        EXPECT_EQ(box.text, message);
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.style, platform::MB_OK);
    }
}

TEST_F(BitmapFile, TheBoxBelongsToTheFocusedWindow) {
    auto* window = reinterpret_cast<platform::WindowHandle>(uintptr_t{0x1234});
    SetFocusedWindow(window);
    EXPECT_EQ(LoadFailing((dir_ / "none.bmp").string()).owner, window);
    SetFocusedWindow(nullptr);
    ShownBoxes().clear();
    EXPECT_EQ(LoadFailing((dir_ / "none.bmp").string()).owner, nullptr);
}

}  // namespace
