// AppMain on the fake platform: the start-up question, the outer and inner loops, the exit
// statuses and the screen-mode passes.
#include <gmock/gmock.h>

#include "tests/app/shell_fixture.h"

using ::testing::ElementsAre;
using ::testing::Each;
using namespace platform;

namespace {

// Makes the scene press Escape's request on the given frame.
void QuitOnFrame(int frame) {
    scene_script::OnUpdate([frame](int n, WindowState& w) {
        if (n == frame) RequestQuit(w);
    });
}

}  // namespace

TEST_F(ShellTest, NoStartsFramedWindowAndEscapeEndsWithStatusZero) {
    fake_platform::QueueBoxAnswer(IDNO);
    QuitOnFrame(3);
    EXPECT_EQ(RunApp(), 0);

    ASSERT_EQ(fake_platform::Boxes().size(), 1u);
    const auto& question = fake_platform::Boxes()[0];
    EXPECT_EQ(question.owner, nullptr);
    EXPECT_EQ(question.text, kQuestion);
    EXPECT_EQ(question.caption, "Start FullScreen?");
    EXPECT_EQ(question.style, 0x24u);

    ASSERT_EQ(fake_platform::Windows().size(), 1u);
    const auto& w = fake_platform::Windows()[0];
    EXPECT_EQ(w.className, "OpenGL");
    EXPECT_EQ(w.title, "Quorvane BaseCode");
    EXPECT_EQ(w.style, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(w.exStyle, WS_EX_APPWINDOW);
    EXPECT_EQ(w.x, 0);
    EXPECT_EQ(w.y, 0);
    EXPECT_EQ(w.clientWidth, 640);  // the frame is outside the 640 x 480 client area
    EXPECT_EQ(w.clientHeight, 480);
    EXPECT_GT(w.width, 640);
    EXPECT_TRUE(w.destroyed);

    const auto& s = scene_script::Calls();
    EXPECT_EQ(s.inits, 1);
    EXPECT_EQ(s.updates, 3);  // Escape does not cut its frame short
    EXPECT_EQ(s.draws, 3);
    EXPECT_EQ(fake_platform::SwapCount(), 3);
    EXPECT_EQ(s.shutdowns, 1);
    EXPECT_TRUE(s.contextCurrentAtEveryHook);
    EXPECT_TRUE(s.windowAliveAtEveryHook);
    EXPECT_EQ(appRunning, 0);
    EXPECT_EQ(fake_platform::LogOf({"ChangeDisplayMode", "ShowCursor"}).size(), 0u);
    EXPECT_EQ(Last(fake_platform::Log()), "UnregisterWindowClass OpenGL");
    EXPECT_EQ(fake_platform::LiveContexts(), 0);
    EXPECT_EQ(fake_platform::HeldDeviceContexts(), 0);
}

TEST_F(ShellTest, AnyAnswerButNoStartsFullScreenOnASwitchedDisplay) {
    for (int answer : {IDYES, IDOK}) {
        SetUp();
        fake_platform::AddDisplayMode({640, 480, 32});
        fake_platform::QueueBoxAnswer(answer);
        int cursorWhileRunning = 99;
        DisplayMode modeWhileRunning{};
        scene_script::OnUpdate([&](int n, WindowState& w) {
            cursorWhileRunning = fake_platform::CursorCounter();
            modeWhileRunning = fake_platform::CurrentDisplayMode();
            if (n == 2) RequestQuit(w);
        });
        EXPECT_EQ(RunApp(), 0);

        const auto& w = fake_platform::Windows().at(0);
        EXPECT_EQ(w.style, WS_POPUP);
        EXPECT_EQ(w.exStyle, WS_EX_APPWINDOW | WS_EX_TOPMOST);
        EXPECT_EQ(w.width, 640);
        EXPECT_EQ(w.height, 480);
        EXPECT_EQ(cursorWhileRunning, -1);
        EXPECT_EQ(modeWhileRunning.width, 640);
        EXPECT_EQ(modeWhileRunning.bitsPerPixel, 32);
        EXPECT_EQ(fake_platform::CursorCounter(), 0);  // shown again after the run
        EXPECT_EQ(fake_platform::CurrentDisplayMode().width, 1024);
        EXPECT_THAT(fake_platform::LogOf({"ChangeDisplayMode", "ShowCursor", "DestroyWindow"}),
                    ElementsAre("ChangeDisplayMode 640x480x32", "ShowCursor 0", "DestroyWindow",
                                "ChangeDisplayMode restore", "ShowCursor 1"));
    }
}

TEST_F(ShellTest, RefusedSwitchGivesOneBoxAndAnUnadjustedFramedWindow) {
    fake_platform::QueueBoxAnswer(IDYES);  // the desktop offers only 1024 x 768
    int32_t configFullscreen = -1, wanted = -1;
    scene_script::OnUpdate([&](int, WindowState& w) {
        configFullscreen = w.config.fullscreen;
        wanted = wantFullscreen;
        RequestQuit(w);
    });
    EXPECT_EQ(RunApp(), 0);

    ASSERT_THAT(Texts(), ElementsAre(kQuestion, kModeSwitchFailed));
    EXPECT_EQ(fake_platform::Boxes()[1].caption, "Error");
    EXPECT_EQ(fake_platform::Boxes()[1].style, MB_ICONEXCLAMATION);
    EXPECT_EQ(fake_platform::Boxes()[1].owner, nullptr);
    EXPECT_EQ(configFullscreen, 0);
    EXPECT_EQ(wanted, 1);
    const auto& w = fake_platform::Windows().at(0);
    EXPECT_EQ(w.style, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(w.exStyle, WS_EX_APPWINDOW);
    EXPECT_EQ(w.width, 640);  // outer size 640 x 480, so the client area is smaller
    EXPECT_EQ(w.height, 480);
    EXPECT_EQ(fake_platform::LogOf({"AdjustWindowRect"}).size(), 0u);
    // Nothing was switched, so nothing is restored.
    EXPECT_THAT(fake_platform::LogOf({"ChangeDisplayMode", "ShowCursor"}),
                ElementsAre("ChangeDisplayMode 640x480x32"));
    // The picture fits the smaller client area the window really has, not 640 x 480.
    const double clientW = 640 - fake_platform::kFrameLeft - fake_platform::kFrameRight;
    const double clientH = 480 - fake_platform::kFrameTop - fake_platform::kFrameBottom;
    EXPECT_THAT(Last(GlArgs("glViewport")), ElementsAre(0, 0, clientW, clientH));
    EXPECT_EQ(Last(GlArgs("gluPerspective"))[1], clientW / clientH);
}

TEST_F(ShellTest, ClassRegistrationFailureShowsTwoBoxesAndReturnsMinusOne) {
    fake_platform::FailStep(fake_platform::Step::RegisterClass);
    EXPECT_EQ(RunApp(), -1);
    EXPECT_THAT(Texts(), ElementsAre(kQuestion, "RegisterClassEx Failed!",
                                     "Error Registering Window Class!"));
    for (size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(fake_platform::Boxes()[i].caption, "Error");
        EXPECT_EQ(fake_platform::Boxes()[i].style, MB_ICONEXCLAMATION);
    }
    EXPECT_TRUE(fake_platform::Windows().empty());
    EXPECT_EQ(fake_platform::LogOf({"UnregisterWindowClass"}).size(), 0u);
    EXPECT_TRUE(scene_script::Calls().hooks.empty());
}

TEST_F(ShellTest, EachCreationStepFailingEndsWithStatusOneAndReleasesEverything) {
    using fake_platform::Step;
    for (Step step : {Step::CreateWindow, Step::DeviceContext, Step::ChoosePixelFormat,
                      Step::SetPixelFormat, Step::CreateContext, Step::MakeCurrent}) {
        for (bool fullscreen : {false, true}) {
            SCOPED_TRACE(int(step) * 2 + fullscreen);
            SetUp();
            fake_platform::AddDisplayMode({640, 480, 32});
            fake_platform::QueueBoxAnswer(fullscreen ? IDYES : IDNO);
            fake_platform::FailStep(step);
            EXPECT_EQ(RunApp(), 1);
            ASSERT_THAT(Texts(), ElementsAre(kQuestion, "Error Creating OpenGL Window"));
            EXPECT_EQ(fake_platform::Boxes()[1].style, MB_ICONEXCLAMATION);
            EXPECT_TRUE(scene_script::Calls().hooks.empty());
            EXPECT_EQ(fake_platform::LiveWindow(), nullptr);
            EXPECT_EQ(fake_platform::LiveContexts(), 0);
            EXPECT_EQ(fake_platform::HeldDeviceContexts(), 0);
            EXPECT_EQ(Last(fake_platform::Log()), "UnregisterWindowClass OpenGL");
            // A switched display and a hidden cursor never outlive a failed start.
            EXPECT_EQ(fake_platform::CurrentDisplayMode().width, 1024);
            EXPECT_EQ(fake_platform::CursorCounter(), 0);
        }
    }
}

TEST_F(ShellTest, SceneInitFailureQuitsThroughShutdownAndCloseWithStatusOne) {
    scene_script::FailInit(1);
    EXPECT_EQ(RunApp(), 1);
    const auto& s = scene_script::Calls();
    EXPECT_THAT(s.hooks, ElementsAre("SceneInit", "SceneShutdown"));
    EXPECT_TRUE(s.contextCurrentAtEveryHook);
    EXPECT_TRUE(s.windowAliveAtEveryHook);
    EXPECT_EQ(fake_platform::SwapCount(), 0);
    EXPECT_EQ(appRunning, 0);
    ASSERT_EQ(fake_platform::Windows().size(), 1u);
    EXPECT_TRUE(fake_platform::Windows()[0].destroyed);
    EXPECT_THAT(Texts(), ElementsAre(kQuestion));  // the scene shows its own box, if any
}

TEST_F(ShellTest, CloseBoxEndsTheProgramAsEscapeDoes) {
    scene_script::OnUpdate([](int n, WindowState&) {
        if (n == 2) fake_platform::QueueInput(WM_CLOSE);
    });
    EXPECT_EQ(RunApp(), 0);
    EXPECT_EQ(scene_script::Calls().updates, 2);  // the close is handled before frame 3
    EXPECT_EQ(fake_platform::Windows().size(), 1u);
    EXPECT_EQ(scene_script::Calls().shutdowns, 1);
}

TEST_F(ShellTest, ScreenModeRequestsAlternateWindowsAndReinitialiseTheScene) {
    fake_platform::AddDisplayMode({640, 480, 32});
    fake_platform::QueueBoxAnswer(IDNO);
    scene_script::OnUpdate([](int n, WindowState& w) {
        if (n == 1) fake_platform::QueueInput(WM_KEYDOWN, VK_F1);
        if (n == 2 || n == 4) RequestFullscreenToggle(w);  // F1 still held when the window goes
        if (n == 6) RequestQuit(w);
    });
    EXPECT_EQ(RunApp(), 0);

    const auto& windows = fake_platform::Windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0].style, WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(windows[1].style, WS_POPUP);
    EXPECT_EQ(windows[2].style, WS_OVERLAPPEDWINDOW);
    const auto& s = scene_script::Calls();
    ASSERT_EQ(s.inits, 3);
    EXPECT_EQ(s.shutdowns, 3);
    EXPECT_THAT(s.fullscreenAtInit, ElementsAre(0, 1, 0));
    EXPECT_THAT(s.initWindows, Each(s.initWindows[0]));  // same records every time
    EXPECT_THAT(s.initKeys, Each(s.initKeys[0]));
    EXPECT_EQ(s.keysAtInit[1][VK_F1], 0);  // the held key reads as up in the new window
    EXPECT_EQ(wantFullscreen, 0);
    EXPECT_EQ(fake_platform::CursorCounter(), 0);
    EXPECT_EQ(fake_platform::CurrentDisplayMode().width, 1024);
}

TEST_F(ShellTest, AfterARefusedSwitchTheRequestsGoFramedThenTryFullScreenAgain) {
    fake_platform::QueueBoxAnswer(IDYES);  // the switch will be refused every time
    scene_script::OnUpdate([](int n, WindowState& w) {
        if (n == 1 || n == 2) RequestFullscreenToggle(w);
        if (n == 3) RequestQuit(w);
    });
    EXPECT_EQ(RunApp(), 0);
    EXPECT_THAT(Texts(), ElementsAre(kQuestion, kModeSwitchFailed, kModeSwitchFailed));
    const auto& windows = fake_platform::Windows();
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0].width, 640);  // refused: unadjusted
    EXPECT_GT(windows[1].width, 640);  // windowed request: grown by the frame
    EXPECT_EQ(windows[2].width, 640);  // refused again
    EXPECT_THAT(scene_script::Calls().fullscreenAtInit, ElementsAre(0, 0, 0));
}

TEST_F(ShellTest, QuitAndToggleInOneFrameQuitsWithoutSwitching) {
    scene_script::OnUpdate([](int, WindowState& w) {
        RequestQuit(w);
        RequestFullscreenToggle(w);
    });
    EXPECT_EQ(RunApp(), 0);
    EXPECT_EQ(fake_platform::Windows().size(), 1u);
    EXPECT_EQ(wantFullscreen, 0);  // the screen-mode message went with the window
}

TEST_F(ShellTest, CreationFailureOnALaterPassEndsWithStatusOne) {
    fake_platform::FailStep(fake_platform::Step::CreateContext, 2);
    scene_script::OnUpdate([](int, WindowState& w) { RequestFullscreenToggle(w); });
    EXPECT_EQ(RunApp(), 1);
    EXPECT_THAT(Texts(), ElementsAre(kQuestion, kModeSwitchFailed, "Error Creating OpenGL Window"));
    EXPECT_EQ(scene_script::Calls().inits, 1);
    EXPECT_EQ(scene_script::Calls().shutdowns, 1);
    EXPECT_EQ(fake_platform::LiveWindow(), nullptr);
}

TEST_F(ShellTest, MinimisedWindowWaitsAndTheRestoredFrameCountsTheWholeTime) {
    fake_platform::SetTick(1000, 1);
    const intptr_t size800x600 = (600 << 16) | 800;
    scene_script::OnUpdate([&](int n, WindowState& w) {
        if (n == 2) {
            fake_platform::QueueInput(WM_SIZE, SIZE_MINIMIZED, 0);
            fake_platform::QueueInputOnWait(WM_SIZE, SIZE_RESTORED, size800x600, 5000);
        }
        if (n == 4) RequestQuit(w);
    });
    EXPECT_EQ(RunApp(), 0);
    EXPECT_EQ(fake_platform::WaitCount(), 1);
    EXPECT_THAT(scene_script::Calls().elapsed, ElementsAre(1, 1, 5001, 1));
    // Minimising left the projection alone; restoring set it for the new size.
    const auto viewports = GlArgs("glViewport");
    ASSERT_EQ(viewports.size(), 3u);  // show, creation, restore
    EXPECT_THAT(Last(viewports), ElementsAre(0, 0, 800, 600));
    EXPECT_THAT(Last(GlArgs("gluPerspective")), ElementsAre(90.0, 800.0 / 600.0, double(0.1f), 100.0));
}

TEST_F(ShellTest, ElapsedTimeIsRightAcrossTheTickCounterWrap) {
    fake_platform::SetTick(0xFFFFFFF0u, 7);
    scene_script::OnUpdate([](int n, WindowState& w) {
        if (n == 5) RequestQuit(w);
    });
    EXPECT_EQ(RunApp(), 0);
    EXPECT_THAT(scene_script::Calls().elapsed, ElementsAre(7, 7, 7, 7, 7));
    EXPECT_LT(fake_platform::Tick(), 0x100u);  // it did wrap during the run
}

TEST_F(ShellTest, FirstFrameOfANewWindowCountsFromItsCreation) {
    fake_platform::SetTick(0, 3);
    scene_script::OnShutdown([] { fake_platform::SetTick(fake_platform::Tick() + 10000, 3); });
    scene_script::OnUpdate([](int n, WindowState& w) {
        if (n == 2) RequestFullscreenToggle(w);
        if (n == 4) RequestQuit(w);
    });
    EXPECT_EQ(RunApp(), 0);
    EXPECT_THAT(scene_script::Calls().elapsed, ElementsAre(3, 3, 3, 3));
}

TEST_F(ShellTest, WaitingMessagesAreHandledBeforeTheNextFrame) {
    KeyStates seen{};
    scene_script::OnUpdate([&](int n, WindowState& w) {
        if (n == 1) {
            fake_platform::QueueInput(WM_KEYDOWN, 'W');
            fake_platform::QueueInput(WM_KEYDOWN, VK_UP);
            fake_platform::QueueInput(WM_KEYUP, 'W');
        }
        if (n == 2) {
            seen = *w.keys;
            RequestQuit(w);
        }
    });
    EXPECT_EQ(RunApp(), 0);
    EXPECT_EQ(seen['W'], 0);
    EXPECT_EQ(seen[VK_UP], 1);
}
