// RLE8 and RLE4 decoding. The stream only ever moves forward through the picture (runs go
// right, end-of-line and delta go right and up), so one write cursor covers it and every pixel
// the stream passes over is set to black on the way: the output needs no clearing beforehand.
#include <cstring>

#include "image/bitmap_rows.h"

namespace {

class RleWriter {
public:
    RleWriter(const BitmapLayout& layout, const PaletteLut& lut, uint8_t* out)
        : lut_(lut), width_(uint32_t(layout.width)), rows_(layout.rows()), cursor_(out),
          end_(out + layout.outputBytes()) {}

    // Room for `count` pixels in the current row.
    bool Fits(uint32_t count) const { return y_ < rows_ && count <= width_ - x_; }
    bool Complete() const { return y_ == rows_; }

    void Put(uint8_t index) {
        PutRgb(cursor_, lut_, index);
        cursor_ += 3;
        ++x_;
    }
    bool EndOfLine() {
        if (y_ == rows_) return false;
        Skip(width_ - x_);
        x_ = 0;
        ++y_;
        return true;
    }
    bool Delta(uint32_t dx, uint32_t dy) {
        if (y_ == rows_ || dy >= rows_ - y_ || dx > width_ - x_) return false;
        Skip(uint64_t{dy} * width_ + dx);
        x_ += dx;
        y_ += dy;
        return true;
    }
    void EndOfBitmap() {
        std::memset(cursor_, 0, size_t(end_ - cursor_));
        cursor_ = end_;
        y_ = rows_;
        x_ = 0;
    }

private:
    void Skip(uint64_t pixels) {
        std::memset(cursor_, 0, size_t(pixels) * 3);
        cursor_ += size_t(pixels) * 3;
    }

    const PaletteLut& lut_;
    uint32_t width_, rows_;
    uint32_t x_ = 0, y_ = 0;
    uint8_t* cursor_;
    uint8_t* end_;
};

// The index of pixel i of a run: RLE8 repeats or copies bytes, RLE4 alternates the high and
// low nibbles of each byte.
uint8_t RunIndex(bool fourBit, const uint8_t* bytes, uint32_t i, bool repeat) {
    if (!fourBit) return repeat ? bytes[0] : bytes[i];
    const uint8_t byte = repeat ? bytes[0] : bytes[i >> 1];
    return (i & 1) ? byte & 0x0F : byte >> 4;
}

}  // namespace

BitmapError DecodeRle(std::span<const uint8_t> data, const BitmapLayout& layout,
                      const PaletteLut& lut, uint8_t* out) {
    const bool fourBit = layout.compression == BI_RLE4;
    const uint8_t* p = data.data() + layout.pixelOffset;
    const uint8_t* const end = data.data() + data.size();
    RleWriter writer(layout, lut, out);
    constexpr BitmapError kBad = BitmapError::ConversionFailed;

    while (true) {
        if (end - p < 2) {
            // A stream may stop right after the last row; anything shorter is truncated.
            if (!writer.Complete()) return kBad;
            writer.EndOfBitmap();
            return BitmapError::None;
        }
        const uint8_t count = p[0];
        const uint8_t code = p[1];
        p += 2;
        if (count > 0) {  // a run of `count` pixels from the colour byte `code`
            if (!writer.Fits(count)) return kBad;
            const uint8_t* colour = p - 1;
            for (uint32_t i = 0; i < count; ++i) writer.Put(RunIndex(fourBit, colour, i, true));
            continue;
        }
        if (code == 0) {
            if (!writer.EndOfLine()) return kBad;
        } else if (code == 1) {
            writer.EndOfBitmap();
            return BitmapError::None;
        } else if (code == 2) {
            if (end - p < 2 || !writer.Delta(p[0], p[1])) return kBad;
            p += 2;
        } else {  // an absolute run of `code` pixels, padded to a 16-bit boundary
            const size_t bytes = fourBit ? (size_t{code} + 1) / 2 : code;
            const size_t padded = bytes + (bytes & 1);
            if (size_t(end - p) < padded || !writer.Fits(code)) return kBad;
            for (uint32_t i = 0; i < code; ++i) writer.Put(RunIndex(fourBit, p, i, false));
            p += padded;
        }
    }
}
