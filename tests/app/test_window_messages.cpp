// The window procedure's table, message by message, and the two requests.
#include <gmock/gmock.h>

#include "app/gl_window.h"
#include "app/window_messages.h"
#include "tests/app/shell_fixture.h"

using ::testing::ElementsAre;
using namespace platform;

namespace {

class WindowMessagesTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        window.keys = &keys;
        window.app = &app;
        window.config = {"Quorvane BaseCode", 640, 480, 32, 0};
        ASSERT_TRUE(RegisterAppWindowClass(app));
        ASSERT_TRUE(OpenGlWindow(window));
        appRunning = 1;
        gl_recorder::Reset();
        defaultsBefore = Defaults();
    }

    intptr_t Send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        return HandleWindowMessage(window.hwnd, message, wParam, lParam);
    }
    static size_t Defaults() { return fake_platform::LogOf({"DefaultWindowProcedure"}).size(); }
    size_t NewDefaults() const { return Defaults() - defaultsBefore; }

    AppInfo app{CurrentModule(), "OpenGL"};
    KeyStates keys{};
    WindowState window{};
    size_t defaultsBefore = 0;
};

}  // namespace

TEST_F(WindowMessagesTest, KeyMessagesKeepTheTableForCodesUpTo255) {
    EXPECT_EQ(Send(WM_KEYDOWN, 'W'), 0);
    EXPECT_EQ(keys['W'], 1);
    Send(WM_KEYDOWN, 'W');  // auto-repeat is not counted
    EXPECT_EQ(keys['W'], 1);
    EXPECT_EQ(Send(WM_KEYDOWN, 255), 0);
    EXPECT_EQ(keys[255], 1);
    EXPECT_EQ(Send(WM_KEYUP, 'W', intptr_t(0xC0110001)), 0);
    EXPECT_EQ(keys['W'], 0);
    EXPECT_EQ(Send(WM_KEYDOWN, 0), 0);
    EXPECT_EQ(keys[0], 1);
    EXPECT_EQ(NewDefaults(), 0u);
}

TEST_F(WindowMessagesTest, KeyCodesAbove255AndSystemKeysGoToDefaultHandling) {
    const KeyStates before = keys;
    Send(WM_KEYDOWN, 256);
    Send(WM_KEYUP, 256);
    Send(WM_KEYDOWN, uintptr_t(1) << 40);  // would wrap to 0 if narrowed first
    Send(WM_SYSKEYDOWN, VK_F10);
    Send(WM_SYSKEYDOWN, 'A');
    EXPECT_EQ(keys, before);
    EXPECT_EQ(NewDefaults(), 5u);
}

TEST_F(WindowMessagesTest, SizeMessagesTrackVisibilityAndProjection) {
    EXPECT_EQ(Send(WM_SIZE, SIZE_MINIMIZED, 0), 0);
    EXPECT_EQ(window.visible, 0);
    EXPECT_TRUE(gl_recorder::Calls().empty());  // the projection is left alone

    EXPECT_EQ(Send(WM_SIZE, SIZE_RESTORED, (600 << 16) | 800), 0);
    EXPECT_EQ(window.visible, 1);
    EXPECT_THAT(Last(GlArgs("glViewport")), ElementsAre(0, 0, 800, 600));
    EXPECT_THAT(Last(GlArgs("gluPerspective")), ElementsAre(90.0, 800.0 / 600.0, double(0.1f), 100.0));

    Send(WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_EQ(Send(WM_SIZE, SIZE_MAXIMIZED, intptr_t(0xFFFF0000u | 1920)), 0);
    EXPECT_EQ(window.visible, 1);
    EXPECT_THAT(Last(GlArgs("glViewport")), ElementsAre(0, 0, 1920, 65535));
    EXPECT_EQ(NewDefaults(), 0u);

    gl_recorder::Reset();
    Send(WM_SIZE, SIZE_MINIMIZED, 0);
    Send(WM_SIZE, 3, (600 << 16) | 800);  // SIZE_MAXSHOW: not ours
    EXPECT_EQ(window.visible, 0);
    EXPECT_TRUE(gl_recorder::Calls().empty());
    EXPECT_EQ(NewDefaults(), 1u);
}

TEST_F(WindowMessagesTest, CloseRequestsQuitAndKeepsTheWindow) {
    EXPECT_EQ(Send(WM_CLOSE), 0);
    EXPECT_EQ(appRunning, 0);
    ASSERT_EQ(fake_platform::Queued(window.hwnd).size(), 1u);
    const Message posted = fake_platform::Queued(window.hwnd)[0];
    EXPECT_EQ(posted.message, WM_QUIT);
    EXPECT_EQ(posted.wParam, 0u);
    EXPECT_EQ(posted.lParam, 0);
    EXPECT_EQ(fake_platform::LiveWindow(), window.hwnd);
    EXPECT_EQ(NewDefaults(), 0u);
}

TEST_F(WindowMessagesTest, ScreenSaverAndMonitorPowerAreRefusedOtherCommandsAreNot) {
    EXPECT_EQ(Send(WM_SYSCOMMAND, SC_SCREENSAVE), 0);
    EXPECT_EQ(Send(WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
    EXPECT_EQ(NewDefaults(), 0u);
    Send(WM_SYSCOMMAND, SC_MONITORPOWER + 1);  // compared whole
    Send(WM_SYSCOMMAND, 0xF020);               // minimise
    Send(WM_SYSCOMMAND, 0xF060);               // close
    EXPECT_EQ(NewDefaults(), 3u);
    EXPECT_TRUE(fake_platform::Queued(window.hwnd).empty());
    EXPECT_FALSE(fake_platform::ScreenSaverAllowed());  // while the window exists
}

TEST_F(WindowMessagesTest, ScreenModeMessageFlipsTheWishAndEndsOnlyTheInnerLoop) {
    for (int32_t before : {0, 1, 5}) {
        SCOPED_TRACE(before);
        wantFullscreen = before;
        Send(MSG_SWITCH_SCREEN_MODE);
        EXPECT_EQ(wantFullscreen, before == 1 ? 0 : 1);
        EXPECT_EQ(appRunning, 1);
        auto queued = fake_platform::Queued(window.hwnd);
        ASSERT_EQ(queued.size(), 1u);
        EXPECT_EQ(queued[0].message, WM_QUIT);
        Message drained{};
        ASSERT_TRUE(PeekMessage(drained, window.hwnd));
    }
    EXPECT_EQ(Last(fake_platform::LogOf({"DefaultWindowProcedure"})),
              "DefaultWindowProcedure 1025");  // handled and passed on as well
    EXPECT_EQ(NewDefaults(), 3u);
}

TEST_F(WindowMessagesTest, OtherMessagesGoToDefaultHandling) {
    EXPECT_EQ(Send(0x0200 /* mouse move */), 0);
    EXPECT_EQ(Send(WM_USER + 7), 0);
    EXPECT_EQ(NewDefaults(), 2u);
}

TEST_F(WindowMessagesTest, MessagesBeforeCreationFindNoRecordAndChangeNothing) {
    // A window of the same class whose WM_CREATE carried no record.
    WindowHandle bare = CreateWindow(WS_EX_APPWINDOW, "OpenGL", "bare", WS_OVERLAPPEDWINDOW, 0, 0,
                                     100, 100, CurrentModule(), nullptr);
    ASSERT_NE(bare, nullptr);
    const KeyStates before = keys;
    const size_t defaults = Defaults();
    HandleWindowMessage(bare, WM_KEYDOWN, 'W', 0);
    HandleWindowMessage(bare, WM_SIZE, SIZE_MINIMIZED, 0);
    HandleWindowMessage(bare, WM_CLOSE, 0, 0);
    HandleWindowMessage(bare, MSG_SWITCH_SCREEN_MODE, 0, 0);
    EXPECT_EQ(keys, before);
    EXPECT_EQ(window.visible, 1);
    EXPECT_EQ(appRunning, 1);
    EXPECT_TRUE(fake_platform::Queued(bare).empty());
    EXPECT_EQ(Defaults() - defaults, 4u);
}
