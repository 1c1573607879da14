// Hostile and unsupported bitmaps: every one must end in the right error, without reading
// outside the data (the suite also runs under AddressSanitizer) and without allocating.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "tests/image/bitmap_test_util.h"

using bmpwriter::BitmapFields;
using bmpwriter::BuildBitmap;
using bmpwriter::PackRows;

namespace {

BitmapFields Small(int bitCount) {
    BitmapFields f;
    f.width = 6;
    f.height = 4;
    f.bitCount = uint16_t(bitCount);
    if (bitCount <= 8) f.palette = DistinctPalette(1 << bitCount);
    f.pixels = PackRows(6, 4, bitCount, [](int x, int row) { return uint32_t(x + row); });
    return f;
}

BitmapError ErrorOf(const std::vector<uint8_t>& file) {
    BitmapLayout layout;
    const BitmapError parsed = ParseBitmap(file, layout);
    // The allocating path must agree and leave nothing behind.
    RgbImage* image = nullptr;
    EXPECT_EQ(DecodeBitmap(file, image), parsed);
    EXPECT_EQ(image != nullptr, parsed == BitmapError::None);
    if (image) {
        std::free(image->pixels);
        std::free(image);
    }
    return parsed;
}

BitmapError ErrorOf(const BitmapFields& f) { return ErrorOf(BuildBitmap(f)); }

TEST(BitmapErrors, OnlyCoreAndInfoHeadersAreKnown) {
    for (uint32_t size : {0u, 16u, 52u, 56u, 64u, 108u, 124u}) {
        BitmapFields f = Small(24);
        f.headerSize = size;
        EXPECT_EQ(ErrorOf(f), BitmapError::UnknownFormat) << size;
        f.fileHeader = false;
        EXPECT_EQ(ErrorOf(f), BitmapError::UnknownFormat) << size << " packed";
    }
    // Too short to hold a header size at all.
    EXPECT_EQ(ErrorOf(std::vector<uint8_t>{'B', 'M', 0, 0}), BitmapError::UnknownFormat);
    EXPECT_EQ(ErrorOf(std::vector<uint8_t>{40, 0, 0}), BitmapError::UnknownFormat);
    EXPECT_EQ(ErrorOf(std::vector<uint8_t>{}), BitmapError::UnknownFormat);
}

TEST(BitmapErrors, UnsupportedDepthsCompressionsAndPlanes) {
    struct Case { uint16_t bits; uint32_t compression; };
    const Case cases[] = {{2, 0}, {0, 0}, {64, 0}, {30000, 0}, {8, 2}, {4, 1}, {24, 1},
                          {24, 3}, {8, 3}, {24, 4}, {24, 5}, {32, 6}, {16, 7}};
    for (Case c : cases) {
        BitmapFields f = Small(24);
        f.bitCount = c.bits;
        f.compression = c.compression;
        f.masks = {0xFF0000, 0xFF00, 0xFF};
        f.pixels.resize(4096);
        EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed) << c.bits << "/" << c.compression;
    }
    for (uint16_t planes : {0, 2, 3}) {
        BitmapFields f = Small(24);
        f.planes = planes;
        EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed) << planes;
    }
}

TEST(BitmapErrors, BadSizes) {
    for (auto [width, height] : {std::pair{0, 4}, {-6, 4}, {6, 0}, {INT_MIN, 4}, {6, INT_MIN}}) {
        BitmapFields f = Small(24);
        f.width = width;
        f.height = height;
        EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed) << width << " x " << height;
    }
    BitmapFields core = Small(24);
    core.coreHeader = true;
    core.width = 0;
    EXPECT_EQ(ErrorOf(core), BitmapError::ConversionFailed);
}

TEST(BitmapErrors, HugeClaimsAreRejectedBeforeAnyAllocation) {
    // Sanitizer builds abort on absurd allocations, so reaching malloc would fail the test.
    BitmapFields f = Small(24);
    f.width = 3000000;
    f.height = 2000000;
    EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed);
    f.width = INT_MAX;
    f.height = INT_MAX;
    f.bitCount = 32;
    EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed);
    f.height = -INT_MAX;
    EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed);
    // A 1-bit picture whose data is all there but would decode to more than 256 MiB.
    BitmapFields bits = Small(1);
    bits.width = 100000;
    bits.height = 1000;
    bits.pixels.assign(size_t(12512) * 1000, 0x55);
    EXPECT_EQ(ErrorOf(bits), BitmapError::OutOfMemory);
}

TEST(BitmapErrors, TruncatedHeadersTablesMasksAndPixels) {
    for (bool fileHeader : {true, false}) {
        for (int bits : {1, 4, 8, 16, 24, 32}) {
            BitmapFields f = Small(bits);
            f.fileHeader = fileHeader;
            const std::vector<uint8_t> whole = BuildBitmap(f);
            ASSERT_EQ(ErrorOf(whole), BitmapError::None) << bits;
            // Cut anywhere after the header size field and before the last pixel byte.
            const size_t headerStart = fileHeader ? 14 : 0;
            const size_t stride = size_t(6 * bits + 31) / 32 * 4;
            const size_t lastPadding = stride - size_t(6 * bits + 7) / 8;
            for (size_t cut = headerStart + 4; cut < whole.size() - lastPadding; ++cut) {
                const std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
                EXPECT_EQ(ErrorOf(part), BitmapError::ConversionFailed) << bits << " cut " << cut;
            }
        }
    }
    BitmapFields masks = Small(16);
    masks.compression = BI_BITFIELDS;
    masks.masks = {0xF800, 0x07E0};  // one mask short, and no pixels
    masks.pixels.clear();
    masks.width = 1;
    masks.height = 1;
    EXPECT_EQ(ErrorOf(masks), BitmapError::ConversionFailed);
}

TEST(BitmapErrors, OffsetsThatPointOutside) {
    BitmapFields f = Small(24);
    const size_t size = BuildBitmap(f).size();
    for (uint32_t offset : {uint32_t(size), uint32_t(size - 5), 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        f.pixelOffset = offset;
        EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed) << offset;
    }
    // A colour table claimed larger than the file: a file's table ends where its pixels
    // begin, but a packed bitmap's pixels would lie past the end.
    BitmapFields table = Small(8);
    table.colorsUsed = 60000;
    EXPECT_EQ(ErrorOf(table), BitmapError::None);
    table.fileHeader = false;
    EXPECT_EQ(ErrorOf(table), BitmapError::ConversionFailed);
}

TEST(BitmapErrors, MasksMustBeContiguousAndFitThePixel) {
    struct Case { uint16_t bits; uint32_t mask; };
    for (Case c : {Case{16, 0xF00F}, Case{16, 0x10000}, Case{16, 0x1F800}, Case{32, 0x80000001},
                   Case{32, 0x00FF00FF}}) {
        BitmapFields f = Small(c.bits);
        f.compression = BI_BITFIELDS;
        f.masks = {c.mask, 0x0F, 0x00};
        EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed) << std::hex << c.mask;
    }
}

TEST(BitmapErrors, TopDownRle) {
    BitmapFields f = Small(8);
    f.compression = BI_RLE8;
    f.height = -4;
    f.pixels = {0, 1};
    EXPECT_EQ(ErrorOf(f), BitmapError::ConversionFailed);
}

}  // namespace
