"""An X server whose display really changes mode, for the desktop tests.

Xorg with the dummy video driver: a 1024 x 768 desktop that also offers 800 x 600 and 640 x 480
through RandR, with openbox when asked. No console, no input devices (XTest's own devices take
the keys), a display number of its own through -displayfd. Its config and log are written to
`folder` (one per test, in the build tree) and stay there to be read after a run.

    with XorgServer("build/tests/desktop/xorg-FullScreen") as x:
        ...everything xvfb_lib.XServer offers...
        x.mode()                       # (1024, 768) until a program switches it
"""

import ctypes
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "xvfb_shell"))
from xvfb_lib import XServer  # noqa: E402

CONFIG = """\
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 16384
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-100.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "1024x768" "800x600" "640x480"
    EndSubSection
EndSection
"""

DESKTOP = (1024, 768)


class XorgServer(XServer):
    def __init__(self, folder, window_manager=True):
        super().__init__(*DESKTOP, 24, window_manager=window_manager)
        os.makedirs(folder, exist_ok=True)
        self.folder = folder
        self.config = os.path.join(self.folder, "xorg.conf")
        self.log = os.path.join(self.folder, "xorg.log")
        with open(self.config, "w") as f:
            f.write(CONFIG)

    def server_command(self, displayfd):
        # Auto-repeat off, as on Xvfb (XServer.server_command).
        return ["Xorg", "-displayfd", str(displayfd), "-noreset", "-nolisten", "tcp",
                "+extension", "RANDR", "-config", self.config, "-logfile", self.log, "-r"]

    def mode(self):
        """(width, height) of the mode the connected output shows."""
        text = self.tool(["xrandr", "-q"])
        match = re.search(r"^\S+ connected (?:primary )?(\d+)x(\d+)\+\d+\+\d+", text, re.M)
        if not match:
            raise RuntimeError(f"no connected output with a mode: {text[:200]}")
        return int(match[1]), int(match[2])

    def on_top(self, wid):
        """True when the window is the topmost of the window manager's clients."""
        text = self.tool(["xprop", "-root", "_NET_CLIENT_LIST_STACKING"])
        ids = [int(n, 16) for n in re.findall(r"0x[0-9a-f]+", text)]
        return bool(ids) and ids[-1] == wid

    def cursor_visible(self):
        """Whether the cursor the server shows now has any opaque pixel (XFixes)."""
        x11 = ctypes.CDLL("libX11.so.6")
        xfixes = ctypes.CDLL("libXfixes.so.3")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XFree.argtypes = [ctypes.c_void_p]

        class CursorImage(ctypes.Structure):
            _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                        ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                        ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                        ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                        ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]

        xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
        xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        display = x11.XOpenDisplay(self.display.encode())
        if not display:
            raise RuntimeError(f"cannot open {self.display}")
        try:
            image = xfixes.XFixesGetCursorImage(display)
            if not image:
                raise RuntimeError("XFixesGetCursorImage failed")
            c = image.contents
            visible = any(c.pixels[i] & 0xFF000000 for i in range(c.width * c.height))
            x11.XFree(image)
            return visible
        finally:
            x11.XCloseDisplay(display)
