// PNG container (signature, IHDR, one IDAT, IEND) around a zlib stream of stored blocks.
#include "tools/png_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace pngwriter {

namespace {

uint32_t Crc32(const uint8_t* data, size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, std::string_view type, const std::vector<uint8_t>& body) {
    PutBig32(out, uint32_t(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream (no preset dictionary, "fastest" level flag) of stored blocks, each at most
// 65535 bytes as deflate allows.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t length = std::min<size_t>(raw.size() - pos, 65535);
        const bool last = pos + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(uint8_t(length));
        out.push_back(uint8_t(length >> 8));
        out.push_back(uint8_t(~length));
        out.push_back(uint8_t(~length >> 8));
        out.insert(out.end(), raw.begin() + pos, raw.begin() + pos + length);
        pos += length;
    } while (pos < raw.size());
    PutBig32(out, Adler32(raw));
    return out;
}

}  // namespace

std::vector<uint8_t> EncodeRgba(int width, int height, const std::vector<uint8_t>& rgba) {
    const size_t rowBytes = size_t(width) * 4;
    std::vector<uint8_t> filtered;
    filtered.reserve((rowBytes + 1) * size_t(height));
    for (int y = 0; y < height; ++y) {
        filtered.push_back(0);  // filter type None: nothing to gain without compression
        const auto row = rgba.begin() + std::ptrdiff_t(rowBytes * size_t(y));
        filtered.insert(filtered.end(), row, row + std::ptrdiff_t(rowBytes));
    }

    std::vector<uint8_t> header;
    PutBig32(header, uint32_t(width));
    PutBig32(header, uint32_t(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter set, no interlace

    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", StoredZlib(filtered));
    PutChunk(out, "IEND", {});
    return out;
}

}  // namespace pngwriter
