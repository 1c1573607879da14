// Which vector kernels Rebuild asks for. Every path gives the same bits, so the choice shows only
// here, where the kernels are recording stand-ins that leave each row to the single-vertex code.
#include <gtest/gtest.h>

#include "surface/rebuild_kernels.h"
#include "tests/surface/grid_helpers.h"

namespace {
int fourRows = 0;  // rows given to this build's four-wide kernel, SSE2 or NEON
int avx2Rows = 0;
}  // namespace

int RebuildSpanFourWide(SurfaceGrid&, const RebuildFrame&, int, int column, int) {
    ++fourRows;
    return column;
}

int RebuildSpanAvx2(SurfaceGrid&, const RebuildFrame&, int, int column, int) {
    ++avx2Rows;
    return column;
}

TEST(RebuildChoice, RebuildTakesTheWidestKernelTheProcessorHas) {
#if defined(__aarch64__)
    EXPECT_EQ(FourWidePath(), RebuildPath::Neon);
#else
    EXPECT_EQ(FourWidePath(), RebuildPath::Sse2);
#endif
    EXPECT_EQ(PreferredRebuildPath(), CpuHasAvx2() ? RebuildPath::Avx2 : FourWidePath());
    auto grid = MarkedGrid();
    grid->Rebuild({2.0f, 0.7f, 3.0f}, 64.0f);
    EXPECT_EQ(avx2Rows, CpuHasAvx2() ? 64 : 0);
    EXPECT_EQ(fourRows, 64);  // for what is left of each row
    EXPECT_EQ(grid->lastIndex, 4095);

    // The other architecture's four-wide path, asked for, is this build's.
    for (RebuildPath path : {RebuildPath::Sse2, RebuildPath::Neon}) {
        avx2Rows = fourRows = 0;
        RebuildOnPath(*grid, {2.0f, 0.7f, 3.0f}, 64.0f, path);
        EXPECT_EQ(avx2Rows, 0);
        EXPECT_EQ(fourRows, 64);
    }

    avx2Rows = fourRows = 0;
    RebuildOnPath(*grid, {2.0f, 0.7f, 3.0f}, 64.0f, RebuildPath::Plain);
    EXPECT_EQ(avx2Rows + fourRows, 0);
    EXPECT_EQ(grid->lastIndex, 4095);
}
