// Internal to Rebuild: the per-vertex lighting done one vertex at a time or four or eight at once.
// Every kernel performs the same float operations in the same order, so all give the same bits.
#pragma once

#include "surface/surface_grid.h"

// What stays the same for every vertex of one Rebuild.
struct RebuildFrame {
    Vector3f light;
    float toLightY;        // light.y - 0: every vertex lies in the plane y = 0
    float lightDotNormal;  // DotProduct(light, normal), the same for all vertices
    bool lit;              // light.y > 0; otherwise every shade is 0
    const float* coords;   // coords[m] = m * extent / N: x of column m and z of row m
    const float* rowXs;    // (coords[m], 0, 0) for every column m, packed: a row's positions less z
    int side;              // vertices per row and per column
};

inline constexpr Vector3f kSurfaceNormal{0.0f, 1.0f, 0.0f};

// D^6 + d0 by repeated multiplication, then 1 - 1/g: the shade of a lit vertex.
inline float ShadeFromHighlight(float d, float lightDotNormal) {
    float p = d;
    for (int n = 0; n < 4; ++n) p = d * p;
    const float g = d * p + lightDotNormal;
    return 1.0f - 1.0f / g;
}

void RebuildVertexScalar(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column);
// Each handles columns [column, end) of one row in whole groups of four (eight) and returns the
// first column it left for the next, narrower kernel. The four-wide one is SSE2 on x86 and wasm
// (rebuild_sse2.cpp), NEON on ARM64 (rebuild_neon.cpp); each build compiles one of them.
int RebuildSpanFourWide(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column, int end);
int RebuildSpanAvx2(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column, int end);
