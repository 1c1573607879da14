// Every vector path of Rebuild against the plain eight-pass reference: the same bits (any NaN
// matching any NaN) for ordinary and hostile lights and resolutions, and nothing written past
// the grid.
#include <gtest/gtest.h>

#include <cfloat>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "bench/surface/reference_rebuild.h"
#include "surface/surface_grid.h"
#include "tests/surface/grid_helpers.h"

void PrintTo(RebuildPath path, std::ostream* out) { *out << RebuildPathName(path); }

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
const float kSignalingNaN = std::numeric_limits<float>::signaling_NaN();

const std::vector<float> kHostileAcross{1.0f,   0.0f,    -0.0f, 0.15625f, 9.84375f, -3.5f, 1e-30f,
                                        1e-40f, 1e30f,   FLT_MAX, kInf,   -kInf,    kNaN};
const std::vector<float> kHostileHeights{0.5f,  0.0f,  -0.0f,  -1.0f,   1e-30f, 1e-40f, 0.136f,
                                         0.15f, 1e7f,  1e30f,  FLT_MAX, kInf,   -kInf,  kNaN};

// Runs the reference and the path on the same light and compares every entry of the grid.
::testing::AssertionResult MatchesReference(SurfaceGrid& expected, SurfaceGrid& actual, RebuildPath path,
                                            Vector3f light, float resolution) {
    const int marked = expected.lastIndex + 1 > 0 ? expected.lastIndex + 1 : 0;
    MarkVertices(expected, marked);
    MarkVertices(actual, marked);
    ReferenceRebuild(expected, light, resolution);
    RebuildOnPath(actual, light, resolution, path);

    auto where = [&](int i) {
        return ::testing::AssertionFailure() << "light (" << light.x << ", " << light.y << ", " << light.z
                                             << "), resolution " << resolution << ", extent " << actual.extent
                                             << ": vertex " << i << " differs";
    };
    if (expected.lastIndex != actual.lastIndex)
        return where(-1) << " (lastIndex " << actual.lastIndex << ", expected " << expected.lastIndex << ")";
    for (int i = 0; i <= expected.lastIndex; ++i) {
        if (!SameVector(expected.positions[i], actual.positions[i])) return where(i) << " in positions";
        if (!SameVector(expected.normals[i], actual.normals[i])) return where(i) << " in normals";
        if (!SameVector(expected.toLight[i], actual.toLight[i])) return where(i) << " in toLight";
        if (!SameVector(expected.lightDirs[i], actual.lightDirs[i])) return where(i) << " in lightDirs";
        if (!SameVector(expected.highlightPoints[i], actual.highlightPoints[i]))
            return where(i) << " in highlightPoints";
        if (!SameFloat(expected.shades[i], actual.shades[i]))
            return where(i) << " in shades (" << actual.shades[i] << ", expected " << expected.shades[i]
                            << ")";
    }
    // A wide kernel running past the end of the grid would show within one vector's width.
    const int past = actual.lastIndex + 1;
    if (!NothingWrittenFrom(actual, past, 16)) return where(past) << " (past the grid): written";
    return ::testing::AssertionSuccess();
}

class RebuildPathTest : public ::testing::TestWithParam<RebuildPath> {
protected:
    void SetUp() override {
        if (GetParam() == RebuildPath::Avx2 && !CpuHasAvx2()) GTEST_SKIP() << "this processor has no AVX2";
    }
    std::unique_ptr<SurfaceGrid> expected_ = MarkedGrid();
    std::unique_ptr<SurfaceGrid> actual_ = MarkedGrid();
};

TEST_P(RebuildPathTest, MatchesReferenceForHostileLights) {
    for (float resolution : {0.0f, 1.0f, 2.0f, 63.0f, 64.0f}) {
        for (float x : kHostileAcross)
            for (float y : kHostileHeights)
                for (float z : kHostileAcross)
                    ASSERT_TRUE(MatchesReference(*expected_, *actual_, GetParam(), {x, y, z}, resolution));
    }
    for (float y : kHostileHeights) {
        for (Vector3f light : {Vector3f{1.0f, y, 1.0f}, Vector3f{kInf, y, 3.0f}, Vector3f{5.0f, y, kNaN},
                               Vector3f{kSignalingNaN, y, kSignalingNaN}})
            ASSERT_TRUE(MatchesReference(*expected_, *actual_, GetParam(), light, 316.0f));
    }
}

TEST_P(RebuildPathTest, MatchesReferenceForRandomLightsSizesAndExtents) {
    std::mt19937 random(20240607u);
    std::uniform_real_distribution<float> across(-5.0f, 15.0f);
    std::uniform_real_distribution<float> height(-1.0f, 3.0f);
    for (int n = 0; n < 300; ++n) {
        const Vector3f light{across(random), height(random), across(random)};
        ASSERT_TRUE(MatchesReference(*expected_, *actual_, GetParam(), light, 64.0f));
    }
    for (float extent : {10.0f, 7.3f, 0.0f, -4.0f, 1e-40f, FLT_MAX, -FLT_MAX, kInf}) {
        expected_->extent = actual_->extent = extent;
        for (float resolution : {2.5f, 5.0f, 7.75f, 9.0f, 17.0f, 63.5f, 315.5f, -2.0f, 400.0f, kNaN}) {
            for (int n = 0; n < 3; ++n) {
                const Vector3f light{across(random), height(random), across(random)};
                ASSERT_TRUE(MatchesReference(*expected_, *actual_, GetParam(), light, resolution));
            }
        }
    }
}

// Each build's own four-wide path: SSE2, or NEON on ARM64.
INSTANTIATE_TEST_SUITE_P(Paths, RebuildPathTest,
                         ::testing::Values(RebuildPath::Plain, FourWidePath(), RebuildPath::Avx2),
                         [](const auto& info) { return std::string(RebuildPathName(info.param)); });

}  // namespace
