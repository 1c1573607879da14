// Header handling of the bitmap decoder: both file forms, both header sizes, the colour count,
// the normalised description and every check that the decoder's reads stay inside the data.
#include <bit>

#include "image/bitmap_bytes.h"
#include "image/bitmap_decode.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr size_t kMaskBytes = 12;

uint16_t ColorsForDepth(uint16_t bitCount) {
    switch (bitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

// True when [offset, offset + length) lies inside a buffer of `size` bytes.
bool Inside(uint64_t offset, uint64_t length, uint64_t size) {
    return offset <= size && length <= size - offset;
}

bool ValidDepthAndCompression(uint16_t bitCount, uint32_t compression) {
    switch (compression) {
        case BI_RGB:
            return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                   bitCount == 24 || bitCount == 32;
        case BI_RLE8: return bitCount == 8;
        case BI_RLE4: return bitCount == 4;
        case BI_BITFIELDS: return bitCount == 16 || bitCount == 32;
        default: return false;
    }
}

// A mask must be one run of set bits (or empty) inside a pixel of `bitCount` bits.
bool ValidMask(uint32_t mask, uint16_t bitCount) {
    if (mask == 0) return true;
    if (bitCount < 32 && (mask >> bitCount) != 0) return false;
    const uint32_t run = mask >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

}  // namespace

const char* BitmapErrorMessage(BitmapError error) {
    switch (error) {
        case BitmapError::None: return "";
        case BitmapError::OpenFailed: return "Failed to open DIB file %s.\n";
        case BitmapError::OutOfMemory: return "Out of memory.";
        case BitmapError::UnknownFormat: return "Unknown DIB file format.";
        case BitmapError::ConversionFailed: return "Image file conversion error.";
    }
    return "Image file conversion error.";
}

uint16_t CountPaletteColors(std::span<const uint8_t> header) {
    if (header.size() < 4) return 0;
    if (ReadLe32(header.data()) == kCoreHeaderBytes) {
        return header.size() < 12 ? 0 : ColorsForDepth(ReadLe16(header.data() + 10));
    }
    if (header.size() < 36) return 0;
    const uint16_t used = ReadLe16(header.data() + 32);  // only the low half counts
    if (ReadLe32(header.data() + 32) != 0) return used;
    return ColorsForDepth(ReadLe16(header.data() + 14));
}

uint16_t CountPaletteColors(const uint8_t* header) {
    const size_t readable = ReadLe32(header) == kCoreHeaderBytes ? 12 : 36;
    return CountPaletteColors(std::span<const uint8_t>(header, readable));
}

namespace {

// The header's fields in the 40-byte form, with the image size and colours used filled in
// where the header leaves them 0.
void ReadHeaderFields(const uint8_t* header, uint32_t headerSize, uint16_t count,
                      BitmapLayout& layout) {
    layout.paletteCount = count;
    if (headerSize == kCoreHeaderBytes) {
        layout.width = ReadLe16(header + 4);
        layout.height = ReadLe16(header + 6);
        layout.planes = ReadLe16(header + 8);
        layout.bitCount = ReadLe16(header + 10);
        layout.colorsUsed = count;
        layout.paletteEntryBytes = 3;
    } else {
        layout.width = int32_t(ReadLe32(header + 4));
        layout.height = int32_t(ReadLe32(header + 8));
        layout.planes = ReadLe16(header + 12);
        layout.bitCount = ReadLe16(header + 14);
        layout.compression = ReadLe32(header + 16);
        layout.imageSize = ReadLe32(header + 20);
        layout.colorsUsed = ReadLe32(header + 32);
        layout.paletteEntryBytes = 4;
    }
    if (layout.imageSize == 0) {
        // Unpadded rows, wrapping like the 32-bit field it stands in for.
        layout.imageSize = ((uint32_t(layout.bitCount) * uint32_t(layout.width) + 7) >> 3) *
                           uint32_t(layout.height);
    }
    if (layout.colorsUsed == 0) layout.colorsUsed = count;
}

// A depth, compression and size the decoder takes.
bool ValidPicture(const BitmapLayout& layout) {
    if (layout.planes != 1 || !ValidDepthAndCompression(layout.bitCount, layout.compression))
        return false;
    if (layout.width <= 0 || layout.height == 0 || layout.height == INT32_MIN) return false;
    const bool rle = layout.compression == BI_RLE8 || layout.compression == BI_RLE4;
    return !(rle && layout.topDown());
}

// The colour table of a picture of 8 bits or fewer: in a file, cut short where the pixels or the
// file begin; in a packed bitmap, all there.
bool PlacePalette(uint64_t size, bool fileForm, uint64_t paletteBytes, BitmapLayout& layout) {
    if (layout.bitCount > 8) return true;
    if (fileForm) {
        // Writers often leave colours used at 0 and store only the entries they use, with the
        // pixels right after them: the table ends where the pixels begin or the file ends, and
        // indices past the entries that are there read as black.
        const uint64_t end = layout.pixelOffset < size ? layout.pixelOffset : size;
        const uint64_t room = end > layout.paletteOffset ? end - layout.paletteOffset : 0;
        const uint64_t entries = room / layout.paletteEntryBytes;
        if (entries < layout.paletteCount) layout.paletteCount = uint16_t(entries);
        return true;
    }
    // A packed bitmap's pixels start after the whole table, so it must all be there.
    return Inside(layout.paletteOffset, paletteBytes, size);
}

// The channel masks: read and checked for bit fields, the fixed ones of 16 and 32 bits.
bool ReadMasks(std::span<const uint8_t> data, size_t masksOffset, BitmapLayout& layout) {
    if (layout.compression == BI_BITFIELDS) {
        if (!Inside(masksOffset, kMaskBytes, data.size())) return false;
        for (int i = 0; i < 3; ++i) {
            layout.masks[i] = ReadLe32(data.data() + masksOffset + 4 * i);
            if (!ValidMask(layout.masks[i], layout.bitCount)) return false;
        }
    } else if (layout.bitCount == 16) {
        layout.masks[0] = 0x7C00, layout.masks[1] = 0x03E0, layout.masks[2] = 0x001F;
    } else if (layout.bitCount == 32) {
        layout.masks[0] = 0xFF0000, layout.masks[1] = 0xFF00, layout.masks[2] = 0xFF;
    }
    return true;
}

// Every stored row of an uncompressed picture is there; the last one may lack its padding.
bool PixelsPresent(uint64_t size, const BitmapLayout& layout) {
    if (layout.pixelOffset > size) return false;
    if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4) return true;
    const uint64_t rowBits = uint64_t(layout.width) * layout.bitCount;
    const uint64_t stride = (rowBits + 31) / 32 * 4;
    const uint64_t needed = (layout.rows() - 1) * stride + (rowBits + 7) / 8;
    return Inside(layout.pixelOffset, needed, size);
}

}  // namespace

BitmapError ParseBitmap(std::span<const uint8_t> data, BitmapLayout& layout) {
    layout = BitmapLayout{};
    const uint64_t size = data.size();
    const bool fileForm = size >= 2 && data[0] == 'B' && data[1] == 'M';
    const size_t headerStart = fileForm ? kFileHeaderBytes : 0;
    // Without its size field the header cannot be recognised at all.
    if (!Inside(headerStart, 4, size)) return BitmapError::UnknownFormat;
    const uint8_t* header = data.data() + headerStart;
    const uint16_t count = CountPaletteColors(data.subspan(headerStart));
    const uint32_t headerSize = ReadLe32(header);
    if (headerSize != kCoreHeaderBytes && headerSize != kInfoHeaderBytes) {
        return BitmapError::UnknownFormat;
    }
    if (!Inside(headerStart, headerSize, size)) return BitmapError::ConversionFailed;
    ReadHeaderFields(header, headerSize, count, layout);

    // The bit-field masks follow the info header; in a packed bitmap they come before the
    // colour table, which in turn comes before the pixels.
    const size_t masksOffset = headerStart + headerSize;
    layout.paletteOffset = masksOffset + (layout.compression == BI_BITFIELDS ? kMaskBytes : 0);
    const uint64_t paletteBytes = uint64_t{count} * layout.paletteEntryBytes;
    layout.pixelOffset = fileForm ? ReadLe32(data.data() + 10)
                                  : size_t(layout.paletteOffset + paletteBytes);

    if (!ValidPicture(layout) || !PlacePalette(size, fileForm, paletteBytes, layout) ||
        !ReadMasks(data, masksOffset, layout) || !PixelsPresent(size, layout)) {
        return BitmapError::ConversionFailed;
    }
    if (uint64_t(layout.width) * layout.rows() * 3 > kMaxDecodedBytes) {
        return BitmapError::OutOfMemory;
    }
    return BitmapError::None;
}
