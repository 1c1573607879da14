// A guard for the X11 desktop's display mode while the program has it switched. The guard is
// this same program started again as a small process of its own: it notes the desktop's mode
// (screen size and every CRTC) before the switch and, should the program end without saying
// that the desktop mode is back (killed, crashed, its X connection lost), puts that mode back
// itself, then ends. SDL restores the mode on every ending it sees; the guard covers the rest.
#pragma once

namespace platform {

// Starts the guard unless one runs; returns once it has noted the current mode. False when it
// cannot run (no X display, a spawn failure): the switch then goes ahead without it.
bool StartModeGuard();
// Tells the guard that the desktop has its own mode again and waits for it to end. Nothing
// happens when no guard runs.
void StopModeGuard();

}  // namespace platform
