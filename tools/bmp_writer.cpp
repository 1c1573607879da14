// Field-by-field bitmap file builder, plus row packing and a simple RLE8 encoder.
#include "tools/bmp_writer.h"

#include <cstdio>

namespace bmpwriter {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::vector<uint8_t> BuildBitmap(const BitmapFields& f) {
    std::vector<uint8_t> header;
    const uint32_t headerSize = f.headerSize.value_or(f.coreHeader ? 12 : 40);
    Put32(header, headerSize);
    if (f.coreHeader) {
        Put16(header, uint32_t(f.width));
        Put16(header, uint32_t(f.height));
        Put16(header, f.planes);
        Put16(header, f.bitCount);
    } else {
        Put32(header, uint32_t(f.width));
        Put32(header, uint32_t(f.height));
        Put16(header, f.planes);
        Put16(header, f.bitCount);
        Put32(header, f.compression);
        Put32(header, f.imageSize);
        Put32(header, f.pixelsPerMetre);
        Put32(header, f.pixelsPerMetre);
        Put32(header, f.colorsUsed);
        Put32(header, 0);
    }
    while (header.size() < headerSize && headerSize <= 1024) header.push_back(0);
    for (uint32_t mask : f.masks) Put32(header, mask);
    for (const Bgr& c : f.palette) {
        header.push_back(c.b);
        header.push_back(c.g);
        header.push_back(c.r);
        if (!f.coreHeader) header.push_back(0);
    }
    header.insert(header.end(), f.gap, 0);

    std::vector<uint8_t> out;
    if (f.fileHeader) {
        const uint32_t offset = f.pixelOffset.value_or(uint32_t(14 + header.size()));
        out.push_back('B');
        out.push_back('M');
        Put32(out, uint32_t(14 + header.size() + f.pixels.size()));
        Put32(out, 0);
        Put32(out, offset);
    }
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), f.pixels.begin(), f.pixels.end());
    return out;
}

std::vector<uint8_t> PackRows(int width, int rows, int bitCount,
                              const std::function<uint32_t(int x, int row)>& value) {
    const size_t stride = (size_t(width) * bitCount + 31) / 32 * 4;
    std::vector<uint8_t> out(stride * rows, 0);
    for (int row = 0; row < rows; ++row) {
        uint8_t* dst = out.data() + stride * row;
        for (int x = 0; x < width; ++x) {
            const uint32_t v = value(x, row);
            switch (bitCount) {
                case 1: dst[x / 8] |= uint8_t((v & 1) << (7 - x % 8)); break;
                case 4: dst[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4)); break;
                case 8: dst[x] = uint8_t(v); break;
                case 16: dst[2 * x] = uint8_t(v), dst[2 * x + 1] = uint8_t(v >> 8); break;
                case 24:
                    dst[3 * x] = uint8_t(v), dst[3 * x + 1] = uint8_t(v >> 8);
                    dst[3 * x + 2] = uint8_t(v >> 16);
                    break;
                case 32:
                    for (int i = 0; i < 4; ++i) dst[4 * x + i] = uint8_t(v >> (8 * i));
                    break;
            }
        }
    }
    return out;
}

std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& indices, int width, int rows) {
    std::vector<uint8_t> out;
    for (int row = 0; row < rows; ++row) {
        const uint8_t* line = indices.data() + size_t(row) * width;
        int x = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < 255 && line[x + run] == line[x]) ++run;
            if (run >= 2) {
                out.push_back(uint8_t(run));
                out.push_back(line[x]);
                x += run;
                continue;
            }
            // Gather pixels up to the next repeat into an absolute run (at least 3 of them).
            int literal = 1;
            while (x + literal < width && literal < 255 &&
                   !(x + literal + 1 < width && line[x + literal] == line[x + literal + 1])) {
                ++literal;
            }
            if (literal < 3) {
                for (int i = 0; i < literal; ++i) out.push_back(1), out.push_back(line[x + i]);
            } else {
                out.push_back(0);
                out.push_back(uint8_t(literal));
                out.insert(out.end(), line + x, line + x + literal);
                if (literal & 1) out.push_back(0);
            }
            x += literal;
        }
        out.push_back(0);
        out.push_back(row + 1 == rows ? 1 : 0);
    }
    return out;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace bmpwriter
