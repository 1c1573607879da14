// Writes the seed corpus for the bitmap fuzz target: small, valid examples of every header form,
// depth and compression the reader decodes, plus a few damaged ones for the fuzzer to mutate.
// Usage: make_bitmap_seeds <directory>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "tools/bmp_writer.h"

using bmpwriter::BitmapFields;

namespace {

std::vector<bmpwriter::Bgr> Palette(int n) {
    std::vector<bmpwriter::Bgr> palette;
    for (int i = 0; i < n; ++i) palette.push_back({uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 3)});
    return palette;
}

BitmapFields Picture(int bitCount, int width, int height, uint32_t compression = 0) {
    BitmapFields f;
    f.width = width;
    f.height = height;
    f.bitCount = uint16_t(bitCount);
    f.compression = compression;
    if (bitCount <= 8) f.palette = Palette(1 << bitCount);
    f.pixels = bmpwriter::PackRows(width, height < 0 ? -height : height, bitCount,
                                   [](int x, int row) { return uint32_t(x * 37 + row * 101 + x * row); });
    return f;
}

using Save = std::function<void(const std::string& name, const BitmapFields& fields)>;

// Every depth, bottom-up, top-down and packed; the core header's depths, in a file and packed.
void SaveUncompressed(const Save& save) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        const std::string depth = std::to_string(bits);
        save("rgb" + depth, Picture(bits, 13, 5));
        save("topdown" + depth, Picture(bits, 7, -3));
        BitmapFields packed = Picture(bits, 5, 4);
        packed.fileHeader = false;
        save("packed" + depth, packed);
    }
    for (int bits : {1, 4, 8, 24}) {
        BitmapFields core = Picture(bits, 9, 3);
        core.coreHeader = true;
        save("core" + std::to_string(bits), core);
        core.fileHeader = false;
        save("core_packed" + std::to_string(bits), core);
    }
}

// Bit-field masks, colours used, and a gap between the colour table and the pixels.
void SaveMasksAndTables(const Save& save) {
    BitmapFields fields565 = Picture(16, 6, 3, 3);
    fields565.masks = {0xF800, 0x07E0, 0x001F};
    save("bitfields565", fields565);
    fields565.fileHeader = false;
    fields565.palette = Palette(2);
    fields565.colorsUsed = 2;
    save("bitfields565_packed", fields565);
    BitmapFields fields32 = Picture(32, 6, 3, 3);
    fields32.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    save("bitfields_10bit", fields32);
    // 32-bit bit-fields whose masks are whole bytes, in an unusual order.
    BitmapFields fields888 = Picture(32, 5, 2, 3);
    fields888.masks = {0x0000FF00, 0xFF000000, 0x00FF0000};
    save("bitfields_888", fields888);

    BitmapFields used = Picture(8, 4, 2);
    used.colorsUsed = 16;
    used.palette = Palette(16);
    save("colors_used16", used);
    BitmapFields gap = Picture(24, 3, 2);
    gap.palette = Palette(4);
    gap.colorsUsed = 4;
    gap.gap = 10;
    save("gap24", gap);
}

// Both RLE kinds, in files and packed, their escapes, and colour tables shorter than the depth.
void SaveRunLengths(const Save& save) {
    std::vector<uint8_t> indices;
    for (int i = 0; i < 20 * 6; ++i) indices.push_back(uint8_t((i / 5) % 7 + (i % 3 == 0)));
    BitmapFields rle8 = Picture(8, 20, 6, 1);
    rle8.pixels = bmpwriter::EncodeRle8(indices, 20, 6);
    save("rle8", rle8);
    // Delta, end-of-line and end-of-bitmap escapes, an odd absolute run and an odd repeat.
    BitmapFields rle4 = Picture(4, 12, 4, 2);
    rle4.pixels = {5, 0x12, 0, 3, 0x34, 0x50, 0, 2, 2, 1, 1, 0x67, 0, 0, 4, 0x89, 0, 1};
    save("rle4", rle4);
    BitmapFields rle8escapes = Picture(8, 8, 4, 1);
    rle8escapes.pixels = {3, 9, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 0, 2, 3, 1, 2, 7, 0, 1};
    save("rle8_escapes", rle8escapes);

    // Both RLE kinds as packed bitmaps too, where the pixels follow the whole colour table.
    BitmapFields rle8packed = rle8;
    rle8packed.fileHeader = false;
    save("rle8_packed", rle8packed);
    BitmapFields rle4packed = rle4;
    rle4packed.fileHeader = false;
    save("rle4_packed", rle4packed);
    // Files that store fewer colours than their depth implies (colours used 0), the pixels
    // right after the entries that are there.
    for (BitmapFields shortTable : {rle8, rle4, Picture(8, 6, 3)}) {
        shortTable.palette = Palette(3);
        const std::string kind = shortTable.compression == 1   ? "rle8"
                                 : shortTable.compression == 2 ? "rle4"
                                                               : "rgb8";
        save("short_table_" + kind, shortTable);
    }
}

// Files the decoder refuses: pixels cut short, a header of a size it does not read.
void SaveRefused(const Save& save) {
    BitmapFields truncated = Picture(24, 8, 8);
    truncated.pixels.resize(truncated.pixels.size() / 2);
    save("truncated24", truncated);
    BitmapFields v5 = Picture(24, 2, 2);
    v5.headerSize = 124;
    save("header124", v5);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::filesystem::create_directories(dir);
    int failures = 0;
    const Save save = [&](const std::string& name, const BitmapFields& f) {
        if (!bmpwriter::WriteFile(dir + "/" + name + ".bmp", bmpwriter::BuildBitmap(f))) ++failures;
    };
    SaveUncompressed(save);
    SaveMasksAndTables(save);
    SaveRunLengths(save);
    SaveRefused(save);
    if (failures) std::fprintf(stderr, "%d seed files could not be written\n", failures);
    return failures ? 1 : 0;
}
