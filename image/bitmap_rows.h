// Shared pieces of the pixel decoders: the colour lookup that palettised and RLE pictures use.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "image/bitmap_decode.h"

// Red, green, blue and a spare byte for every possible index; indices past the file's colour
// table are black, so a stray index never reads outside the table or stale memory.
struct PaletteLut {
    uint8_t rgb[256][4];
};

void BuildPalette(std::span<const uint8_t> data, const BitmapLayout& layout, PaletteLut& lut);

inline void PutRgb(uint8_t* dst, const PaletteLut& lut, uint8_t index) {
    std::memcpy(dst, lut.rgb[index], 3);
}

// RLE8 and RLE4 streams. Pixels the stream skips (end of line, delta, end of bitmap) are black.
BitmapError DecodeRle(std::span<const uint8_t> data, const BitmapLayout& layout,
                      const PaletteLut& lut, uint8_t* out);
