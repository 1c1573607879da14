// The window bookkeeping the SDL and web backends share, on a backend of plain records: each
// window's messages come back in the order posted and to that window only, a destroyed window
// takes its queued messages with it, and a stale or null handle is refused everywhere.
#include <gtest/gtest.h>

#include <vector>

#include "platform/common/window_registry.h"

namespace platform {

struct Window {
    int width = 0, height = 0;
};

void DrawableSize(const Window& window, int& width, int& height) {
    width = window.width;
    height = window.height;
}
void MessagePosted() {}
void DestroyWindow(WindowHandle handle) { RemoveWindow(handle); }

}  // namespace platform

using namespace platform;

namespace {

std::vector<Message> received;

intptr_t Record(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    received.push_back({window, message, wParam, lParam});
    return 0;
}

intptr_t RefuseCreate(WindowHandle, uint32_t message, uintptr_t, intptr_t) {
    return message == WM_CREATE ? -1 : 0;
}

class WindowRegistryTest : public ::testing::Test {
protected:
    void TearDown() override {
        Registry() = WindowRegistry{};
        received.clear();
    }
    static WindowHandle Open(int width, int height, WindowProcedure procedure = Record) {
        Window* w = AddWindow(std::make_shared<Window>(width, height), procedure);
        return SendCreate(w, CreateStruct{});
    }
    static std::vector<uintptr_t> Drain(WindowHandle window) {
        std::vector<uintptr_t> params;
        for (Message m{}; TakeMessage(m, window);) params.push_back(m.wParam);
        return params;
    }
};

TEST_F(WindowRegistryTest, EachWindowGetsItsOwnMessagesInOrderAndDestroyDropsOnlyItsOwn) {
    WindowHandle a = Open(640, 480), b = Open(800, 600), c = Open(320, 200);
    for (uintptr_t i = 1; i <= 3; ++i) {
        EXPECT_TRUE(PostMessage(a, WM_USER, i, 0));
        EXPECT_TRUE(PostMessage(b, WM_USER, 10 + i, 0));
        EXPECT_TRUE(PostMessage(c, WM_USER, 20 + i, 0));
    }
    EXPECT_EQ(Drain(b), (std::vector<uintptr_t>{11, 12, 13}));
    DestroyWindow(a);
    EXPECT_EQ(Drain(a), std::vector<uintptr_t>{});
    EXPECT_EQ(Drain(c), (std::vector<uintptr_t>{21, 22, 23}));
    EXPECT_TRUE(Registry().queue.empty());

    // A message taken from the queue reaches its own window's procedure, with its parameters.
    received.clear();
    PostMessage(c, WM_SIZE, SIZE_RESTORED, ClientSizeParam(*FindWindow(c)));
    Message m{};
    ASSERT_TRUE(TakeMessage(m, c));
    DispatchMessage(m);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].window, c);
    EXPECT_EQ(received[0].lParam, intptr_t(200 << 16 | 320));
}

TEST_F(WindowRegistryTest, DestroyedAndNullHandlesAreRefused) {
    WindowHandle gone = Open(640, 480);
    WindowHandle kept = Open(800, 600);
    int data = 0;
    SetWindowUserData(gone, &data);
    SetWindowUserData(kept, &data);
    DestroyWindow(gone);
    for (WindowHandle h : {gone, WindowHandle(nullptr)}) {
        EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
        EXPECT_EQ(GetWindowUserData(h), nullptr);
        Rect rect{1, 2, 3, 4};
        EXPECT_FALSE(GetClientRect(h, rect));
        EXPECT_EQ(rect.right, 3);
        EXPECT_FALSE(RemoveWindow(h));
        EXPECT_EQ(DispatchMessage({h, WM_USER, 0, 0}), 0);
    }
    EXPECT_EQ(GetWindowUserData(kept), &data);
    Rect rect{};
    ASSERT_TRUE(GetClientRect(kept, rect));
    EXPECT_EQ(rect.right, 800);
    EXPECT_EQ(rect.bottom, 600);
    // A procedure that refuses WM_CREATE leaves no window behind.
    EXPECT_EQ(Open(10, 10, RefuseCreate), nullptr);
    EXPECT_EQ(Registry().windows.size(), 1u);
}

TEST_F(WindowRegistryTest, ClassesNeedANameAndAProcedureAndAreRegisteredOnce) {
    EXPECT_FALSE(ClassAvailable({0, Record, nullptr, nullptr, 0, 0}));
    EXPECT_FALSE(ClassAvailable({0, Record, nullptr, "", 0, 0}));
    EXPECT_FALSE(ClassAvailable({0, nullptr, nullptr, "OpenGL", 0, 0}));
    ASSERT_TRUE(ClassAvailable({0, Record, nullptr, "OpenGL", 0, 0}));
    AddClass({0, Record, nullptr, "OpenGL", 0, 0});
    EXPECT_FALSE(ClassAvailable({0, RefuseCreate, nullptr, "OpenGL", 0, 0}));
    EXPECT_EQ(ClassProcedure("OpenGL"), &Record);
    EXPECT_EQ(ClassProcedure("Other"), nullptr);
    EXPECT_EQ(ClassProcedure(nullptr), nullptr);
    RemoveClass(nullptr);
    RemoveClass("OpenGL");
    EXPECT_EQ(ClassProcedure("OpenGL"), nullptr);
    EXPECT_TRUE(ClassAvailable({0, RefuseCreate, nullptr, "OpenGL", 0, 0}));
}

}  // namespace
