// The OpenGL window on the fake platform: creation steps and their reverse-order failure paths,
// closing, the display switch and the exact projection.
#include <gmock/gmock.h>

#include <cmath>

#include "app/gl_window.h"
#include "tests/app/shell_fixture.h"

using ::testing::ElementsAre;
using namespace platform;

namespace {

class GlWindowTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        keys.fill(1);
        window.keys = &keys;
        window.app = &app;
        window.config = {"Quorvane BaseCode", 640, 480, 32, 0};
        ASSERT_TRUE(RegisterAppWindowClass(app));
    }

    // The creation and release steps of the log, without the rest.
    static std::vector<std::string> Steps() {
        return fake_platform::LogOf({"CreateWindow", "GetDeviceContext", "ChoosePixelFormat",
                                     "SetPixelFormat", "CreateGlContext", "MakeGlContextCurrent",
                                     "ShowWindow", "DeleteGlContext", "ReleaseDeviceContext",
                                     "DestroyWindow", "ChangeDisplayMode", "ShowCursor"});
    }

    AppInfo app{CurrentModule(), "OpenGL"};
    KeyStates keys{};
    WindowState window{};
};

}  // namespace

// Every backend receives the whole class record: style, the arrow cursor, the background.
TEST_F(GlWindowTest, ClassRecordNamesStyleCursorAndBackground) {
    EXPECT_THAT(fake_platform::LogOf({"RegisterWindowClass"}),
                ElementsAre("RegisterWindowClass OpenGL style 0x23 cursor 32512 background 12"));
}

TEST_F(GlWindowTest, WindowedCreationWalksTheStepsAndLeavesEverythingReady) {
    fake_platform::SetTick(4242);
    ASSERT_TRUE(OpenGlWindow(window));
    EXPECT_THAT(Steps(), ElementsAre("CreateWindow OpenGL", "GetDeviceContext",
                                     "ChoosePixelFormat", "SetPixelFormat 7", "CreateGlContext",
                                     "MakeGlContextCurrent", "ShowWindow 1"));
    EXPECT_NE(window.hwnd, nullptr);
    EXPECT_NE(window.hdc, nullptr);
    EXPECT_NE(window.hglrc, nullptr);
    EXPECT_TRUE(fake_platform::ContextCurrent());
    EXPECT_EQ(window.visible, 1);
    EXPECT_EQ(window.lastFrameTick, 4242u);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), 0), 256);
    EXPECT_EQ(GetWindowUserData(window.hwnd), &window);  // handed over with WM_CREATE

    const auto& record = fake_platform::Windows().at(0);
    EXPECT_EQ(record.createParams, &window);
    EXPECT_EQ(record.width, 640 + fake_platform::kFrameLeft + fake_platform::kFrameRight);
    EXPECT_EQ(record.height, 480 + fake_platform::kFrameTop + fake_platform::kFrameBottom);
    const PixelFormatRequest& pf = record.pixelFormat;
    EXPECT_EQ(pf.size, 40);
    EXPECT_EQ(pf.version, 1);
    EXPECT_EQ(pf.flags, 0x25u);
    EXPECT_EQ(pf.pixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(pf.colorBits, 32);
    EXPECT_EQ(pf.alphaBits, 0);
    EXPECT_EQ(pf.accumBits, 0);
    EXPECT_EQ(pf.depthBits, 16);
    EXPECT_EQ(pf.stencilBits, 1);
    EXPECT_EQ(pf.auxBuffers, 0);
    EXPECT_EQ(pf.layerType, PFD_MAIN_PLANE);
}

TEST_F(GlWindowTest, PixelFormatTakesTheLowEightBitsOfTheColourDepth) {
    window.config.colorBits = 0x118;
    ASSERT_TRUE(OpenGlWindow(window));
    EXPECT_EQ(fake_platform::Windows().at(0).pixelFormat.colorBits, 0x18);
}

TEST_F(GlWindowTest, EachFailingStepIsUndoneInReverseOrderWithHandlesNulled) {
    using fake_platform::Step;
    const std::vector<std::pair<Step, std::vector<std::string>>> cases = {
        {Step::CreateWindow, {"CreateWindow OpenGL"}},
        {Step::DeviceContext, {"CreateWindow OpenGL", "GetDeviceContext", "DestroyWindow"}},
        {Step::ChoosePixelFormat,
         {"CreateWindow OpenGL", "GetDeviceContext", "ChoosePixelFormat", "ReleaseDeviceContext",
          "DestroyWindow"}},
        {Step::SetPixelFormat,
         {"CreateWindow OpenGL", "GetDeviceContext", "ChoosePixelFormat", "SetPixelFormat 7",
          "ReleaseDeviceContext", "DestroyWindow"}},
        {Step::CreateContext,
         {"CreateWindow OpenGL", "GetDeviceContext", "ChoosePixelFormat", "SetPixelFormat 7",
          "CreateGlContext", "ReleaseDeviceContext", "DestroyWindow"}},
        {Step::MakeCurrent,
         {"CreateWindow OpenGL", "GetDeviceContext", "ChoosePixelFormat", "SetPixelFormat 7",
          "CreateGlContext", "MakeGlContextCurrent", "DeleteGlContext", "ReleaseDeviceContext",
          "DestroyWindow"}},
    };
    for (const auto& [step, expected] : cases) {
        SCOPED_TRACE(expected.back());
        SetUp();
        fake_platform::FailStep(step);
        EXPECT_FALSE(OpenGlWindow(window));
        EXPECT_EQ(Steps(), expected);
        EXPECT_EQ(window.hwnd, nullptr);
        EXPECT_EQ(window.hdc, nullptr);
        EXPECT_EQ(window.hglrc, nullptr);
        EXPECT_EQ(fake_platform::LiveWindow(), nullptr);
        EXPECT_EQ(fake_platform::LiveContexts(), 0);
        EXPECT_EQ(fake_platform::HeldDeviceContexts(), 0);
        EXPECT_TRUE(fake_platform::Boxes().empty());  // the caller shows the one box
        EXPECT_EQ(keys[0], 1);                         // the table is only cleared on success
    }
}

TEST_F(GlWindowTest, FailureAfterASwitchRestoresDisplayAndCursor) {
    fake_platform::AddDisplayMode({640, 480, 32});
    fake_platform::FailStep(fake_platform::Step::MakeCurrent);
    window.config.fullscreen = 1;
    EXPECT_FALSE(OpenGlWindow(window));
    EXPECT_THAT(fake_platform::LogOf({"ChangeDisplayMode", "ShowCursor", "DestroyWindow"}),
                ElementsAre("ChangeDisplayMode 640x480x32", "ShowCursor 0", "DestroyWindow",
                            "ChangeDisplayMode restore", "ShowCursor 1"));
    EXPECT_EQ(window.config.fullscreen, 0);
    EXPECT_EQ(fake_platform::CurrentDisplayMode().width, 1024);
    EXPECT_EQ(fake_platform::CursorCounter(), 0);
}

TEST_F(GlWindowTest, FullScreenWindowIsBorderlessTopmostAndClosingRestoresTheDesktop) {
    fake_platform::AddDisplayMode({640, 480, 32});
    window.config.fullscreen = 1;
    ASSERT_TRUE(OpenGlWindow(window));
    const auto& record = fake_platform::Windows().at(0);
    EXPECT_EQ(record.style, WS_POPUP);
    EXPECT_EQ(record.exStyle, WS_EX_APPWINDOW | WS_EX_TOPMOST);
    EXPECT_EQ(record.clientWidth, 640);
    EXPECT_EQ(record.clientHeight, 480);
    EXPECT_EQ(window.config.fullscreen, 1);
    EXPECT_EQ(fake_platform::CursorCounter(), -1);

    EXPECT_TRUE(CloseGlWindow(window));
    EXPECT_THAT(Steps(), ElementsAre("ChangeDisplayMode 640x480x32", "ShowCursor 0",
                                     "CreateWindow OpenGL", "GetDeviceContext",
                                     "ChoosePixelFormat", "SetPixelFormat 7", "CreateGlContext",
                                     "MakeGlContextCurrent", "ShowWindow 1",
                                     "MakeGlContextCurrent null", "DeleteGlContext",
                                     "ReleaseDeviceContext", "DestroyWindow",
                                     "ChangeDisplayMode restore", "ShowCursor 1"));
    EXPECT_EQ(window.hwnd, nullptr);
    EXPECT_EQ(window.hdc, nullptr);
    EXPECT_EQ(window.hglrc, nullptr);
    EXPECT_EQ(fake_platform::CurrentDisplayMode().width, 1024);
    EXPECT_EQ(fake_platform::CursorCounter(), 0);
}

TEST_F(GlWindowTest, SizeNotificationDuringCreationIsReplacedOnceTheContextIsCurrent) {
    fake_platform::SendSizeDuringCreate(true);
    ASSERT_TRUE(OpenGlWindow(window));
    const auto perspective = GlArgs("gluPerspective");
    ASSERT_EQ(perspective.size(), 3u);  // during creation, during show, after show
    EXPECT_NE(perspective[0][1], 640.0 / 480.0);
    EXPECT_EQ(perspective[2][1], 640.0 / 480.0);
}

// On a screen scaled by 2 the surface has 1280 x 960 pixels: the first frame must fill them all,
// not the 640 x 480 corner the asked-for size would give, with the aspect unchanged.
TEST_F(GlWindowTest, ProjectionCoversTheDrawingSurfacesPixelsOnAScaledScreen) {
    fake_platform::SetPixelScale(2);
    ASSERT_TRUE(OpenGlWindow(window));
    EXPECT_THAT(Last(GlArgs("glViewport")), ElementsAre(0, 0, 1280, 960));
    EXPECT_EQ(Last(GlArgs("gluPerspective"))[1], 640.0 / 480.0);
}

TEST_F(GlWindowTest, ProjectionCallsCarryTheExactArguments) {
    SetProjection(640, 480);
    const auto& calls = gl_recorder::Calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].name, "glViewport");
    EXPECT_THAT(calls[0].args, ElementsAre(0, 0, 640, 480));
    EXPECT_EQ(calls[1].name, "glMatrixMode");
    EXPECT_THAT(calls[1].args, ElementsAre(0x1701));
    EXPECT_EQ(calls[2].name, "glLoadIdentity");
    EXPECT_EQ(calls[3].name, "gluPerspective");
    ASSERT_EQ(calls[3].args.size(), 4u);
    EXPECT_EQ(calls[3].args[0], 90.0);
    EXPECT_EQ(calls[3].args[1], 640.0 / 480.0);  // a double quotient, not a float one
    EXPECT_NE(calls[3].args[1], double(640.0f / 480.0f));
    EXPECT_EQ(calls[3].args[2], 0.10000000149011612);
    EXPECT_EQ(calls[3].args[3], 100.0);
    EXPECT_EQ(calls[4].name, "glMatrixMode");
    EXPECT_THAT(calls[4].args, ElementsAre(0x1700));
    EXPECT_EQ(calls[5].name, "glLoadIdentity");

    gl_recorder::Reset();
    SetProjection(641, 479);
    EXPECT_THAT(Last(GlArgs("gluPerspective")), ElementsAre(90.0, 641.0 / 479.0, double(0.1f), 100.0));
}

TEST_F(GlWindowTest, ZeroHeightGivesAnInfiniteOrNaNAspectWithoutFault) {
    SetProjection(640, 0);
    SetProjection(0, 0);
    const auto perspective = GlArgs("gluPerspective");
    ASSERT_EQ(perspective.size(), 2u);
    EXPECT_TRUE(std::isinf(perspective[0][1]));
    EXPECT_TRUE(std::isnan(perspective[1][1]));
}

