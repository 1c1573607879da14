// Builds Windows bitmap files in memory, field by field, including ones no sane encoder would
// write: the water generator, the reader's tests, the fuzz seeds and the benchmark use it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace bmpwriter {

struct Bgr {
    uint8_t b, g, r;
};

struct BitmapFields {
    bool fileHeader = true;   // "BM" file header first; otherwise a packed bitmap
    bool coreHeader = false;  // 12-byte header with 16-bit sizes and 3-byte colour entries
    int32_t width = 1;
    int32_t height = 1;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t imageSize = 0;
    uint32_t colorsUsed = 0;
    uint32_t pixelsPerMetre = 2835;  // both axes (72 dots per inch); icons' bitmaps want 0
    std::optional<uint32_t> headerSize;  // default 12 or 40 by coreHeader; else written as is
    std::vector<Bgr> palette;        // written as given, whatever the header implies
    std::vector<uint32_t> masks;     // written straight after the header when not empty
    size_t gap = 0;                  // zero bytes between the tables and the pixels
    std::optional<uint32_t> pixelOffset;  // overrides the file header's pixel position
    std::vector<uint8_t> pixels;     // the stored pixel data, as is
};

std::vector<uint8_t> BuildBitmap(const BitmapFields& fields);

// Stored rows of `bitCount` bits per pixel, each padded to 4 bytes, in the order given.
// value(x, row) is a colour index for 1, 4 and 8 bits, the raw pixel for 16 and 32 bits and
// 0xRRGGBB for 24 bits.
std::vector<uint8_t> PackRows(int width, int rows, int bitCount,
                              const std::function<uint32_t(int x, int row)>& value);

// A straightforward RLE8 encoder: repeats become runs, the rest absolute runs; rows end with
// end-of-line and the picture with end-of-bitmap.
std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& indices, int width, int rows);

// Little-endian fields appended to a file being built.
void Put16(std::vector<uint8_t>& out, uint32_t value);
void Put32(std::vector<uint8_t>& out, uint32_t value);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace bmpwriter
