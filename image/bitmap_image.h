// The decoded picture the texture is made from, and the reader that loads it from a bitmap file.
#pragma once

#include <cstdint>

// Tightly packed red, green, blue bytes, bottom row first, width * height * 3 of them.
// The record and the pixel buffer come from malloc; the caller frees the pixels, then the record.
struct RgbImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels;
};

// Maps fileName read-only and decodes it. On any failure shows one message box (caption
// "Error", owned by the focused window), releases everything it made and returns null.
RgbImage* LoadBitmapImage(const char* fileName);
