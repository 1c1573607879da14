// Writes 8-bit RGBA PNG files without a compression library: the image data goes into
// stored (uncompressed) deflate blocks. The files are larger than zlib would make them, but
// the bytes depend on nothing but the pixels, so a committed picture regenerates exactly on
// any machine and any zlib version.
#pragma once

#include <cstdint>
#include <vector>

namespace pngwriter {

// rgba: width * height * 4 bytes, top row first.
std::vector<uint8_t> EncodeRgba(int width, int height, const std::vector<uint8_t>& rgba);

}  // namespace pngwriter
