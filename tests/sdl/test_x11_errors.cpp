// The X error handler of platform/sdl/x11_errors.h on a real X server: a query about a window that
// is gone fails quietly, and every other error reaches the handler that was there before.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool are macros
#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <vector>

#include "platform/sdl/x11_errors.h"

namespace {

std::vector<int> g_passedOn;  // request codes of the errors the earlier handler saw

int RecordError(Display*, XErrorEvent* error) {
    g_passedOn.push_back(error->request_code);
    return 0;
}

TEST(X11Errors, QueriesAboutAVanishedWindowFailQuietlyAndTheRestPassOn) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "no X display";
    const Window root = DefaultRootWindow(display);
    const Window gone = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, gone);
    XSync(display, False);

    XSetErrorHandler(RecordError);  // stands for SDL's handler
    platform::TolerateVanishedWindows();
    platform::TolerateVanishedWindows();  // again, as SDL's video starts again: no loop

    int x = 0, y = 0;
    Window child, rootOf, parent, *children = nullptr;
    unsigned count = 0;
    XWindowAttributes attributes;
    EXPECT_FALSE(XTranslateCoordinates(display, gone, root, 1, 2, &x, &y, &child));
    EXPECT_FALSE(XQueryTree(display, gone, &rootOf, &parent, &children, &count));
    EXPECT_FALSE(XGetWindowAttributes(display, gone, &attributes));
    // Changing a window that is gone is a fault of the program's own, and is passed on.
    XMapWindow(display, gone);
    XSync(display, False);
    EXPECT_EQ(g_passedOn, std::vector<int>{X_MapWindow});
    XCloseDisplay(display);
}

}  // namespace
