// Helpers for the reader's tests: decode a built file and describe the expected RGB output.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "image/bitmap_decode.h"
#include "tools/bmp_writer.h"

struct Decoded {
    BitmapError error = BitmapError::None;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
};

// Copies a decoded image out and frees it the way the reader's callers do; null gives no pixels.
Decoded TakeImage(BitmapError error, RgbImage* image);

// Through DecodeBitmap, the allocating path the reader uses.
Decoded Decode(const std::vector<uint8_t>& file);

// Parse, then decode into memory pre-filled with `fill`; the output must not depend on it.
Decoded DecodeInto(const std::vector<uint8_t>& file, uint8_t fill);

// Packed RGB rows, first row first, from colour(x, row) = 0xRRGGBB.
std::vector<uint8_t> ExpectedRgb(int width, int rows,
                                 const std::function<uint32_t(int x, int row)>& colour);

inline uint32_t Rgb(const bmpwriter::Bgr& c) { return (c.r << 16) | (c.g << 8) | c.b; }

// A palette whose entries all differ, so a wrong index shows.
std::vector<bmpwriter::Bgr> DistinctPalette(int entries);
