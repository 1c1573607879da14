// Generates the demo's water texture: the water pattern sampled as a 256 x 256, 24-bit bitmap.
// It tiles without seams and comes out the same on every run.
// Usage: make_water <output.bmp>
#include <cstdio>

#include "tools/bmp_writer.h"
#include "tools/water_pattern.h"

namespace {

constexpr int kSize = 256;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
        return 2;
    }
    const water::Pattern pattern = water::MakePattern();
    std::vector<uint8_t> pixels = bmpwriter::PackRows(kSize, kSize, 24, [&](int x, int row) {
        const water::Colour c = water::ColourAt(pattern, double(x) / kSize, double(row) / kSize);
        return (uint32_t(water::ToByte(c.r)) << 16) | (uint32_t(water::ToByte(c.g)) << 8) |
               water::ToByte(c.b);
    });

    bmpwriter::BitmapFields fields;
    fields.width = kSize;
    fields.height = kSize;
    fields.bitCount = 24;
    fields.imageSize = uint32_t(pixels.size());
    fields.pixels = std::move(pixels);
    if (!bmpwriter::WriteFile(argv[1], bmpwriter::BuildBitmap(fields))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
