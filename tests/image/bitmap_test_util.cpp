// Helpers for the reader's tests: decode a built file and describe the expected RGB output.
#include "tests/image/bitmap_test_util.h"

#include <cstdlib>

Decoded TakeImage(BitmapError error, RgbImage* image) {
    Decoded result;
    result.error = error;
    if (image) {
        result.width = image->width;
        result.height = image->height;
        result.rgb.assign(image->pixels, image->pixels + size_t(image->width) * image->height * 3);
        std::free(image->pixels);
        std::free(image);
    }
    return result;
}

Decoded Decode(const std::vector<uint8_t>& file) {
    RgbImage* image = nullptr;
    const BitmapError error = DecodeBitmap(file, image);
    return TakeImage(error, image);
}

Decoded DecodeInto(const std::vector<uint8_t>& file, uint8_t fill) {
    Decoded result;
    BitmapLayout layout;
    result.error = ParseBitmap(file, layout);
    if (result.error != BitmapError::None) return result;
    result.rgb.assign(layout.outputBytes(), fill);
    result.error = DecodeBitmapPixels(file, layout, result.rgb.data());
    result.width = layout.width;
    result.height = int32_t(layout.rows());
    return result;
}

std::vector<uint8_t> ExpectedRgb(int width, int rows,
                                 const std::function<uint32_t(int x, int row)>& colour) {
    std::vector<uint8_t> out;
    for (int row = 0; row < rows; ++row) {
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colour(x, row);
            out.push_back(uint8_t(c >> 16));
            out.push_back(uint8_t(c >> 8));
            out.push_back(uint8_t(c));
        }
    }
    return out;
}

std::vector<bmpwriter::Bgr> DistinctPalette(int entries) {
    std::vector<bmpwriter::Bgr> palette;
    for (int i = 0; i < entries; ++i) {
        palette.push_back({uint8_t(255 - i), uint8_t(i * 37 + 11), uint8_t(i)});
    }
    return palette;
}
