// The lit surface: a square grid of vertices in the plane y = 0, shaded per vertex on the CPU from
// a point light. Fixed-size arrays, one per attribute, so the one grid can live in static storage.
#pragma once

#include <cstdint>

#include "surface/vector3f.h"

inline constexpr int MAX_VERTICES = 100000;
// The widest grid whose vertex count fits the arrays: 316 * 316 = 99,856 (317 * 317 does not).
inline constexpr int MAX_GRID_SIDE = 316;

// True when Rebuild lays out a grid of this resolution. A grid has one row and one column for every
// whole number k >= 0 with k < n, so any n above 316 would overflow the arrays; NaN is refused too.
inline constexpr bool GridFits(float gridResolution) {
    return gridResolution <= static_cast<float>(MAX_GRID_SIDE);
}

class SurfaceGrid {
public:
    // Lays the grid out and lights every vertex from the light. A resolution that does not fit
    // (see GridFits) leaves an empty grid (lastIndex -1) and writes none of the arrays.
    void Rebuild(Vector3f lightPosition, float gridResolution);
    // Sends the grid built by the latest Rebuild to OpenGL as shaded, textured quads.
    void Draw(float gridResolution, uint32_t textureName) const;

    int32_t lastIndex;
    Vector3f positions[MAX_VERTICES];
    Vector3f normals[MAX_VERTICES];
    Vector3f highlightPoints[MAX_VERTICES];
    Vector3f toLight[MAX_VERTICES];
    Vector3f lightDirs[MAX_VERTICES];
    float shades[MAX_VERTICES];
    float extent;
};

// Rebuild's code paths, exposed so the tests, the benchmark and the digest can run each of them:
// one vertex at a time (Plain), four at once (SSE2 on x86 and wasm, NEON on ARM64), eight (AVX2).
enum class RebuildPath { Plain, Sse2, Neon, Avx2 };

bool CpuHasAvx2();
// The four-wide path of this build: Neon on ARM64, Sse2 everywhere else.
RebuildPath FourWidePath();
// The path Rebuild takes on this machine: AVX2 where the processor has it, four-wide otherwise.
RebuildPath PreferredRebuildPath();
// "plain", "sse2", "neon" or "avx2".
const char* RebuildPathName(RebuildPath path);
// Rebuild on a chosen path. Asking for a path this build or processor lacks (AVX2 without AVX2,
// the other architecture's four-wide kernel) runs this build's four-wide path instead.
void RebuildOnPath(SurfaceGrid& grid, Vector3f lightPosition, float gridResolution, RebuildPath path);
