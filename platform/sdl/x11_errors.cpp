// The X error handler of x11_errors.h.
#include "platform/sdl/x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace platform {
namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);

ErrorHandler g_next = nullptr;  // the handler this one passes errors on to

// Requests that only read about a window: when the window is gone, the answer is lost and
// nothing else is.
bool OnlyReads(unsigned char request) {
    switch (request) {
    case X_GetWindowAttributes:
    case X_GetGeometry:
    case X_QueryTree:
    case X_GetProperty:
    case X_TranslateCoords:
        return true;
    default:
        return false;
    }
}

int HandleXError(Display* display, XErrorEvent* error) {
    const bool vanished = error->error_code == BadWindow || error->error_code == BadDrawable;
    if (vanished && OnlyReads(error->request_code)) return 0;
    return g_next ? g_next(display, error) : 0;
}

}  // namespace

void TolerateVanishedWindows() {
    const ErrorHandler previous = XSetErrorHandler(HandleXError);
    if (previous != HandleXError) g_next = previous;
}

}  // namespace platform
