// Pixel decoding of uncompressed and bit-field bitmaps into packed RGB rows, bottom row first,
// and the allocating entry point that ties header parsing and decoding together.
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/bitmap_bytes.h"
#include "image/bitmap_decode.h"
#include "image/bitmap_rows.h"
#include "platform/file_map.h"

namespace {

// Output row for the s-th stored row: stored order is kept unless the picture is top-down.
uint8_t* OutputRow(const BitmapLayout& layout, uint8_t* out, uint32_t storedRow) {
    const uint32_t row = layout.topDown() ? layout.rows() - 1 - storedRow : storedRow;
    return out + size_t(row) * size_t(layout.width) * 3;
}

void DecodeIndexedRow(const uint8_t* src, uint32_t width, uint16_t bitCount,
                      const PaletteLut& lut, uint8_t* dst) {
    if (bitCount == 8) {
        // Four-byte stores are cheaper than three-byte ones; the spare byte lands on the next
        // pixel's red, which is then written properly. The last pixel stores only three.
        for (uint32_t x = 0; x + 1 < width; ++x, dst += 3) std::memcpy(dst, lut.rgb[src[x]], 4);
        PutRgb(dst, lut, src[width - 1]);
    } else if (bitCount == 4) {
        for (uint32_t x = 0; x < width; ++x, dst += 3) {
            const uint8_t byte = src[x >> 1];
            PutRgb(dst, lut, (x & 1) ? byte & 0x0F : byte >> 4);
        }
    } else {
        for (uint32_t x = 0; x < width; ++x, dst += 3) {
            PutRgb(dst, lut, (src[x >> 3] >> (7 - (x & 7))) & 1);
        }
    }
}

void DecodeBgrRow(const uint8_t* src, uint32_t width, uint8_t* dst) {
    for (uint32_t x = 0; x < width; ++x, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
    }
}

// One colour channel of a 16- or 32-bit pixel, scaled to 0..255 by rounding v * 255 / max.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    std::vector<uint8_t> lut;  // filled when the picture has more pixels than the channel values

    uint8_t Scale(uint32_t v) const {
        return max == 0 ? 0 : uint8_t((uint64_t{v} * 255 + max / 2) / max);
    }
    uint8_t operator()(uint32_t pixel) const {
        const uint32_t v = (pixel & mask) >> shift;
        return lut.empty() ? Scale(v) : lut[v];
    }
};

Channel MakeChannel(uint32_t mask, uint64_t pixelCount) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    if (c.max < 0x10000 && c.max < pixelCount) {
        c.lut.resize(size_t{c.max} + 1);
        for (uint32_t v = 0; v <= c.max; ++v) c.lut[v] = c.Scale(v);
    }
    return c;
}

// Byte position of an 8-bit mask that covers exactly one byte of the pixel, or -1.
int WholeByte(uint32_t mask) {
    for (int i = 0; i < 4; ++i) {
        if (mask == 0xFFu << (8 * i)) return i;
    }
    return -1;
}

void DecodeMasked(std::span<const uint8_t> data, const BitmapLayout& layout, size_t stride,
                  uint8_t* out) {
    const uint32_t width = uint32_t(layout.width);
    const uint8_t* pixels = data.data() + layout.pixelOffset;
    const int bytes[3] = {WholeByte(layout.masks[0]), WholeByte(layout.masks[1]),
                          WholeByte(layout.masks[2])};
    if (layout.bitCount == 32 && bytes[0] >= 0 && bytes[1] >= 0 && bytes[2] >= 0) {
        // The usual 8-8-8 layouts need no scaling: pick the bytes.
        for (uint32_t s = 0; s < layout.rows(); ++s) {
            const uint8_t* src = pixels + s * stride;
            uint8_t* dst = OutputRow(layout, out, s);
            for (uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
                dst[0] = src[bytes[0]];
                dst[1] = src[bytes[1]];
                dst[2] = src[bytes[2]];
            }
        }
        return;
    }
    const uint64_t pixelCount = uint64_t{width} * layout.rows();
    const Channel red = MakeChannel(layout.masks[0], pixelCount);
    const Channel green = MakeChannel(layout.masks[1], pixelCount);
    const Channel blue = MakeChannel(layout.masks[2], pixelCount);
    const bool wide = layout.bitCount == 32;
    for (uint32_t s = 0; s < layout.rows(); ++s) {
        const uint8_t* src = pixels + s * stride;
        uint8_t* dst = OutputRow(layout, out, s);
        for (uint32_t x = 0; x < width; ++x, dst += 3) {
            const uint32_t pixel = wide ? ReadLe32(src + 4 * x) : ReadLe16(src + 2 * x);
            dst[0] = red(pixel);
            dst[1] = green(pixel);
            dst[2] = blue(pixel);
        }
    }
}

}  // namespace

void BuildPalette(std::span<const uint8_t> data, const BitmapLayout& layout, PaletteLut& lut) {
    std::memset(&lut, 0, sizeof lut);
    const uint32_t entries = layout.paletteCount < 256 ? layout.paletteCount : 256;
    const uint8_t* table = data.data() + layout.paletteOffset;
    for (uint32_t i = 0; i < entries; ++i, table += layout.paletteEntryBytes) {
        lut.rgb[i][0] = table[2];
        lut.rgb[i][1] = table[1];
        lut.rgb[i][2] = table[0];
    }
}

BitmapError DecodeBitmapPixels(std::span<const uint8_t> data, const BitmapLayout& layout,
                               uint8_t* out) {
    PaletteLut lut;
    if (layout.bitCount <= 8) BuildPalette(data, layout, lut);
    if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4) {
        return DecodeRle(data, layout, lut, out);
    }
    const uint32_t width = uint32_t(layout.width);
    const size_t stride = (size_t(width) * layout.bitCount + 31) / 32 * 4;
    if (layout.bitCount == 16 || layout.bitCount == 32) {
        DecodeMasked(data, layout, stride, out);
        return BitmapError::None;
    }
    const uint8_t* pixels = data.data() + layout.pixelOffset;
    for (uint32_t s = 0; s < layout.rows(); ++s) {
        uint8_t* dst = OutputRow(layout, out, s);
        if (layout.bitCount == 24) {
            DecodeBgrRow(pixels + s * stride, width, dst);
        } else {
            DecodeIndexedRow(pixels + s * stride, width, layout.bitCount, lut, dst);
        }
    }
    return BitmapError::None;
}

BitmapError DecodeBitmap(std::span<const uint8_t> data, RgbImage*& image) {
    image = nullptr;
    BitmapLayout layout;
    if (BitmapError error = ParseBitmap(data, layout); error != BitmapError::None) return error;
    // No zero-fill: the decoder writes every byte.
    auto* pixels = static_cast<uint8_t*>(std::malloc(layout.outputBytes()));
    if (!pixels) return BitmapError::OutOfMemory;
    platform::AdviseHugePages(pixels, layout.outputBytes());  // fewer page faults filling it
    if (BitmapError error = DecodeBitmapPixels(data, layout, pixels); error != BitmapError::None) {
        std::free(pixels);
        return error;
    }
    auto* record = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
    if (!record) {
        std::free(pixels);
        return BitmapError::OutOfMemory;
    }
    *record = RgbImage{layout.width, int32_t(layout.rows()), pixels};
    image = record;
    return BitmapError::None;
}
