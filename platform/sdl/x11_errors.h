// X protocol errors that must not end the program. Xlib's default answer to any error is to
// print it and exit; SDL chains its own handler (which puts the desktop's mode back) in front
// of that. When the window manager destroys a window SDL is asking about (the frame it
// reparents ours into, as it adopts or lets go of our window) between two of SDL's requests,
// the question fails with BadWindow although nothing is wrong with the program.
#pragma once

namespace platform {

// Puts a handler in front of the current one that lets a query about a window that is gone
// fail quietly (Xlib then returns failure to SDL, which goes on) and passes every other error
// on. Called after SDL's X11 video has started; calling it again changes nothing, and SDL
// puts its own handlers back when its video stops.
void TolerateVanishedWindows();

}  // namespace platform
