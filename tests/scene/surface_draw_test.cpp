// The surface as OpenGL receives it: every quad's corners, colours and texture coordinates,
// recorded by the GL stand-in.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "surface/surface_grid.h"
#include "tests/gl_recorder/gl_recorder.h"

namespace {

constexpr double SPACING = 10.0 / 64.0;

SurfaceGrid& LitGrid() {
    static SurfaceGrid grid;
    grid.extent = 10.0f;
    grid.Rebuild(Vector3f{1.0f, 0.5f, 1.0f}, 64.0f);
    return grid;
}

// The grid index a recorded vertex came from, read back from its position.
int IndexOf(const gl_recorder::Call& vertex) {
    const int column = int(std::lround(vertex.args[0] / SPACING));
    const int row = int(std::lround(vertex.args[2] / SPACING));
    return row * 64 + column;
}

struct Corner {
    const gl_recorder::Call* color;
    const gl_recorder::Call* texCoord;
    const gl_recorder::Call* vertex;
};

// Corner k (0-3) of quad q, after the two state calls that open the draw.
Corner CornerOf(int quad, int k) {
    const auto& calls = gl_recorder::Calls();
    const size_t at = 2 + size_t(quad) * 14 + 1 + size_t(k) * 3;
    return {&calls[at], &calls[at + 1], &calls[at + 2]};
}

int CornerIndex(int quad, int k) { return IndexOf(*CornerOf(quad, k).vertex); }

class SurfaceDrawTest : public ::testing::Test {
protected:
    void SetUp() override { gl_recorder::Reset(); }
};

TEST_F(SurfaceDrawTest, SetsModulateAndBindsTheTextureFirst) {
    const SurfaceGrid& grid = LitGrid();
    grid.Draw(64.0f, 7);
    const auto& calls = gl_recorder::Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].name, "glTexEnvi");
    EXPECT_EQ(calls[0].args, (std::vector<double>{0x2300, 0x2200, 0x2100}));
    EXPECT_EQ(calls[1].name, "glBindTexture");
    EXPECT_EQ(calls[1].args, (std::vector<double>{0x0DE1, 7}));
}

TEST_F(SurfaceDrawTest, EveryCellIsOneQuadWithCornersInOrder) {
    const SurfaceGrid& grid = LitGrid();
    grid.Draw(64.0f, 1);
    const auto& calls = gl_recorder::Calls();
    ASSERT_EQ(calls.size(), 2u + 3969u * 14u);
    EXPECT_EQ(gl_recorder::Count("glBegin"), 3969u);
    EXPECT_EQ(gl_recorder::Count("glVertex3f"), 15876u);

    int quad = 0;
    for (int r = 0; r < 63; ++r) {
        for (int c = 0; c < 63; ++c, ++quad) {
            const size_t at = 2 + size_t(quad) * 14;
            ASSERT_EQ(calls[at].name, "glBegin");
            ASSERT_EQ(calls[at].args[0], 7.0);  // GL_QUADS
            ASSERT_EQ(calls[at + 13].name, "glEnd");
            const int i = r * 64 + c;
            const int expected[4] = {i + 64, i, i + 1, i + 65};
            for (int k = 0; k < 4; ++k) {
                const Corner corner = CornerOf(quad, k);
                ASSERT_EQ(corner.color->name, "glColor3f");
                ASSERT_EQ(corner.texCoord->name, "glTexCoord2f");
                ASSERT_EQ(corner.vertex->name, "glVertex3f");
                const int v = expected[k];
                ASSERT_EQ(IndexOf(*corner.vertex), v) << "quad " << quad << " corner " << k;
                const float shade = grid.shades[v];  // negative ones too: never clamped
                ASSERT_EQ(corner.color->args, (std::vector<double>{shade, shade, shade}));
                const Vector3f p = grid.positions[v];
                ASSERT_EQ(corner.texCoord->args, (std::vector<double>{p.x, p.z}));
                ASSERT_EQ(corner.vertex->args, (std::vector<double>{p.x, p.y, p.z}));
            }
        }
    }
}

TEST_F(SurfaceDrawTest, FirstRowEndAndLastQuads) {
    LitGrid().Draw(64.0f, 1);
    const int first[4] = {64, 0, 1, 65};
    const int second[4] = {65, 1, 2, 66};
    const int rowEnd[4] = {126, 62, 63, 127};
    const int last[4] = {4094, 4030, 4031, 4095};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(CornerIndex(0, k), first[k]);
        EXPECT_EQ(CornerIndex(1, k), second[k]);
        EXPECT_EQ(CornerIndex(62, k), rowEnd[k]);
        EXPECT_EQ(CornerIndex(3968, k), last[k]);
    }
    const Corner v64 = CornerOf(0, 0);
    EXPECT_EQ(v64.texCoord->args, (std::vector<double>{0.0, 0.15625}));
    EXPECT_EQ(v64.vertex->args, (std::vector<double>{0.0, 0.0, 0.15625}));
    const Corner v65 = CornerOf(0, 3);
    EXPECT_EQ(v65.texCoord->args, (std::vector<double>{0.15625, 0.15625}));
    EXPECT_EQ(v65.vertex->args, (std::vector<double>{0.15625, 0.0, 0.15625}));
}

TEST_F(SurfaceDrawTest, ResolutionsWithoutQuadsStillSetTheTexture) {
    const SurfaceGrid& grid = LitGrid();
    const float noQuads[] = {1.0f, 0.5f, 0.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(),
                             std::numeric_limits<float>::infinity()};
    for (float n : noQuads) {
        gl_recorder::Reset();
        grid.Draw(n, 3);
        EXPECT_EQ(gl_recorder::Names(), (std::vector<std::string>{"glTexEnvi", "glBindTexture"}))
            << "resolution " << n;
    }
}

TEST_F(SurfaceDrawTest, ResolutionsTooLargeForTheArraysDrawNothing) {
    // 317 x 317 vertices would not fit; drawing them would read past the arrays.
    LitGrid().Draw(317.0f, 3);
    EXPECT_EQ(gl_recorder::Count("glBegin"), 0u);
    gl_recorder::Reset();
    LitGrid().Draw(5000.0f, 3);
    EXPECT_EQ(gl_recorder::Count("glBegin"), 0u);
}

TEST_F(SurfaceDrawTest, SmallGridsDrawTheirCells) {
    static SurfaceGrid grid;
    grid.extent = 10.0f;
    grid.Rebuild(Vector3f{1.0f, 0.5f, 1.0f}, 3.0f);
    grid.Draw(3.0f, 1);
    EXPECT_EQ(gl_recorder::Count("glBegin"), 4u);  // 2 rows of 2 quads
    gl_recorder::Reset();
    grid.Rebuild(Vector3f{1.0f, 0.5f, 1.0f}, 2.0f);
    grid.Draw(2.0f, 1);
    EXPECT_EQ(gl_recorder::Count("glBegin"), 1u);
    // Vertices 2, 0, 1, 3 of the 2 x 2 grid, spaced 5 apart.
    EXPECT_EQ(CornerOf(0, 0).vertex->args, (std::vector<double>{0.0, 0.0, 5.0}));
    EXPECT_EQ(CornerOf(0, 1).vertex->args, (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_EQ(CornerOf(0, 3).vertex->args, (std::vector<double>{5.0, 0.0, 5.0}));
}

}  // namespace
