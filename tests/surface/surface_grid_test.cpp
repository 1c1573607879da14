// The lit surface's values: grid layout, shades for the start light and for lights low, high, on
// the plane and on a vertex, grid sizes from empty to full, and refusal of grids that do not fit.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

#include "surface/surface_grid.h"
#include "tests/surface/grid_helpers.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kSpacing = 0.15625f;  // extent 10 over 64 vertices per row
constexpr Vector3f kStartLight{1.0f, 0.5f, 1.0f};

static_assert(GridFits(64.0f) && GridFits(316.0f) && GridFits(0.0f) && GridFits(-5.0f));
static_assert(!GridFits(316.001f) && !GridFits(317.0f) && !GridFits(kInf) && !GridFits(kNaN));

// The drawing and the scene rely on the fields' order and packing.
static_assert(offsetof(SurfaceGrid, lastIndex) < offsetof(SurfaceGrid, positions));
static_assert(offsetof(SurfaceGrid, positions) < offsetof(SurfaceGrid, normals));
static_assert(offsetof(SurfaceGrid, normals) < offsetof(SurfaceGrid, highlightPoints));
static_assert(offsetof(SurfaceGrid, highlightPoints) < offsetof(SurfaceGrid, toLight));
static_assert(offsetof(SurfaceGrid, toLight) < offsetof(SurfaceGrid, lightDirs));
static_assert(offsetof(SurfaceGrid, lightDirs) < offsetof(SurfaceGrid, shades));
static_assert(offsetof(SurfaceGrid, shades) < offsetof(SurfaceGrid, extent));

float Brightest(const SurfaceGrid& grid) {
    float best = -kInf;
    for (int i = 0; i <= grid.lastIndex; ++i) best = std::fmax(best, grid.shades[i]);
    return best;
}

bool AllNaN(Vector3f v) { return std::isnan(v.x) && std::isnan(v.y) && std::isnan(v.z); }

bool IsPositiveZero(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits == 0;
}

TEST(VectorOperations, SumInThirtyTwoBitFloatsFromLeftToRight) {
    EXPECT_EQ(DotProduct({1.0f, 2.0f, 3.0f}, {4.0f, -5.0f, 6.0f}), 12.0f);
    // 1e8 + 1 rounds back to 1e8, so only the left-to-right order gives 0 here.
    EXPECT_EQ(DotProduct({1e8f, 1.0f, -1e8f}, {1.0f, 1.0f, 1.0f}), 0.0f);
    EXPECT_EQ(VectorLength({3.0f, 4.0f, 12.0f}), 13.0f);
    // Left to right the two small squares each round the sum up by 8; added first they would not.
    EXPECT_EQ(VectorLength({1e4f, 2.25f, 2.25f}), 10000.0009765625f);
    EXPECT_TRUE(std::isnan(VectorLength({kNaN, 0.0f, 0.0f})));
}

TEST(SurfaceGrid, LaysOutSixtyFourBySixtyFourVerticesRowByRow) {
    auto grid = MarkedGrid();
    grid->Rebuild(kStartLight, 64.0f);

    ASSERT_EQ(grid->lastIndex, 4095);
    EXPECT_TRUE(SameVector(grid->positions[0], {0.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(SameVector(grid->positions[1], {0.15625f, 0.0f, 0.0f}));
    EXPECT_TRUE(SameVector(grid->positions[64], {0.0f, 0.0f, 0.15625f}));
    EXPECT_TRUE(SameVector(grid->positions[4095], {9.84375f, 0.0f, 9.84375f}));
    for (int i = 0; i <= grid->lastIndex; ++i) {
        const float column = static_cast<float>(i % 64);
        const float row = static_cast<float>(i / 64);
        const Vector3f expected{column * kSpacing, 0.0f, row * kSpacing};
        ASSERT_TRUE(SameVector(grid->positions[i], expected)) << "vertex " << i;
        ASSERT_TRUE(SameVector(grid->normals[i], {0.0f, 1.0f, 0.0f})) << "vertex " << i;
    }
    EXPECT_TRUE(NothingWrittenFrom(*grid, 4096));
}

TEST(SurfaceGrid, ShadesTheStartLight) {
    auto grid = MarkedGrid();
    grid->Rebuild(kStartLight, 64.0f);

    EXPECT_NEAR(grid->shades[0], -0.1978f, 5e-5f);
    EXPECT_NEAR(grid->shades[390], 0.9108f, 5e-5f);
    EXPECT_NEAR(grid->shades[455], 0.9043f, 5e-5f);
    EXPECT_NEAR(grid->shades[63], -0.8883f, 5e-5f);
    EXPECT_NEAR(grid->shades[4095], -0.9056f, 5e-5f);
    EXPECT_TRUE(SameVector(grid->toLight[0], {1.0f, 0.5f, 1.0f}));
    EXPECT_NEAR(grid->lightDirs[0].x, 0.6667f, 5e-5f);
    EXPECT_NEAR(grid->lightDirs[0].y, 0.3333f, 5e-5f);
    EXPECT_NEAR(grid->lightDirs[0].z, 0.6667f, 5e-5f);
    EXPECT_NEAR(grid->highlightPoints[0].x, 1.6667f, 5e-5f);
    EXPECT_NEAR(grid->highlightPoints[0].y, 0.8333f, 5e-5f);
    EXPECT_NEAR(grid->highlightPoints[0].z, 1.6667f, 5e-5f);

    // The lit patch is the disc of radius about 1.18 around the point below the light.
    int positive = 0;
    for (int i = 0; i <= grid->lastIndex; ++i) {
        const Vector3f p = grid->positions[i];
        const float distance = std::hypot(p.x - 1.0f, p.z - 1.0f);
        if (grid->shades[i] > 0.0f) {
            ++positive;
            EXPECT_LT(distance, 1.19f) << "vertex " << i;
        } else {
            EXPECT_GT(distance, 1.17f) << "vertex " << i;
        }
        ASSERT_NEAR(VectorLength(grid->lightDirs[i]), 1.0f, 1e-6f) << "vertex " << i;
    }
    EXPECT_EQ(positive, 172);
}

TEST(SurfaceGrid, VertexRightBelowTheLightGetsTheClosedFormShade) {
    auto grid = MarkedGrid();
    grid->Rebuild({0.9375f, 0.5f, 0.9375f}, 64.0f);
    // Straight below, D = h + 1, so the shade is 1 - 1/(h + (h + 1)^6), exact in floats here.
    EXPECT_EQ(grid->shades[390], 1.0f - 1.0f / (1.5f * 1.5f * 1.5f * 1.5f * 1.5f * 1.5f + 0.5f));
    EXPECT_NEAR(grid->shades[390], 0.9159f, 5e-5f);
    EXPECT_TRUE(SameVector(grid->lightDirs[390], {0.0f, 1.0f, 0.0f}));
    EXPECT_TRUE(SameVector(grid->highlightPoints[390], {0.9375f, 1.5f, 0.9375f}));
}

TEST(SurfaceGrid, LoweringTheLightShrinksTheLitPatchToNothing) {
    auto grid = MarkedGrid();
    grid->Rebuild({1.0f, 0.15f, 1.0f}, 64.0f);
    EXPECT_NEAR(grid->shades[390], 0.181f, 5e-4f);
    EXPECT_EQ(Brightest(*grid), grid->shades[390]);

    grid->Rebuild({1.0f, 0.137f, 1.0f}, 64.0f);
    EXPECT_GT(Brightest(*grid), 0.0f);
    grid->Rebuild({1.0f, 0.135f, 1.0f}, 64.0f);
    EXPECT_LT(Brightest(*grid), 0.0f);

    grid->Rebuild({1.0f, 0.01f, 1.0f}, 64.0f);
    EXPECT_NEAR(Brightest(*grid), -99.0f, 0.5f);
}

TEST(SurfaceGrid, ExtremeHeightsAreStoredUnclamped) {
    auto grid = MarkedGrid();
    // Tiny heights: g is about the height, so the far shades are huge negatives or -infinity.
    grid->Rebuild({1.0f, 1e-30f, 1.0f}, 64.0f);
    EXPECT_LT(grid->shades[4095], -1e29f);
    EXPECT_TRUE(std::isfinite(grid->shades[4095]));
    grid->Rebuild({1.0f, 1e-40f, 1.0f}, 64.0f);
    EXPECT_EQ(grid->shades[4095], -kInf);

    // Huge heights: D^6 overflows to infinity, so every shade is exactly 1.
    for (float height : {1e7f, 1e30f, FLT_MAX}) {
        grid->Rebuild({1.0f, height, 1.0f}, 64.0f);
        ASSERT_EQ(grid->lastIndex, 4095);
        for (int i = 0; i <= grid->lastIndex; ++i)
            ASSERT_EQ(grid->shades[i], 1.0f) << height << " vertex " << i;
    }
}

TEST(SurfaceGrid, LightOnOrBelowThePlaneGivesZeroShadeEverywhere) {
    auto grid = MarkedGrid();
    for (float height : {0.0f, -0.0f, -0.5f, -kInf, kNaN}) {
        for (float across : {1.0f, 5.3f, -2.0f}) {
            grid->Rebuild({across, height, 10.0f - across}, 64.0f);
            ASSERT_EQ(grid->lastIndex, 4095);
            for (int i = 0; i <= grid->lastIndex; ++i)
                ASSERT_TRUE(IsPositiveZero(grid->shades[i])) << height << ", " << across << " vertex " << i;
        }
    }
}

TEST(SurfaceGrid, LightOnAVertexAtHeightZeroGivesThatVertexNaNDirections) {
    auto grid = MarkedGrid();
    const int onLight = 2 * 64 + 1;
    grid->Rebuild({kSpacing, 0.0f, 2 * kSpacing}, 64.0f);
    ASSERT_EQ(grid->lastIndex, 4095);

    EXPECT_TRUE(SameVector(grid->toLight[onLight], {0.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(AllNaN(grid->lightDirs[onLight]));
    EXPECT_TRUE(AllNaN(grid->highlightPoints[onLight]));
    for (int i = 0; i <= grid->lastIndex; ++i) {
        ASSERT_TRUE(IsPositiveZero(grid->shades[i])) << "vertex " << i;
        if (i == onLight) continue;
        ASSERT_NEAR(VectorLength(grid->lightDirs[i]), 1.0f, 1e-6f) << "vertex " << i;
        ASSERT_EQ(grid->highlightPoints[i].y, 0.0f) << "vertex " << i;
    }
}

TEST(SurfaceGrid, SmallAndFractionalResolutions) {
    auto grid = MarkedGrid();
    for (float empty : {0.0f, -3.0f, -kInf}) {
        grid->Rebuild(kStartLight, empty);
        EXPECT_EQ(grid->lastIndex, -1) << empty;
        EXPECT_TRUE(NothingWrittenFrom(*grid, 0)) << empty;
    }

    grid->Rebuild(kStartLight, 1.0f);
    ASSERT_EQ(grid->lastIndex, 0);
    EXPECT_TRUE(SameVector(grid->positions[0], {0.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(SameVector(grid->toLight[0], {1.0f, 0.5f, 1.0f}));
    EXPECT_NEAR(grid->shades[0], -0.1978f, 5e-5f);
    EXPECT_TRUE(NothingWrittenFrom(*grid, 1));

    // 2.5 counts the rows and columns 0, 1 and 2; the spacing stays extent / 2.5.
    grid->Rebuild(kStartLight, 2.5f);
    ASSERT_EQ(grid->lastIndex, 8);
    EXPECT_TRUE(SameVector(grid->positions[1], {4.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(SameVector(grid->positions[5], {8.0f, 0.0f, 4.0f}));
    EXPECT_TRUE(NothingWrittenFrom(*grid, 9));
}

TEST(SurfaceGrid, ResolutionsThatDoNotFitAreRefusedWithoutWriting) {
    auto grid = MarkedGrid();
    for (float tooBig : {316.001f, 317.0f, 1e9f, kInf, kNaN}) {
        grid->lastIndex = 12;
        grid->Rebuild(kStartLight, tooBig);
        EXPECT_EQ(grid->lastIndex, -1) << tooBig;
        EXPECT_TRUE(NothingWrittenFrom(*grid, 0)) << tooBig;
    }

    grid->Rebuild(kStartLight, 316.0f);
    ASSERT_EQ(grid->lastIndex, 316 * 316 - 1);
    const float far = 315.0f * 10.0f / 316.0f;
    EXPECT_TRUE(SameVector(grid->positions[grid->lastIndex], {far, 0.0f, far}));
    EXPECT_TRUE(NothingWrittenFrom(*grid, 316 * 316));
}

TEST(SurfaceGrid, SameLightGivesIdenticalArraysWhateverCameBefore) {
    auto once = MarkedGrid();
    auto again = MarkedGrid();
    once->Rebuild(kStartLight, 64.0f);
    again->Rebuild({4.0f, 2.0f, -1.0f}, 64.0f);
    again->Rebuild(kStartLight, 64.0f);
    EXPECT_EQ(std::memcmp(static_cast<void*>(once.get()), static_cast<void*>(again.get()), sizeof(SurfaceGrid)),
              0);
}

}  // namespace
