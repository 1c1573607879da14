// A whole frame drawn by Mesa's software rasteriser into a 640 x 480 buffer, looked at where the
// sky, the lit patch, the dark far surface and the light marker should be.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "app/projection.h"
#include "scene/scene.h"
#include "scene/scene_state.h"
#include "tests/mesa/mesa_context.h"
#include "tests/scene/test_bitmap.h"

namespace {

constexpr int32_t WIDTH = 640;
constexpr int32_t HEIGHT = 480;
// The texture: one bluish colour, so what shows on screen is the shade times this.
constexpr int TEX_R = 64;
constexpr int TEX_G = 160;
constexpr int TEX_B = 255;

class MesaFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(context.error(), "");
        ASSERT_TRUE(test_bitmap::WriteBmp(directory.File("water05t.bmp"), 8, 8,
                                          test_bitmap::Solid(8, 8, TEX_R, TEX_G, TEX_B)));
        // The projection the window sets for a 640 x 480 client area.
        SetProjection(WIDTH, HEIGHT);
        ASSERT_TRUE(SceneInit(window, keys));
    }

    // The colour drawn where a world point lands on screen, after SceneDraw.
    static mesa::Rgb At(double x, double y, double z) {
        GLdouble modelview[16], projection[16];
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        GLdouble wx = 0, wy = 0, wz = 0;
        EXPECT_TRUE(gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz));
        EXPECT_TRUE(wx >= 0 && wx < WIDTH && wy >= 0 && wy < HEIGHT) << x << "," << y << "," << z;
        return mesa::ReadPixel(int32_t(wx), int32_t(wy));
    }
    static bool IsOrange(mesa::Rgb c) { return c.r > 240 && c.g > 110 && c.g < 145 && c.b < 15; }
    static bool IsBlack(mesa::Rgb c) { return c.r < 4 && c.g < 4 && c.b < 4; }
    static bool IsCyan(mesa::Rgb c) { return c.r < 4 && c.g > 250 && c.b > 250; }

    mesa::OffscreenContext context{WIDTH, HEIGHT};
    test_bitmap::ScratchDirectory directory;
    WindowState window{};
    KeyStates keys{};
};

TEST_F(MesaFrameTest, FirstFrameShowsSkyPatchDarkSurfaceAndMarker) {
    SceneDraw();
    const mesa::Rgb sky = mesa::ReadPixel(WIDTH / 2, HEIGHT - 10);
    EXPECT_TRUE(IsCyan(sky)) << sky.r << " " << sky.g << " " << sky.b;

    // A quarter unit from the point below the light the shade is about 0.87.
    const mesa::Rgb patch = At(1.0, 0.0, 1.25);
    EXPECT_NEAR(patch.b, 0.87 * TEX_B, 25);
    EXPECT_NEAR(patch.g, 0.87 * TEX_G, 20);
    EXPECT_NEAR(patch.r, 0.87 * TEX_R, 15);

    const mesa::Rgb far = At(8.0, 0.0, 1.0);
    EXPECT_TRUE(IsBlack(far)) << far.r << " " << far.g << " " << far.b;

    const mesa::Rgb marker = At(1.0, 0.5, 1.0);
    EXPECT_TRUE(IsOrange(marker)) << marker.r << " " << marker.g << " " << marker.b;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MesaFrameTest, PatchFollowsTheLight) {
    sceneState.lightPosition = {6.0f, 0.5f, 2.0f};
    SceneDraw();
    EXPECT_TRUE(IsBlack(At(1.0, 0.0, 1.25)));
    const mesa::Rgb patch = At(6.0, 0.0, 2.25);
    EXPECT_GT(patch.b, 180);
    EXPECT_TRUE(IsOrange(At(6.0, 0.5, 2.0)));
}

TEST_F(MesaFrameTest, LightBelowThePlaneLeavesTheSurfaceBlackAndHidesTheMarker) {
    sceneState.lightPosition = {1.0f, -0.3f, 1.0f};
    SceneDraw();
    EXPECT_TRUE(IsBlack(At(1.0, 0.0, 1.25)));
    EXPECT_TRUE(IsBlack(At(5.0, 0.0, 2.0)));
    // The eye is above the plane, so the surface covers the sphere.
    const mesa::Rgb hidden = At(1.0, -0.3, 1.0);
    EXPECT_TRUE(IsBlack(hidden)) << hidden.r << " " << hidden.g << " " << hidden.b;
    EXPECT_TRUE(IsCyan(mesa::ReadPixel(WIDTH / 2, HEIGHT - 10)));
}

TEST_F(MesaFrameTest, SurfaceIsTexturedAgainAfterTheMarker) {
    SceneDraw();
    const mesa::Rgb first = At(1.0, 0.0, 1.25);
    SceneDraw();  // drawn after the previous frame's marker turned texturing back on
    const mesa::Rgb second = At(1.0, 0.0, 1.25);
    EXPECT_EQ(first.r, second.r);
    EXPECT_EQ(first.g, second.g);
    EXPECT_EQ(first.b, second.b);
    // Blue-heavy like the texture, not the marker's orange nor a plain grey.
    EXPECT_GT(second.b, second.g);
    EXPECT_GT(second.g, second.r);
}

TEST_F(MesaFrameTest, ReinitialisingInAFreshContextDrawsTheSameFrame) {
    SceneDraw();
    const mesa::Rgb before = At(1.0, 0.0, 1.25);
    SceneShutdown();
    {
        // A screen-mode switch: a new context, then SceneInit again.
        mesa::OffscreenContext second{WIDTH, HEIGHT};
        ASSERT_EQ(second.error(), "");
        glViewport(0, 0, WIDTH, HEIGHT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(90.0, double(WIDTH) / double(HEIGHT), double(0.1f), 100.0);
        glMatrixMode(GL_MODELVIEW);
        ASSERT_TRUE(SceneInit(window, keys));
        EXPECT_TRUE(glIsTexture(sceneState.textureNames[1]));
        SceneDraw();
        const mesa::Rgb after = At(1.0, 0.0, 1.25);
        EXPECT_EQ(before.r, after.r);
        EXPECT_EQ(before.g, after.g);
        EXPECT_EQ(before.b, after.b);
        EXPECT_TRUE(IsOrange(At(1.0, 0.5, 1.0)));
    }
}

}  // namespace
