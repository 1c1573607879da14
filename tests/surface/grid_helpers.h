// Helpers shared by the surface tests: grids on the heap (they are 6.4 MB), filled with a marker
// so that writes beyond the grid show, and a bit comparison that lets any NaN match any NaN.
#pragma once

#include <cmath>
#include <cstring>
#include <memory>

#include "surface/surface_grid.h"

inline constexpr unsigned char kUnwritten = 0xA5;  // 0xA5A5A5A5 is a small negative float, not NaN

inline std::unique_ptr<SurfaceGrid> MarkedGrid(float extent = 10.0f) {
    auto grid = std::make_unique<SurfaceGrid>();
    std::memset(static_cast<void*>(grid.get()), kUnwritten, sizeof(SurfaceGrid));
    grid->extent = extent;
    return grid;
}

inline bool SameFloat(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool SameVector(Vector3f a, Vector3f b) {
    return SameFloat(a.x, b.x) && SameFloat(a.y, b.y) && SameFloat(a.z, b.z);
}

// True when no byte of the entries [first, first + count) of the array was written.
template <typename T>
bool Unwritten(const T* array, int first, int count) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(array + first);
    for (std::size_t b = 0; b < count * sizeof(T); ++b)
        if (bytes[b] != kUnwritten) return false;
    return true;
}

// True when no array entry from `first` on (by default, up to the capacity) was written.
inline bool NothingWrittenFrom(const SurfaceGrid& grid, int first, int count = -1) {
    if (count < 0 || first + count > MAX_VERTICES) count = MAX_VERTICES - first;
    return Unwritten(grid.positions, first, count) && Unwritten(grid.normals, first, count) &&
           Unwritten(grid.highlightPoints, first, count) && Unwritten(grid.toLight, first, count) &&
           Unwritten(grid.lightDirs, first, count) && Unwritten(grid.shades, first, count);
}

// Marks the first `count` entries of every array as unwritten again.
inline void MarkVertices(SurfaceGrid& grid, int count) {
    std::memset(static_cast<void*>(grid.positions), kUnwritten, count * sizeof(Vector3f));
    std::memset(static_cast<void*>(grid.normals), kUnwritten, count * sizeof(Vector3f));
    std::memset(static_cast<void*>(grid.highlightPoints), kUnwritten, count * sizeof(Vector3f));
    std::memset(static_cast<void*>(grid.toLight), kUnwritten, count * sizeof(Vector3f));
    std::memset(static_cast<void*>(grid.lightDirs), kUnwritten, count * sizeof(Vector3f));
    std::memset(static_cast<void*>(grid.shades), kUnwritten, count * sizeof(float));
}
