// Rebuild: lays out the grid and lights it, one row at a time, with the widest vector kernel the
// processor allows and single vertices for what is left at the end of a row.
#include "surface/surface_grid.h"

#include "surface/rebuild_kernels.h"

static_assert(sizeof(Vector3f) == 3 * sizeof(float), "the drawing reads positions as packed x, y, z");

bool CpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    return hasAvx2;
#else
    return false;  // wasm and ARM64: the four-wide kernel is the widest
#endif
}

RebuildPath FourWidePath() {
#if defined(__aarch64__)
    return RebuildPath::Neon;
#else
    return RebuildPath::Sse2;
#endif
}

RebuildPath PreferredRebuildPath() { return CpuHasAvx2() ? RebuildPath::Avx2 : FourWidePath(); }

const char* RebuildPathName(RebuildPath path) {
    switch (path) {
        case RebuildPath::Plain: return "plain";
        case RebuildPath::Sse2: return "sse2";
        case RebuildPath::Neon: return "neon";
        case RebuildPath::Avx2: return "avx2";
    }
    return "?";
}

void SurfaceGrid::Rebuild(Vector3f lightPosition, float gridResolution) {
    RebuildOnPath(*this, lightPosition, gridResolution, PreferredRebuildPath());
}

void RebuildOnPath(SurfaceGrid& grid, Vector3f lightPosition, float gridResolution, RebuildPath path) {
    if (!GridFits(gridResolution)) {
        grid.lastIndex = -1;
        return;
    }
    int side = 0;
    while (static_cast<float>(side) < gridResolution) ++side;

    // Column m and row m share one coordinate, m * extent / N (multiplied first, then divided).
    float coords[MAX_GRID_SIDE];
    float rowXs[3 * MAX_GRID_SIDE];
    for (int m = 0; m < side; ++m) {
        coords[m] = static_cast<float>(m) * grid.extent / gridResolution;
        rowXs[3 * m] = coords[m];
        rowXs[3 * m + 1] = 0.0f;
        rowXs[3 * m + 2] = 0.0f;
    }

    const Vector3f light = lightPosition;
    const RebuildFrame frame{light, light.y - 0.0f, DotProduct(light, kSurfaceNormal), light.y > 0.0f,
                             coords, rowXs, side};
    const bool eight = path == RebuildPath::Avx2 && CpuHasAvx2();
    const bool four = path != RebuildPath::Plain;
    for (int row = 0; row < side; ++row) {
        int column = 0;
        if (eight) column = RebuildSpanAvx2(grid, frame, row, column, side);
        if (four) column = RebuildSpanFourWide(grid, frame, row, column, side);
        for (; column < side; ++column) RebuildVertexScalar(grid, frame, row, column);
    }
    grid.lastIndex = side * side - 1;
}

void RebuildVertexScalar(SurfaceGrid& grid, const RebuildFrame& frame, int row, int column) {
    const int i = row * frame.side + column;
    const Vector3f l = frame.light;
    const Vector3f position{frame.coords[column], 0.0f, frame.coords[row]};
    const Vector3f toLight{l.x - position.x, frame.toLightY, l.z - position.z};
    const float length = VectorLength(toLight);
    const Vector3f dir{toLight.x / length, toLight.y / length, toLight.z / length};
    const Vector3f highlight{l.x + dir.x, l.y + dir.y, l.z + dir.z};

    grid.positions[i] = position;
    grid.normals[i] = kSurfaceNormal;
    grid.toLight[i] = toLight;
    grid.lightDirs[i] = dir;
    grid.highlightPoints[i] = highlight;
    grid.shades[i] =
        frame.lit ? ShadeFromHighlight(DotProduct(kSurfaceNormal, highlight), frame.lightDotNormal) : 0.0f;
}
