// RLE8 and RLE4: runs, absolute runs with their padding, the three escapes, the black left
// where the stream skips, and every way a stream can run outside its picture or its file.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/image/bitmap_test_util.h"

using bmpwriter::BitmapFields;
using bmpwriter::BuildBitmap;

namespace {

BitmapFields Rle(int bitCount, int width, int height, std::vector<uint8_t> stream) {
    BitmapFields f;
    f.width = width;
    f.height = height;
    f.bitCount = uint16_t(bitCount);
    f.compression = bitCount == 8 ? BI_RLE8 : BI_RLE4;
    f.palette = DistinctPalette(1 << bitCount);
    f.pixels = std::move(stream);
    return f;
}

// Expected output from stored indices, -1 meaning black (skipped).
std::vector<uint8_t> FromIndices(const BitmapFields& f, const std::vector<int>& indices) {
    return ExpectedRgb(f.width, f.height, [&](int x, int row) {
        const int i = indices[size_t(row) * f.width + x];
        return i < 0 ? 0u : Rgb(f.palette[size_t(i)]);
    });
}

void ExpectDecodes(const BitmapFields& f, const std::vector<int>& indices) {
    const std::vector<uint8_t> file = BuildBitmap(f);
    const Decoded d = Decode(file);
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, FromIndices(f, indices));
    // Skipped pixels are written black, not left as they were.
    EXPECT_EQ(DecodeInto(file, 0xFF).rgb, d.rgb);
}

TEST(BitmapRle, EncodedPictureRoundTrips) {
    const int width = 37, rows = 9;
    std::vector<uint8_t> indices;
    for (int i = 0; i < width * rows; ++i) {
        indices.push_back(uint8_t(i % 11 < 6 ? i / 11 : i * 7));  // repeats and literals
    }
    const BitmapFields f = Rle(8, width, rows, bmpwriter::EncodeRle8(indices, width, rows));
    ExpectDecodes(f, std::vector<int>(indices.begin(), indices.end()));
}

TEST(BitmapRle, Rle8EscapesLeaveSkippedPixelsBlack) {
    // Row 0: run of 3 x 9, absolute 5 (odd, padded), end of line.
    // Row 1: delta (2, 1) -> row 2 at x 2; run of 2 x 7; end of bitmap.
    const BitmapFields f = Rle(8, 8, 4, {3, 9, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0,  //
                                         0, 2, 2, 1, 2, 7, 0, 1});
    const int _ = -1;
    ExpectDecodes(f, {9, 9, 9, 1, 2, 3, 4, 5,  //
                      _, _, _, _, _, _, _, _,  //
                      _, _, 7, 7, _, _, _, _,  //
                      _, _, _, _, _, _, _, _});
}

TEST(BitmapRle, Rle4OddRunsAndAbsoluteRuns) {
    // Run of 5 alternating 1,2; absolute 3 (two bytes, no pad needed as 2 is even);
    // end of line; absolute 5 (three bytes + pad); run of 1; end of bitmap.
    const BitmapFields f = Rle(4, 9, 2, {5, 0x12, 0, 3, 0x34, 0x50, 0, 0,  //
                                         0, 5, 0xAB, 0xCD, 0xE0, 0, 1, 0xF0, 0, 1});
    const int _ = -1;
    ExpectDecodes(f, {1, 2, 1, 2, 1, 3, 4, 5, _,  //
                      10, 11, 12, 13, 14, 15, _, _, _});
}

TEST(BitmapRle, StreamMayEndAfterItsLastRow) {
    const BitmapFields f = Rle(8, 2, 2, {2, 4, 0, 0, 1, 5, 0, 0});
    ExpectDecodes(f, {4, 4, 5, -1});
}

TEST(BitmapRle, IndicesPastTheColourTableAreBlack) {
    BitmapFields f = Rle(8, 3, 1, {1, 0, 2, 200, 0, 1});
    f.palette.resize(2);
    f.colorsUsed = 2;
    ExpectDecodes(f, {0, -1, -1});
}

TEST(BitmapRle, StreamsThatLeaveThePictureOrTheFile) {
    const std::vector<std::vector<uint8_t>> bad8 = {
        {5, 1, 0, 1},                    // run longer than the row (4 wide)
        {3, 1, 2, 1, 0, 1},              // second run crosses the row end
        {4, 1, 1, 1, 0, 1},              // a run after the row is full
        {0, 5, 1, 2, 3, 4, 5, 0, 0, 1},  // absolute run longer than the row
        {0, 2, 5, 0, 0, 1},              // delta to the right of the row
        {0, 2, 0, 3, 0, 1},              // delta above the picture (3 rows tall)
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 1},  // an end of line beyond the last row
        {0, 0, 0, 0, 0, 0, 1, 1, 0, 1},  // a run after the last row
        {2, 1},                          // stops in the first row
        {4, 1, 0, 0},                    // stops in the second row
        {0, 3, 1, 2},                    // absolute run cut short
        {0, 3, 1, 2, 3},                 // absolute run without its padding byte
        {0, 2, 1},                       // delta cut short
        {1},                             // half a code
        {},                              // nothing at all
    };
    for (size_t i = 0; i < bad8.size(); ++i) {
        const Decoded d = Decode(BuildBitmap(Rle(8, 4, 3, bad8[i])));
        EXPECT_EQ(d.error, BitmapError::ConversionFailed) << "stream " << i;
        EXPECT_TRUE(d.rgb.empty());
    }
    const std::vector<std::vector<uint8_t>> bad4 = {
        {5, 0x11, 0, 1},        // run longer than the row
        {0, 5, 0x12, 0x34, 0x50, 0, 0, 1},  // absolute run longer than the row
        {0, 3, 0x12},           // absolute run cut short
        {0, 4, 0x12, 0x34, 0},  // fine so far, then half a code
    };
    for (size_t i = 0; i < bad4.size(); ++i) {
        EXPECT_EQ(Decode(BuildBitmap(Rle(4, 4, 3, bad4[i]))).error, BitmapError::ConversionFailed)
            << "stream " << i;
    }
}

TEST(BitmapRle, PicturesLargerThanWeDecodeAreOutOfMemory) {
    // Four bytes of stream can claim any size; 20000 x 20000 x 3 is well over 256 MiB.
    EXPECT_EQ(Decode(BuildBitmap(Rle(8, 20000, 20000, {0, 1}))).error, BitmapError::OutOfMemory);
    EXPECT_EQ(Decode(BuildBitmap(Rle(4, 65535, 2000, {0, 1}))).error, BitmapError::OutOfMemory);
    // A large claim within the limit decodes, and what the stream skips is black.
    const Decoded d = Decode(BuildBitmap(Rle(8, 4096, 4096, {0, 2, 255, 255, 0, 1})));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb.size(), size_t(4096) * 4096 * 3);
    EXPECT_EQ(std::count(d.rgb.begin(), d.rgb.end(), 0), std::ptrdiff_t(d.rgb.size()));
}

}  // namespace
