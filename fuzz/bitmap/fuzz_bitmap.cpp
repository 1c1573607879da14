// Fuzz target for the bitmap decoder: any bytes must parse and decode without reading outside
// them, and a decoded picture must not depend on what its output memory held before.
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "image/bitmap_decode.h"

namespace {
// Larger claims are legal, but decoding them only slows the search down.
constexpr size_t kMaxFuzzedOutput = size_t{4} << 20;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    CountPaletteColors(bytes);
    BitmapLayout layout;
    if (ParseBitmap(bytes, layout) != BitmapError::None) return 0;
    if (layout.outputBytes() > kMaxFuzzedOutput) return 0;

    std::vector<uint8_t> zeros(layout.outputBytes(), 0x00), ones(layout.outputBytes(), 0xFF);
    const BitmapError first = DecodeBitmapPixels(bytes, layout, zeros.data());
    const BitmapError second = DecodeBitmapPixels(bytes, layout, ones.data());
    if (first != second || (first == BitmapError::None && zeros != ones)) std::abort();

    RgbImage* image = nullptr;
    if (DecodeBitmap(bytes, image) != first) std::abort();
    if (image) {
        if (image->width != layout.width || image->height != int32_t(layout.rows()) ||
            std::memcmp(image->pixels, zeros.data(), zeros.size()) != 0) {
            std::abort();
        }
        std::free(image->pixels);
        std::free(image);
    }
    return 0;
}
