// The keyboard controls: which key moves what, the single-precision steps, and the requests.
#include <gtest/gtest.h>

#include <cstdint>

#include "scene/scene.h"
#include "scene/scene_state.h"
#include "tests/gl_recorder/gl_recorder.h"
#include "tests/scene/fake_shell.h"
#include "tests/scene/test_bitmap.h"

namespace {

constexpr float STEP = 0.01f;

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        gl_recorder::Reset();
        fake_shell::Reset();
        ASSERT_TRUE(test_bitmap::WriteBmp(directory.File("water05t.bmp"), 2, 2,
                                          test_bitmap::Solid(2, 2, 0, 0, 255)));
        ASSERT_TRUE(SceneInit(window, keys));
    }
    void TearDown() override {
        if (sceneState.sphere) gluDeleteQuadric(sceneState.sphere);
        sceneState.sphere = nullptr;
    }

    void Frames(int count, uint32_t elapsed = 16) {
        for (int i = 0; i < count; ++i) SceneUpdate(elapsed);
    }

    test_bitmap::ScratchDirectory directory;
    WindowState window{};
    KeyStates keys{};
};

struct Expectation {
    int key;
    float Vector3f::*axis;
    bool light;  // the light moves, otherwise the view offset
    float delta;
};

TEST_F(KeyboardTest, EachKeyMovesOneCoordinateOneStep) {
    const Expectation table[] = {
        {38, &Vector3f::z, false, +STEP}, {40, &Vector3f::z, false, -STEP},
        {37, &Vector3f::x, false, +STEP}, {39, &Vector3f::x, false, -STEP},
        {34, &Vector3f::y, false, +STEP}, {33, &Vector3f::y, false, -STEP},
        {'W', &Vector3f::z, true, -STEP}, {'A', &Vector3f::x, true, -STEP},
        {'S', &Vector3f::z, true, +STEP}, {'D', &Vector3f::x, true, +STEP},
        {'Q', &Vector3f::y, true, +STEP}, {'E', &Vector3f::y, true, -STEP},
    };
    for (const Expectation& e : table) {
        Vector3f expectedLight = sceneState.lightPosition;
        Vector3f expectedView = sceneState.viewOffset;
        keys.fill(0);
        keys[size_t(e.key)] = 1;
        SceneUpdate(16);
        Vector3f& moved = e.light ? expectedLight : expectedView;
        moved.*e.axis = moved.*e.axis + e.delta;
        for (float Vector3f::*axis : {&Vector3f::x, &Vector3f::y, &Vector3f::z}) {
            EXPECT_EQ(sceneState.lightPosition.*axis, expectedLight.*axis) << "key " << e.key;
            EXPECT_EQ(sceneState.viewOffset.*axis, expectedView.*axis) << "key " << e.key;
        }
    }
    EXPECT_TRUE(fake_shell::requests.empty());
}

TEST_F(KeyboardTest, NothingHeldChangesNothing) {
    keys.fill(0);
    keys['W'] = 2;  // only exactly 1 means held
    keys[38] = -1;
    Frames(10, 1000);
    EXPECT_EQ(sceneState.lightPosition.z, 1.0f);
    EXPECT_EQ(sceneState.viewOffset.z, -5.0f);
    EXPECT_TRUE(fake_shell::requests.empty());
}

TEST_F(KeyboardTest, StepsRoundToSinglePrecision) {
    keys[38] = 1;  // Up
    Frames(100);
    EXPECT_EQ(double(sceneState.viewOffset.z), -3.9999773502349854);

    keys.fill(0);
    keys['E'] = 1;
    Frames(50);
    EXPECT_EQ(double(sceneState.lightPosition.y), 1.9371509552001953e-07);
    Frames(1);
    EXPECT_EQ(double(sceneState.lightPosition.y), -0.009999806061387062);
}

TEST_F(KeyboardTest, ElapsedTimeDoesNotScaleTheStep) {
    keys['D'] = 1;
    SceneUpdate(0);
    const float afterOne = sceneState.lightPosition.x;
    SceneUpdate(100000);
    EXPECT_EQ(afterOne, 1.0f + STEP);
    EXPECT_EQ(sceneState.lightPosition.x, afterOne + STEP);
}

TEST_F(KeyboardTest, OppositeKeysCancelExactly) {
    keys[38] = 1;  // Up
    keys[40] = 1;  // Down
    Frames(1000);
    EXPECT_EQ(sceneState.viewOffset.z, -5.0f);
}

TEST_F(KeyboardTest, EscapeWithF1QuitsFirstAndTheFrameGoesOn) {
    keys[27] = 1;   // Escape
    keys[112] = 1;  // F1
    keys['Q'] = 1;
    SceneUpdate(16);
    EXPECT_EQ(fake_shell::requests, (std::vector<std::string>{"quit", "toggle"}));
    ASSERT_EQ(fake_shell::requestWindows.size(), 2u);
    EXPECT_EQ(fake_shell::requestWindows[0], &window);
    EXPECT_EQ(fake_shell::requestWindows[1], &window);
    EXPECT_EQ(sceneState.lightPosition.y, 0.5f + STEP);
}

}  // namespace
