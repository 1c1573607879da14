// The Windows bitmap (DIB) decoder behind LoadBitmapImage. It works on bytes in memory and does
// no I/O: the caller maps the file and turns an error value into the message the user sees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/bitmap_image.h"

enum class BitmapError {
    None,
    OpenFailed,        // the file could not be opened, mapped or viewed
    OutOfMemory,       // an allocation failed, or the picture is larger than we decode
    UnknownFormat,     // the bitmap header is neither the 12-byte nor the 40-byte kind
    ConversionFailed,  // a depth or compression we do not decode, or a damaged file
};

// The text shown to the user for an error. OpenFailed's text has a %s for the file name.
const char* BitmapErrorMessage(BitmapError error);

// Number of colour-table entries the header implies: colours used (its low 16 bits) when set,
// otherwise 2, 16 or 256 for 1-, 4- and 8-bit pictures and 0 for other depths. Core headers
// have no colours-used field. The span form reads nothing outside `header` (0 when the fields
// it needs are missing); the pointer form needs 12 readable bytes for a core header, 36 otherwise.
uint16_t CountPaletteColors(std::span<const uint8_t> header);
uint16_t CountPaletteColors(const uint8_t* header);

inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t BI_RLE8 = 1;
inline constexpr uint32_t BI_RLE4 = 2;
inline constexpr uint32_t BI_BITFIELDS = 3;

// Largest decoded picture, in output bytes: anything bigger is reported as out of memory,
// since an RLE file can claim a picture far larger than its data.
inline constexpr uint64_t kMaxDecodedBytes = uint64_t{256} << 20;

// Everything the pixel decoder needs, found and checked by ParseBitmap. The header fields are
// normalised to the 40-byte form; every offset is from the start of the data and every range it
// names lies inside the data.
struct BitmapLayout {
    int32_t width = 0;
    int32_t height = 0;  // as stored: negative for a top-down picture
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t imageSize = 0;   // when the header gives 0: unpadded row bytes * height
    uint32_t colorsUsed = 0;  // when the header gives 0: the count the header implies
    uint16_t paletteCount = 0;  // entries present: in a file, cut short where the pixels begin
    uint8_t paletteEntryBytes = 4;  // 3 for core headers
    size_t paletteOffset = 0;
    size_t pixelOffset = 0;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue, for 16- and 32-bit pictures

    uint32_t rows() const { return height < 0 ? uint32_t(-int64_t{height}) : uint32_t(height); }
    bool topDown() const { return height < 0; }
    size_t outputBytes() const { return size_t(width) * rows() * 3; }
};

// Locates and checks the headers, colour table, masks and pixel data of a bitmap file (starting
// with "BM") or a packed bitmap (starting with its header).
BitmapError ParseBitmap(std::span<const uint8_t> data, BitmapLayout& layout);

// Decodes the pixels of a parsed bitmap into `out` (layout.outputBytes() bytes), bottom row
// first. Every output byte is written, whatever `out` held before. Fails only on RLE streams
// that are truncated or run outside the picture.
BitmapError DecodeBitmapPixels(std::span<const uint8_t> data, const BitmapLayout& layout,
                               uint8_t* out);

// Parse, allocate with malloc (record and pixels) and decode. On failure `image` is null and
// nothing stays allocated.
BitmapError DecodeBitmap(std::span<const uint8_t> data, RgbImage*& image);
