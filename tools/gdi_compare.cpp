// Windows only: converts bitmaps both ways, with our decoder and with GDI (SetDIBits into a
// 24-bit DIB section made by CreateDIBSection, repacked to red, green, blue rows), and compares
// the pixels. Only files our decoder accepts go to GDI: its checks that the headers, colour
// table, masks and pixels lie inside the file are what make a file safe for GDI, which trusts
// the headers.
// Every difference must come from the one known disagreement, the widening of 16- and 32-bit
// channels to 8 bits (see Rounded and Repeated); any other fails the run.
//   gdi_compare <file or folder>...   prints one line per file and a total
#include "image/bitmap_decode.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Counts {
    long files = 0, skipped = 0, pixels = 0, differing = 0, unexplained = 0;
};

// How each side widens a channel of `bits` bits to 8. We round v * 255 / max; GDI repeats the
// value's bits downwards (narrow channels: 5 bits abcde become abcdeabc) or drops the low bits
// (wide ones). Both are fair; they disagree by one step for some values.
uint8_t Rounded(uint32_t v, int bits) {
    const uint32_t max = (uint32_t{1} << bits) - 1;
    return bits == 0 ? 0 : uint8_t((uint64_t{v} * 255 + max / 2) / max);
}

uint8_t Repeated(uint32_t v, int bits) {
    if (bits == 0) return 0;
    if (bits >= 8) return uint8_t(v >> (bits - 8));
    uint32_t out = 0;
    int filled = 0;
    for (; filled < 8; filled += bits) out = (out << bits) | v;
    return uint8_t(out >> (filled - 8));
}

// True when the two sides' pixel at output row `row`, column x differ only by those rules.
bool ExplainedByChannelWidths(const std::vector<uint8_t>& data, const BitmapLayout& layout,
                              uint32_t row, int32_t x, const uint8_t* ours, const uint8_t* gdi) {
    if (layout.bitCount != 16 && layout.bitCount != 32) return false;
    const size_t stride = (size_t(layout.width) * layout.bitCount + 31) / 32 * 4;
    const uint32_t stored = layout.topDown() ? layout.rows() - 1 - row : row;
    const uint8_t* p = data.data() + layout.pixelOffset + stored * stride + x * (layout.bitCount / 8);
    uint32_t pixel = 0;
    for (int b = layout.bitCount / 8 - 1; b >= 0; --b) pixel = (pixel << 8) | p[b];
    for (int c = 0; c < 3; ++c) {
        const uint32_t mask = layout.masks[c];
        const int bits = __builtin_popcount(mask);
        const uint32_t v = mask ? (pixel & mask) >> __builtin_ctz(mask) : 0;
        if (ours[c] != Rounded(v, bits) || gdi[c] != Repeated(v, bits)) return false;
    }
    return true;
}

// The source description GDI is told: the header in its 40-byte form, then the bit-field
// masks or the colour table in 4-byte entries.
std::vector<uint8_t> SourceInfo(const std::vector<uint8_t>& data, const BitmapLayout& layout) {
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 4 * std::max<size_t>(layout.paletteCount, 3));
    auto& header = *reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = layout.width;
    header.biHeight = layout.height;
    header.biPlanes = 1;
    header.biBitCount = layout.bitCount;
    header.biCompression = layout.compression;
    header.biClrUsed = layout.paletteCount;
    const bool rle = layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
    // GDI reads an RLE stream as far as the image size says, which may be 0 in the file: the
    // stream is what lies between the pixel data's start and the file's end.
    header.biSizeImage = rle ? uint32_t(data.size() - layout.pixelOffset) : 0;
    uint8_t* table = info.data() + sizeof(BITMAPINFOHEADER);
    if (layout.compression == BI_BITFIELDS) {
        // The masks take the colour table's place; a table after them means nothing to GDI.
        std::memcpy(table, layout.masks, sizeof layout.masks);
        header.biClrUsed = 0;
        return info;
    }
    for (uint32_t i = 0; i < layout.paletteCount; ++i) {
        const uint8_t* entry = data.data() + layout.paletteOffset + i * layout.paletteEntryBytes;
        std::memcpy(table + 4 * i, entry, 3);
        table[4 * i + 3] = 0;
    }
    return info;
}

// GDI's conversion, bottom row first like our decoder; empty when GDI refuses the file.
std::vector<uint8_t> ConvertWithGdi(const std::vector<uint8_t>& data, const BitmapLayout& layout) {
    std::vector<uint8_t> rgb;
    const std::vector<uint8_t> source = SourceInfo(data, layout);
    BITMAPINFO target{};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = layout.width;
    target.bmiHeader.biHeight = int32_t(layout.rows());  // bottom-up, whatever the source
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 24;
    target.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP section = dc ? CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (section && SelectObject(dc, section) &&
        SetDIBits(dc, section, 0, layout.rows(), data.data() + layout.pixelOffset,
                  reinterpret_cast<const BITMAPINFO*>(source.data()), DIB_RGB_COLORS) != 0) {
        GdiFlush();
        const size_t stride = (size_t(layout.width) * 3 + 3) & ~size_t{3};
        const auto* memory = static_cast<const uint8_t*>(bits);
        for (uint32_t row = 0; row < layout.rows(); ++row) {
            const uint8_t* p = memory + row * stride;
            for (int32_t x = 0; x < layout.width; ++x, p += 3) rgb.insert(rgb.end(), {p[2], p[1], p[0]});
        }
    }
    if (dc) DeleteDC(dc);
    if (section) DeleteObject(section);
    return rgb;
}

void Compare(const std::filesystem::path& path, Counts& counts) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string name = path.filename().string();
    BitmapLayout layout;
    RgbImage* ours = nullptr;
    if (ParseBitmap(data, layout) != BitmapError::None || DecodeBitmap(data, ours) != BitmapError::None) {
        std::printf("%-24s left out: our decoder refuses it\n", name.c_str());
        ++counts.skipped;
        return;
    }
    const std::vector<uint8_t> gdi = ConvertWithGdi(data, layout);
    const size_t bytes = layout.outputBytes();
    long differing = 0, unexplained = 0;
    for (size_t i = 0; i < bytes && gdi.size() == bytes; i += 3) {
        if (std::memcmp(ours->pixels + i, gdi.data() + i, 3) == 0) continue;
        ++differing;
        const size_t pixel = i / 3;
        if (!ExplainedByChannelWidths(data, layout, uint32_t(pixel / size_t(layout.width)),
                                      int32_t(pixel % size_t(layout.width)), ours->pixels + i,
                                      gdi.data() + i))
            ++unexplained;
    }
    const long pixels = long(bytes / 3);
    if (gdi.size() != bytes) differing = unexplained = pixels;
    std::printf("%-24s %2d bits, compression %u, %4d x %-4u %6ld pixels, %3ld differ, %3ld of them "
                "unexplained%s\n",
                name.c_str(), layout.bitCount, layout.compression, layout.width, layout.rows(), pixels,
                differing, unexplained, gdi.size() != bytes ? " (GDI refused it)" : "");
    std::free(ours->pixels);
    std::free(ours);
    ++counts.files;
    counts.pixels += pixels;
    counts.differing += differing;
    counts.unexplained += unexplained;
}

}  // namespace

int main(int argc, char** argv) {
    Counts counts;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            files.push_back(path);
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) Compare(file, counts);
    }
    std::printf("%ld files compared (%ld left out), %ld pixels, %ld differ, all but %ld by the "
                "widening of 16- and 32-bit channels\n",
                counts.files, counts.skipped, counts.pixels, counts.differing, counts.unexplained);
    return counts.files > 0 && counts.unexplained == 0 ? 0 : 1;
}
