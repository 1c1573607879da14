// Little-endian field reads for the bitmap decoder. Fields in a bitmap file sit at odd offsets,
// so they are assembled byte by byte rather than loaded through casts.
#pragma once

#include <cstdint>

inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

inline uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(ReadLe16(p)) | (uint32_t(ReadLe16(p + 2)) << 16);
}
