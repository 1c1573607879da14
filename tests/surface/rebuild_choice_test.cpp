// Which vector kernels Rebuild asks for. Every path gives the same bits, so the choice shows only
// here, where the kernels are recording stand-ins that leave each row to the single-vertex code.
#include <gtest/gtest.h>

#include "surface/rebuild_kernels.h"
#include "tests/surface/grid_helpers.h"

namespace {
int sse2Rows = 0;
int avx2Rows = 0;
}  // namespace

int RebuildSpanSse2(SurfaceGrid&, const RebuildFrame&, int, int column, int) {
    ++sse2Rows;
    return column;
}

int RebuildSpanAvx2(SurfaceGrid&, const RebuildFrame&, int, int column, int) {
    ++avx2Rows;
    return column;
}

TEST(RebuildChoice, RebuildTakesTheWidestKernelTheProcessorHas) {
    EXPECT_EQ(PreferredRebuildPath(), CpuHasAvx2() ? RebuildPath::Avx2 : RebuildPath::Sse2);
    auto grid = MarkedGrid();
    grid->Rebuild({2.0f, 0.7f, 3.0f}, 64.0f);
    EXPECT_EQ(avx2Rows, CpuHasAvx2() ? 64 : 0);
    EXPECT_EQ(sse2Rows, 64);  // for what is left of each row
    EXPECT_EQ(grid->lastIndex, 4095);

    avx2Rows = sse2Rows = 0;
    RebuildOnPath(*grid, {2.0f, 0.7f, 3.0f}, 64.0f, RebuildPath::Sse2);
    EXPECT_EQ(avx2Rows, 0);
    EXPECT_EQ(sse2Rows, 64);
}
