// Decoding of uncompressed and bit-field bitmaps: every depth, both header kinds, both file
// forms, padding, gaps, top-down rows, and colour-table corner cases. Pixels are checked exactly.
#include <gtest/gtest.h>

#include <cstddef>
#include <span>

#include "tests/image/bitmap_test_util.h"

using bmpwriter::BitmapFields;
using bmpwriter::BuildBitmap;
using bmpwriter::PackRows;

namespace {

// A colour for every pixel that differs from its neighbours in each channel.
uint32_t Pattern(int x, int row) {
    return (uint32_t(x * 29 + row * 7) & 0xFF) << 16 | (uint32_t(x * 3 + row * 53) & 0xFF) << 8 |
           (uint32_t(x * 71 + row * 13 + 5) & 0xFF);
}

BitmapFields TrueColour(int width, int height) {
    BitmapFields f;
    f.width = width;
    f.height = height;
    f.bitCount = 24;
    f.pixels = PackRows(width, height < 0 ? -height : height, 24, Pattern);
    return f;
}

BitmapFields Indexed(int bitCount, int width, int height, int entries) {
    BitmapFields f;
    f.width = width;
    f.height = height;
    f.bitCount = uint16_t(bitCount);
    f.palette = DistinctPalette(entries);
    const int mask = (1 << bitCount) - 1;
    f.pixels = PackRows(width, height < 0 ? -height : height, bitCount,
                        [=](int x, int row) { return uint32_t((x * 5 + row * 3) & mask); });
    return f;
}

std::vector<uint8_t> ExpectedIndexed(const BitmapFields& f, int rows) {
    const int mask = (1 << f.bitCount) - 1;
    return ExpectedRgb(f.width, rows, [&](int x, int row) {
        const size_t index = size_t((x * 5 + row * 3) & mask);
        return index < f.palette.size() ? Rgb(f.palette[index]) : 0u;
    });
}

TEST(BitmapDecode, TrueColourRowsAreReversedAndPaddingDropped) {
    // 3 x 2 pixels: 9 bytes of pixels and 3 of padding per stored row; make the padding loud.
    BitmapFields f = TrueColour(3, 2);
    f.pixels[9] = f.pixels[10] = f.pixels[11] = 0xEE;
    const Decoded d = Decode(BuildBitmap(f));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.width, 3);
    EXPECT_EQ(d.height, 2);
    ASSERT_EQ(d.rgb.size(), 18u);
    // The first nine bytes are the first stored row, red first; the 0xEE padding is gone.
    EXPECT_EQ(d.rgb, ExpectedRgb(3, 2, Pattern));
}

TEST(BitmapDecode, TrueColourAtEveryRowPadding) {
    for (int width : {1, 2, 3, 4, 5, 8, 17}) {
        const Decoded d = Decode(BuildBitmap(TrueColour(width, 3)));
        ASSERT_EQ(d.error, BitmapError::None) << width;
        EXPECT_EQ(d.rgb, ExpectedRgb(width, 3, Pattern)) << width;
    }
}

TEST(BitmapDecode, IndexedDepthsLookUpTheColourTable) {
    struct Case { int bits, width; };
    for (Case c : {Case{1, 13}, Case{1, 32}, Case{4, 7}, Case{4, 8}, Case{8, 5}, Case{8, 1}}) {
        const BitmapFields f = Indexed(c.bits, c.width, 3, 1 << c.bits);
        const Decoded d = Decode(BuildBitmap(f));
        ASSERT_EQ(d.error, BitmapError::None) << c.bits << "/" << c.width;
        EXPECT_EQ(d.rgb, ExpectedIndexed(f, 3)) << c.bits << "/" << c.width;
    }
}

TEST(BitmapDecode, EightBitWithoutColoursUsedReadsAll256Entries) {
    BitmapFields f = Indexed(8, 16, 16, 256);
    f.pixels = PackRows(16, 16, 8, [](int x, int row) { return uint32_t(row * 16 + x); });
    const Decoded d = Decode(BuildBitmap(f));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, ExpectedRgb(16, 16, [&](int x, int row) { return Rgb(f.palette[row * 16 + x]); }));
}

TEST(BitmapDecode, PackedBitmapPixelsFollowAShortColourTable) {
    // Colours used 16: the pixels start 40 + 64 bytes in, where a 256-entry table would still be.
    BitmapFields f = Indexed(8, 6, 2, 16);
    f.fileHeader = false;
    f.colorsUsed = 16;
    f.pixels = PackRows(6, 2, 8, [](int x, int row) { return uint32_t((x + row * 6) % 16); });
    const std::vector<uint8_t> file = BuildBitmap(f);
    ASSERT_EQ(file.size(), 40u + 64u + 16u);
    const Decoded d = Decode(file);
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, ExpectedRgb(6, 2, [&](int x, int row) { return Rgb(f.palette[(x + row * 6) % 16]); }));
}

TEST(BitmapDecode, CoreHeadersInBothForms) {
    for (bool fileHeader : {true, false}) {
        BitmapFields indexed = Indexed(4, 9, 2, 16);
        indexed.coreHeader = true;
        indexed.fileHeader = fileHeader;
        const Decoded d = Decode(BuildBitmap(indexed));
        ASSERT_EQ(d.error, BitmapError::None) << fileHeader;
        EXPECT_EQ(d.rgb, ExpectedIndexed(indexed, 2)) << fileHeader;
    }
    // Sizes are unsigned 16-bit: 40000 would be negative as a signed short.
    BitmapFields wide = TrueColour(40000, 1);
    wide.coreHeader = true;
    const Decoded d = Decode(BuildBitmap(wide));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.width, 40000);
    EXPECT_EQ(d.rgb, ExpectedRgb(40000, 1, Pattern));
}

TEST(BitmapDecode, SixteenAndThirtyTwoBitWithoutMasks) {
    // 5-5-5: each channel v scaled to round(v * 255 / 31).
    BitmapFields f16;
    f16.width = 4;
    f16.height = 1;
    f16.bitCount = 16;
    const uint32_t values[4] = {0x7FFF, 0x0000, (1 << 10) | (16 << 5) | 30, 0x8000 | (31 << 10)};
    f16.pixels = PackRows(4, 1, 16, [&](int x, int) { return values[x]; });
    const Decoded d16 = Decode(BuildBitmap(f16));
    ASSERT_EQ(d16.error, BitmapError::None);
    EXPECT_EQ(d16.rgb, (std::vector<uint8_t>{255, 255, 255, 0, 0, 0, 8, 132, 247, 255, 0, 0}));

    // 32-bit: blue, green, red, unused.
    BitmapFields f32 = f16;
    f32.bitCount = 32;
    f32.pixels = PackRows(4, 1, 32, [](int x, int) { return 0xAB000000u | Pattern(x, 0); });
    const Decoded d32 = Decode(BuildBitmap(f32));
    ASSERT_EQ(d32.error, BitmapError::None);
    EXPECT_EQ(d32.rgb, ExpectedRgb(4, 1, Pattern));
}

struct MaskCase {
    uint16_t bits;
    uint32_t masks[3];
};

uint8_t ScaleReference(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const uint64_t max = mask >> shift, v = (pixel & mask) >> shift;
    return uint8_t((v * 255 + max / 2) / max);
}

TEST(BitmapDecode, BitFieldsOfEveryWidth) {
    const MaskCase cases[] = {
        {16, {0xF800, 0x07E0, 0x001F}},             // 5-6-5
        {16, {0x0F00, 0x00F0, 0x000F}},             // 4-4-4
        {16, {0x8000, 0x0001, 0x0000}},             // 1-bit channels and an absent one
        {32, {0x000000FF, 0x0000FF00, 0x00FF0000}}, // bytes in the other order
        {32, {0x3FF00000, 0x000FFC00, 0x000003FF}}, // 10-10-10
        {32, {0xFFFFFFFF, 0x00000000, 0x0000FFFF}}, // as wide as the pixel
        {32, {0xFFFF0000, 0x0000FFFF, 0x00000000}}, // 16-bit channels
    };
    for (const MaskCase& c : cases) {
        for (int width : {3, 40}) {  // both the direct and the table-driven scaling
            BitmapFields f;
            f.width = width;
            f.height = 5;
            f.bitCount = c.bits;
            f.compression = BI_BITFIELDS;
            f.masks = {c.masks[0], c.masks[1], c.masks[2]};
            auto raw = [&](int x, int row) {
                const uint32_t v = uint32_t(x * 2654435761u + row * 40503u);
                return c.bits == 16 ? v & 0xFFFF : v;
            };
            f.pixels = PackRows(width, 5, c.bits, raw);
            const Decoded d = Decode(BuildBitmap(f));
            ASSERT_EQ(d.error, BitmapError::None) << std::hex << c.masks[0];
            EXPECT_EQ(d.rgb, ExpectedRgb(width, 5, [&](int x, int row) {
                const uint32_t p = raw(x, row);
                return uint32_t(ScaleReference(p, c.masks[0])) << 16 |
                       uint32_t(ScaleReference(p, c.masks[1])) << 8 | ScaleReference(p, c.masks[2]);
            })) << std::hex << c.masks[0] << " width " << std::dec << width;
        }
    }
}

TEST(BitmapDecode, PackedBitFieldsPutTheMasksBeforeTheColourTable) {
    BitmapFields f;
    f.fileHeader = false;
    f.width = 2;
    f.height = 1;
    f.bitCount = 16;
    f.compression = BI_BITFIELDS;
    f.masks = {0xF800, 0x07E0, 0x001F};
    f.colorsUsed = 3;
    f.palette = DistinctPalette(3);
    f.pixels = PackRows(2, 1, 16, [](int x, int) { return x == 0 ? 0xF800u : 0x07FFu; });
    const Decoded d = Decode(BuildBitmap(f));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, (std::vector<uint8_t>{255, 0, 0, 0, 255, 255}));
}

TEST(BitmapDecode, TopDownPicturesComeOutBottomRowFirst) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        BitmapFields up = bits <= 8 ? Indexed(bits, 11, 4, 1 << bits) : TrueColour(11, 4);
        if (bits == 16 || bits == 32) {
            up.bitCount = uint16_t(bits);
            up.pixels = PackRows(11, 4, bits, [](int x, int row) { return uint32_t(x * 977 + row * 31); });
        }
        BitmapFields down = up;
        down.height = -4;
        // The same picture stored top row first: up's rows appended last first.
        const size_t stride = up.pixels.size() / 4;
        down.pixels.clear();
        for (size_t row = 4; row-- > 0;) {
            const auto first = up.pixels.begin() + std::ptrdiff_t(stride * row);
            down.pixels.insert(down.pixels.end(), first, first + std::ptrdiff_t(stride));
        }
        const Decoded a = Decode(BuildBitmap(up)), b = Decode(BuildBitmap(down));
        ASSERT_EQ(b.error, BitmapError::None) << bits;
        EXPECT_EQ(b.height, 4) << bits;
        EXPECT_EQ(b.rgb, a.rgb) << bits;
    }
}

TEST(BitmapDecode, PixelOffsetHonoursGapsAndTablesOnTrueColour) {
    BitmapFields f = TrueColour(5, 3);
    f.palette = DistinctPalette(7);
    f.colorsUsed = 7;
    f.gap = 9;
    const Decoded d = Decode(BuildBitmap(f));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, ExpectedRgb(5, 3, Pattern));
}

TEST(BitmapDecode, LastRowMayLackItsPadding) {
    BitmapFields f = TrueColour(5, 3);
    f.pixels.resize(f.pixels.size() - 1);  // 15 bytes used of 16
    const Decoded d = Decode(BuildBitmap(f));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, ExpectedRgb(5, 3, Pattern));
}

TEST(BitmapDecode, IndicesPastTheColourTableAreBlack) {
    BitmapFields f = Indexed(8, 4, 1, 2);
    f.colorsUsed = 2;
    f.pixels = {0, 1, 2, 255};
    Decoded d = Decode(BuildBitmap(f));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, ExpectedRgb(4, 1, [&](int x, int) { return x < 2 ? Rgb(f.palette[x]) : 0u; }));

    // Colours used 0x10000: its low half is 0, so there is no table at all.
    f.colorsUsed = 0x10000;
    f.palette.clear();
    d = Decode(BuildBitmap(f));
    ASSERT_EQ(d.error, BitmapError::None);
    EXPECT_EQ(d.rgb, std::vector<uint8_t>(12, 0));
}

TEST(BitmapDecode, AFileMayStoreFewerColoursThanItsDepthImplies) {
    // Colours used 0 implies 256 or 16 entries; the writer stored 3, with the pixels right
    // after them. Indices 3 and 5 lie past the stored entries and read as black.
    const uint8_t indices[2][4] = {{0, 1, 2, 3}, {2, 1, 0, 5}};
    struct Form { uint16_t bits; uint32_t compression; std::vector<uint8_t> pixels; };
    const Form forms[] = {
        {8, BI_RLE8, {0, 4, 0, 1, 2, 3, 0, 0, 0, 4, 2, 1, 0, 5, 0, 1}},
        {4, BI_RLE4, {0, 4, 0x01, 0x23, 0, 0, 0, 4, 0x21, 0x05, 0, 1}},
        {8, BI_RGB, PackRows(4, 2, 8, [&](int x, int row) { return uint32_t(indices[row][x]); })},
    };
    for (const Form& form : forms) {
        BitmapFields f;
        f.width = 4;
        f.height = 2;
        f.bitCount = form.bits;
        f.compression = form.compression;
        f.palette = DistinctPalette(3);
        f.pixels = form.pixels;
        const std::vector<uint8_t> expected = ExpectedRgb(4, 2, [&](int x, int row) {
            const uint8_t index = indices[row][x];
            return index < 3 ? Rgb(f.palette[index]) : 0u;
        });
        // Short: the file ends long before the implied table would. Long: the implied table
        // would fit, but its tail is pixels and whatever follows them, not colours.
        for (bool longFile : {false, true}) {
            BitmapFields file = f;
            if (longFile) file.pixels.resize(file.pixels.size() + 1100, 0x7F);
            const Decoded d = Decode(BuildBitmap(file));
            ASSERT_EQ(d.error, BitmapError::None) << form.bits << "/" << form.compression;
            EXPECT_EQ(d.rgb, expected) << form.bits << "/" << form.compression
                                       << (longFile ? " long" : " short");
        }
        // A packed bitmap's pixels follow the whole implied table, so one this short is refused.
        f.fileHeader = false;
        EXPECT_EQ(Decode(BuildBitmap(f)).error, BitmapError::ConversionFailed);
    }
}

TEST(BitmapDecode, OutputDoesNotDependOnWhatTheMemoryHeld) {
    std::vector<BitmapFields> fixtures = {TrueColour(7, 3), TrueColour(4, -2), Indexed(1, 19, 3, 2),
                                          Indexed(4, 5, 2, 3), Indexed(8, 3, 3, 200)};
    fixtures[3].colorsUsed = 3;
    fixtures[4].colorsUsed = 200;
    BitmapFields masked;
    masked.width = 3;
    masked.height = 2;
    masked.bitCount = 16;
    masked.compression = BI_BITFIELDS;
    masked.masks = {0xF800, 0, 0x001F};
    masked.pixels = PackRows(3, 2, 16, [](int x, int row) { return uint32_t(x * 4099 + row); });
    fixtures.push_back(masked);
    for (const BitmapFields& f : fixtures) {
        const std::vector<uint8_t> file = BuildBitmap(f);
        const Decoded zeros = DecodeInto(file, 0x00), ones = DecodeInto(file, 0xFF);
        ASSERT_EQ(zeros.error, BitmapError::None);
        EXPECT_EQ(zeros.rgb, ones.rgb) << f.bitCount << " bits, " << f.width << " wide";
    }
}

TEST(CountPaletteColors, FollowsHeaderKindDepthAndColoursUsed) {
    auto header = [](BitmapFields f) {
        f.fileHeader = false;
        return BuildBitmap(f);
    };
    BitmapFields core;
    core.coreHeader = true;
    for (auto [bits, count] : {std::pair{1, 2}, {4, 16}, {8, 256}, {24, 0}, {2, 0}}) {
        core.bitCount = uint16_t(bits);
        EXPECT_EQ(CountPaletteColors(header(core).data()), count) << bits;
    }
    BitmapFields info;
    for (auto [bits, count] : {std::pair{1, 2}, {4, 16}, {8, 256}, {16, 0}, {32, 0}}) {
        info.bitCount = uint16_t(bits);
        EXPECT_EQ(CountPaletteColors(header(info).data()), count) << bits;
    }
    info.bitCount = 8;
    info.colorsUsed = 16;
    EXPECT_EQ(CountPaletteColors(header(info).data()), 16);
    info.colorsUsed = 0x12345;  // only the low 16 bits count
    EXPECT_EQ(CountPaletteColors(header(info).data()), 0x2345);
    info.headerSize = 124;  // later header versions share the field
    info.colorsUsed = 5;
    EXPECT_EQ(CountPaletteColors(header(info).data()), 5);
    // The span form never reads past what it is given.
    const std::vector<uint8_t> full = header(info);
    EXPECT_EQ(CountPaletteColors(std::span(full).first(20)), 0);
    EXPECT_EQ(CountPaletteColors(std::span(full).first(3)), 0);
}

}  // namespace
