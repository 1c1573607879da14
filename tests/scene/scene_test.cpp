// The scene hooks against the recording GL stand-in: the state SceneInit sets, the frame
// SceneDraw sends, the light marker, and what a second SceneInit leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scene/scene_state.h"
#include "tests/gl_recorder/gl_recorder.h"
#include "tests/scene/expected_calls.h"
#include "tests/scene/fake_shell.h"
#include "tests/scene/test_bitmap.h"

namespace {

using Args = std::vector<double>;

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        gl_recorder::Reset();
        fake_shell::Reset();
        keys.fill(0);
        ASSERT_TRUE(test_bitmap::WriteBmp(directory.File("water05t.bmp"), 4, 2,
                                          test_bitmap::Solid(4, 2, 10, 20, 30)));
    }
    // Each test starts without a sphere left over from the one before.
    void TearDown() override {
        SceneShutdown();
        if (sceneState.sphere) gluDeleteQuadric(sceneState.sphere);
        sceneState.sphere = nullptr;
    }

    // The recorded calls from the first one with this name onwards.
    static std::vector<gl_recorder::Call> From(const std::string& name) {
        const auto& calls = gl_recorder::Calls();
        auto it = std::find_if(calls.begin(), calls.end(),
                               [&name](const gl_recorder::Call& c) { return c.name == name; });
        return {it, calls.end()};
    }

    test_bitmap::ScratchDirectory directory;
    WindowState window{};
    KeyStates keys{};
};

TEST_F(SceneTest, InitSetsTheFixedStateInOrder) {
    ASSERT_TRUE(SceneInit(window, keys));
    std::vector<gl_recorder::Call> expected = {{"glGetString", {0x1F03}}};
    for (const gl_recorder::Call& call : expected_calls::TextureUpload(4, 2)) expected.push_back(call);
    const std::vector<gl_recorder::Call> rest = {
        {"glEnable", {0x0DE1}},
        {"glClearColor", {0.0, 1.0, 1.0, 0.5}},
        {"glClearDepth", {1.0}},
        {"glDepthFunc", {0x0203}},
        {"glEnable", {0x0B71}},
        {"glShadeModel", {0x1D01}},
        {"glHint", {0x0C50, 0x1102}},
        {"gluNewQuadric", {}},
        {"gluQuadricNormals", {1, 100000}},
        {"gluQuadricTexture", {1, 1}},
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    expected_calls::ExpectCalls(gl_recorder::Calls(), expected);
}

TEST_F(SceneTest, InitResetsTheSceneRecord) {
    ASSERT_TRUE(SceneInit(window, keys));
    EXPECT_EQ(sceneState.window, &window);
    EXPECT_EQ(sceneState.keys, &keys);
    EXPECT_EQ(sceneState.lightPosition.x, 1.0f);
    EXPECT_EQ(sceneState.lightPosition.y, 0.5f);
    EXPECT_EQ(sceneState.lightPosition.z, 1.0f);
    EXPECT_EQ(sceneState.viewOffset.x, -5.0f);
    EXPECT_EQ(sceneState.viewOffset.y, -1.0f);
    EXPECT_EQ(sceneState.viewOffset.z, -5.0f);
    EXPECT_EQ(sceneState.gridResolution, 64.0f);
    EXPECT_EQ(sceneState.grid.extent, 10.0f);
    EXPECT_EQ(sceneState.grid.lastIndex, 4095);  // built once already
    EXPECT_EQ(sceneState.textureNames[1], 1u);
    EXPECT_EQ(sceneState.textureNames[0], 0u);
    EXPECT_NE(sceneState.sphere, nullptr);

    // Moved values go back to the start on the next initialisation (a screen-mode switch).
    sceneState.lightPosition = {7.0f, -2.0f, 3.0f};
    sceneState.viewOffset = {1.0f, 2.0f, 3.0f};
    ASSERT_TRUE(SceneInit(window, keys));
    EXPECT_EQ(sceneState.lightPosition.y, 0.5f);
    EXPECT_EQ(sceneState.viewOffset.z, -5.0f);
}

TEST_F(SceneTest, FrameClearsTranslatesDrawsSurfaceThenMarker) {
    ASSERT_TRUE(SceneInit(window, keys));
    gl_recorder::Reset();
    SceneDraw();
    const auto& calls = gl_recorder::Calls();
    ASSERT_EQ(calls.size(), 3u + 2u + 3969u * 14u + 7u + 1u);
    EXPECT_EQ(calls[0].name, "glClear");
    EXPECT_EQ(calls[0].args, Args{0x4500});
    EXPECT_EQ(calls[1].name, "glLoadIdentity");
    EXPECT_EQ(calls[2].name, "glTranslatef");
    EXPECT_EQ(calls[2].args, (Args{-5.0, -1.0, -5.0}));
    EXPECT_EQ(calls[3].name, "glTexEnvi");
    EXPECT_EQ(calls[4].name, "glBindTexture");
    EXPECT_EQ(calls[4].args, (Args{0x0DE1, double(sceneState.textureNames[1])}));

    const std::vector<gl_recorder::Call> marker(calls.end() - 8, calls.end());
    const std::vector<gl_recorder::Call> expected = {
        {"glDisable", {0x0DE1}},
        {"glPushMatrix", {}},
        {"glTranslatef", {1.0, 0.5, 1.0}},
        {"glColor3f", {1.0, 0.5, 0.0}},
        {"gluSphere", {1, 0.1, 64, 64}},
        {"glPopMatrix", {}},
        {"glEnable", {0x0DE1}},  // the next frame's surface is textured again
        {"glFlush", {}},
    };
    expected_calls::ExpectCalls(marker, expected);
}

TEST_F(SceneTest, EveryFrameShadesForTheCurrentLight) {
    ASSERT_TRUE(SceneInit(window, keys));
    sceneState.lightPosition = {9.84375f, 0.5f, 9.84375f};
    gl_recorder::Reset();
    SceneDraw();
    // Vertex 4095 lies right below the moved light now: bright instead of dark.
    const auto& calls = gl_recorder::Calls();
    const gl_recorder::Call& lastColor = calls[3 + 2 + 3968 * 14 + 1 + 3 * 3];
    ASSERT_EQ(lastColor.name, "glColor3f");
    EXPECT_NEAR(lastColor.args[0], 0.9159, 1e-4);
    EXPECT_EQ(lastColor.args[0], double(sceneState.grid.shades[4095]));
    const gl_recorder::Call& markerMove = calls[calls.size() - 6];
    EXPECT_EQ(markerMove.args, (Args{9.84375, 0.5, 9.84375}));
}

TEST_F(SceneTest, SecondInitLeavesOneTextureAndOneSphere) {
    ASSERT_TRUE(SceneInit(window, keys));
    const GLuint firstName = sceneState.textureNames[1];
    SceneShutdown();
    ASSERT_TRUE(SceneInit(window, keys));
    EXPECT_NE(sceneState.textureNames[1], firstName);
    EXPECT_EQ(sceneState.textureNames[1], 2u);
    EXPECT_EQ(sceneState.textureNames[0], 0u);
    // The old texture died with its context; nothing deletes it by hand.
    EXPECT_EQ(gl_recorder::Count("glDeleteTextures"), 0u);
    EXPECT_EQ(gl_recorder::LiveQuadrics(), 1);
    EXPECT_EQ(gl_recorder::Count("gluDeleteQuadric"), 1u);
    EXPECT_EQ(From("gluDeleteQuadric").front().args, Args{1});
}

TEST_F(SceneTest, WithoutASphereTheMarkerIsSkipped) {
    gl_recorder::SetQuadricAllocationFails(true);
    ASSERT_TRUE(SceneInit(window, keys));
    EXPECT_EQ(sceneState.sphere, nullptr);
    EXPECT_EQ(gl_recorder::Count("gluQuadricNormals"), 0u);
    EXPECT_EQ(gl_recorder::Count("gluQuadricTexture"), 0u);
    gl_recorder::Reset();
    SceneDraw();
    EXPECT_EQ(gl_recorder::Count("gluSphere"), 0u);
    EXPECT_EQ(gl_recorder::Count("glDisable"), 0u);  // texturing stays on for the surface
    EXPECT_EQ(gl_recorder::Count("glBegin"), 3969u);
    const auto names = gl_recorder::Names();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "glFlush");
}

TEST_F(SceneTest, UnreadableTextureFailsInitWithTheReadersOneBox) {
    ASSERT_TRUE(SceneInit(window, keys));  // a sphere from an earlier window
    std::filesystem::remove(directory.File("water05t.bmp"));
    gl_recorder::Reset();
    EXPECT_FALSE(SceneInit(window, keys));
    ASSERT_EQ(fake_shell::boxes.size(), 1u);
    EXPECT_EQ(fake_shell::boxes[0].text, "Failed to open DIB file water05t.bmp.\n");
    EXPECT_EQ(fake_shell::boxes[0].caption, "Error");
    EXPECT_EQ(gl_recorder::Count("glGenTextures"), 0u);
    EXPECT_EQ(gl_recorder::Count("gluNewQuadric"), 0u);
    EXPECT_EQ(sceneState.sphere, nullptr);
}

}  // namespace
