// Prints a digest of everything Rebuild computes (positions, normals, light vectors, highlight
// points, shades) for a fixed set of lights, on every path this build and processor have. Every
// build must print the same lines, ARM64's "neon" lines being the others' "sse2": the lighting is
// bit-exact on every compiler, system and processor.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "surface/surface_grid.h"

namespace {

// FNV-1a over the bytes of the grid's arrays up to its last vertex, every NaN counted as the one
// quiet NaN 0x7fc00000: the sign and payload of a NaN made by 0/0 or inf/inf are the processor's
// (x86 gives 0xffc00000, ARM 0x7fc00000), and no use of the values tells them apart.
uint64_t Digest(const SurfaceGrid& grid) {
    uint64_t hash = 1469598103934665603ull;
    auto add = [&hash](const void* data, size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < bytes; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    };
    auto addFloats = [&add](const float* values, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const float f = std::isnan(values[i]) ? std::numeric_limits<float>::quiet_NaN() : values[i];
            add(&f, sizeof f);
        }
    };
    const size_t n = grid.lastIndex + 1 > 0 ? size_t(grid.lastIndex) + 1 : 0;
    add(&grid.lastIndex, sizeof grid.lastIndex);
    for (const Vector3f* vectors :
         {grid.positions, grid.normals, grid.toLight, grid.lightDirs, grid.highlightPoints})
        addFloats(reinterpret_cast<const float*>(vectors), 3 * n);
    addFloats(grid.shades, n);
    return hash;
}

// The light as bits: the C libraries of the two systems spell NaN and hex floats differently.
unsigned Bits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

}  // namespace

int main() {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Vector3f lights[] = {
        {1.0f, 0.5f, 1.0f},   {1.01f, 0.5f, 0.99f}, {5.0f, 0.2f, 5.0f},  {9.84375f, 3.0f, -2.0f},
        {0.0f, 0.0f, 0.0f},   {2.0f, -0.5f, 2.0f},  {1e-40f, 1e-30f, 0.15625f},
        {1e30f, 1e30f, 1e30f}, {inf, 1.0f, 1.0f},   {1.0f, nan, 1.0f},
    };
    const float resolutions[] = {64.0f, 1.0f, 316.0f};
    auto grid = std::make_unique<SurfaceGrid>();
    for (RebuildPath path : {RebuildPath::Plain, FourWidePath(), RebuildPath::Avx2}) {
        if (path == RebuildPath::Avx2 && !CpuHasAvx2()) continue;
        for (float resolution : resolutions) {
            for (const Vector3f& light : lights) {
                std::memset(static_cast<void*>(grid.get()), 0, sizeof(SurfaceGrid));
                grid->extent = 10.0f;
                RebuildOnPath(*grid, light, resolution, path);
                std::printf("%s n=%u light=%08x,%08x,%08x %016llx\n",
                            RebuildPathName(path), unsigned(resolution),
                            Bits(light.x), Bits(light.y), Bits(light.z),
                            static_cast<unsigned long long>(Digest(*grid)));
            }
        }
    }
    return 0;
}
