// Fuzz target for the bitmap decoder: any bytes must parse and decode without reading outside
// them, a decoded picture must not depend on what its output memory held before, and
// DecodeBitmap must agree with ParseBitmap followed by DecodeBitmapPixels.
#include <cstdlib>
#include <cstring>
#include <span>

#include "image/bitmap_decode.h"

namespace {

// Larger claims are legal, but filling big pictures is what slows the search down: the
// decoder's paths are all reached by small ones.
constexpr size_t kMaxFuzzedOutput = size_t{64} << 10;

// Decoded into twice: once by DecodeBitmap into fresh malloc memory (AddressSanitizer fills it
// with 0xBE), once here into memory that holds another byte, so a pixel left unwritten shows.
alignas(64) uint8_t scratch[kMaxFuzzedOutput];

}  // namespace

// Let AddressSanitizer fill every fresh allocation the decoder makes, not only its first 4 KiB.
extern "C" const char* __asan_default_options() { return "max_malloc_fill_size=1048576"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    CountPaletteColors(bytes);
    BitmapLayout layout;
    const BitmapError parsed = ParseBitmap(bytes, layout);
    if (parsed == BitmapError::None && layout.outputBytes() > kMaxFuzzedOutput) return 0;

    RgbImage* image = nullptr;
    const BitmapError decoded = DecodeBitmap(bytes, image);
    if ((image != nullptr) != (decoded == BitmapError::None)) std::abort();
    if (parsed != BitmapError::None) {
        if (decoded != parsed) std::abort();
        return 0;
    }

    const size_t outputBytes = layout.outputBytes();
    std::memset(scratch, 0x41, outputBytes);
    if (DecodeBitmapPixels(bytes, layout, scratch) != decoded) std::abort();
    if (image) {
        if (image->width != layout.width || image->height != int32_t(layout.rows()) ||
            std::memcmp(image->pixels, scratch, outputBytes) != 0) {
            std::abort();
        }
        std::free(image->pixels);
        std::free(image);
    }
    return 0;
}
