// The shipped water texture: it loads as the 256 x 256 picture the demo expects, it is what the
// generator makes today, and it tiles without a visible seam.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "image/bitmap_image.h"
#include "tests/image/bitmap_test_util.h"
#include "tests/image/fake_message_box.h"

namespace {

const std::string kShipped = std::string(QUORVANE_DATA_DIR) + "/water05t.bmp";

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Decoded Load(const std::string& path) {
    return TakeImage(BitmapError::None, LoadBitmapImage(path.c_str()));
}

TEST(WaterTexture, ShippedFileLoadsAs256By256) {
    ShownBoxes().clear();
    const Decoded water = Load(kShipped);
    EXPECT_TRUE(ShownBoxes().empty());
    EXPECT_EQ(water.width, 256);
    EXPECT_EQ(water.height, 256);
}

TEST(WaterTexture, GeneratorReproducesTheShippedFile) {
    const std::string out = std::string(::testing::TempDir()) + "water-" + std::to_string(getpid()) + ".bmp";
    ASSERT_EQ(std::system((std::string(QUORVANE_MAKE_WATER) + " " + out).c_str()), 0);
    const std::vector<uint8_t> made = ReadAll(out), shipped = ReadAll(kShipped);
    std::remove(out.c_str());
    EXPECT_EQ(made.size(), 54u + 256u * 256u * 3u);
    EXPECT_TRUE(made == shipped) << "run the regenerate_water target and commit data/water05t.bmp";
}

TEST(WaterTexture, TilesWithoutASeamAndLooksLikeWater) {
    const Decoded water = Load(kShipped);
    ASSERT_EQ(water.width, 256);
    auto at = [&](int x, int y, int c) { return int(water.rgb[(size_t(y) * 256 + x) * 3 + c]); };
    // Compare the step across the wrap-around edges with the steps between inner neighbours.
    double inner = 0, seam = 0;
    long red = 0, blue = 0;
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c) {
            seam += std::abs(at(255, i, c) - at(0, i, c)) + std::abs(at(i, 255, c) - at(i, 0, c));
            inner += std::abs(at(127, i, c) - at(128, i, c)) + std::abs(at(i, 127, c) - at(i, 128, c));
        }
        for (int x = 0; x < 256; ++x) red += at(x, i, 0), blue += at(x, i, 2);
    }
    EXPECT_LT(seam, 2.0 * inner + 256);
    EXPECT_GT(blue, red + red / 2);
    // Not a flat colour: there are bright veins.
    EXPECT_GT(*std::max_element(water.rgb.begin(), water.rgb.end()), 200);
}

}  // namespace
