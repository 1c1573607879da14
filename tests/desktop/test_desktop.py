"""The program on a display that really changes mode: Xorg's dummy driver (xorg_lib.py) with a
1024 x 768 desktop that lists 640 x 480, and openbox. Full screen switches the display, F1 goes
back and forth, and however the program ends the desktop gets its own mode back. The Linux build
runs by default; with QUORVANE_EXE and WINE_RUN set, the Windows build under Wine.

Run one case:  QUORVANE=build/quorvane python3 tests/desktop/test_desktop.py FullScreen
"""

import os
import resource
import signal
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "windows"))
import e2e_lib as e2e  # noqa: E402
from xorg_lib import DESKTOP, XorgServer  # noqa: E402
from xvfb_lib import Program, make_texture_dir, wait_until  # noqa: E402

WINE = bool(os.environ.get("QUORVANE_EXE"))
if WINE:
    from test_wine_e2e import WineProgram  # noqa: E402
SERVERS = os.environ.get("QUORVANE_XORG_DIR", os.path.join(tempfile.gettempdir(), "quorvane-xorg"))
SWITCHED = (640, 480)
TITLE = e2e.TITLE


class DesktopSession(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.cwd = make_texture_dir(self.tmp.name)
        folder = os.path.join(SERVERS, "xorg-" + ("wine-" if WINE else "") + type(self).__name__)
        self.x = XorgServer(folder).__enter__()

    def tearDown(self):
        self.x.__exit__(None, None, None)
        self.tmp.cleanup()

    def start(self):
        if WINE:
            return WineProgram(self.x, self.cwd)
        return Program(self.x, e2e.EXE, self.cwd)

    def answer_yes(self):
        box = self.x.wait_for_window(e2e.QUESTION, 60 if WINE else 10)
        e2e.focus(self.x, box)
        if WINE:  # MessageBoxA's Yes button
            self.x.tool(["xdotool", "key", "y"])
        else:
            e2e.key_down(self.x, "Return")
            e2e.key_up(self.x, "Return")
        self.x.wait_window_gone(e2e.QUESTION)

    def cursor_over(self, wid, visible):
        """Waits until the cursor over the window's middle is shown or hidden as asked."""
        geometry = self.x.geometry(wid)
        self.x.tool(["xdotool", "mousemove", str(geometry["x"] + geometry["width"] // 2),
                     str(geometry["y"] + geometry["height"] // 2)])
        wait_until(lambda: self.x.cursor_visible() == visible, 5,
                   what="the cursor " + ("shown" if visible else "hidden"))

    def full_screen(self, old=None):
        """The switched display under its borderless window; returns the window."""
        win = wait_until(lambda: self.x.window_replaced(TITLE, old), 30, what="the window")
        wait_until(lambda: self.x.mode() == SWITCHED, 10, what="the display at 640 x 480")
        wait_until(lambda: self.x.geometry(win) == {"x": 0, "y": 0, "width": 640, "height": 480},
                   5, what="the window covering the display")
        self.assertEqual(self.x.frame_extents(win) or (0, 0, 0, 0), (0, 0, 0, 0))
        wait_until(lambda: self.x.on_top(win), 5, what="the window above the others")
        self.cursor_over(win, False)
        e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 20, "the first frame", step=4)
        return win

    def windowed(self, old):
        """The desktop's mode and a framed window with a 640 x 480 client; returns the window."""
        win = wait_until(lambda: self.x.window_replaced(TITLE, old), 30, what="the window")
        wait_until(lambda: self.x.mode() == DESKTOP, 10, what="the desktop's mode")
        frame = wait_until(lambda: self.x.frame_extents(win), 5, what="frame extents")
        self.assertGreater(sum(frame), 0)
        geometry = self.x.geometry(win)
        self.assertEqual((geometry["width"], geometry["height"]), (640, 480))
        self.cursor_over(win, True)
        e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 20, "frames", step=4)
        return win

    def children(self, app):
        if WINE:  # the Windows build starts none; Wine's own helpers come and go as they like
            return []
        with open(f"/proc/{app.pid}/task/{app.pid}/children") as f:
            return [int(pid) for pid in f.read().split()]

    def assert_ended_with_desktop_mode(self, app, status, children, ended_at):
        self.assertEqual(app.wait(10), status)
        wait_until(lambda: self.x.mode() == DESKTOP, 2, what="the desktop's mode back")
        print(f"desktop mode back {time.monotonic() - ended_at:.3f} s after the ending")
        # Nothing of the program keeps running (a child reparented on its death is reaped by
        # whoever adopted it).
        wait_until(lambda: not any(running(pid) for pid in children), 2,
                   what="no process left behind")


def running(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


class FullScreen(DesktopSession):
    def test_yes_switches_f1_goes_back_and_forth_escape_restores(self):
        with self.start() as app:
            self.answer_yes()
            first = self.full_screen()
            e2e.switch_screen_mode(self.x, first, timeout=30)
            second = self.windowed(first)
            e2e.switch_screen_mode(self.x, second, timeout=30)
            third = self.full_screen(second)
            children = self.children(app)
            self.assertEqual(e2e.quit_with_escape(self.x, third, app, timeout=10), 0)
            self.assert_ended_with_desktop_mode(app, 0, children, time.monotonic())

    def test_close_box_and_sigterm_in_full_screen_end_with_0(self):
        # Wine ends a Windows program on SIGTERM by the signal, with no message the program
        # could answer, and leaves the display switched (README.md, "Desktops").
        for how in ("close box",) if WINE else ("close box", "SIGTERM"):
            with self.subTest(how=how), self.start() as app:
                self.answer_yes()
                win = self.full_screen()
                children = self.children(app)
                if how == "SIGTERM":
                    app.signal(signal.SIGTERM)
                else:
                    self.x.close(win)
                self.assert_ended_with_desktop_mode(app, 0, children, time.monotonic())


class Endings(DesktopSession):
    """The endings the program cannot clean up after: killed, crashed, or cut off from the X
    server while the display is switched. The desktop's mode is back within 2 seconds."""

    def setUp(self):
        super().setUp()
        soft, hard = resource.getrlimit(resource.RLIMIT_CORE)
        resource.setrlimit(resource.RLIMIT_CORE, (0, hard))  # the ending, not the core file
        self.addCleanup(resource.setrlimit, resource.RLIMIT_CORE, (soft, hard))

    def test_killed_crashed_or_cut_off_while_switched(self):
        crashes = [signal.SIGKILL, signal.SIGSEGV, signal.SIGBUS, signal.SIGFPE, signal.SIGILL,
                   signal.SIGABRT]
        for ending in crashes + ["X connection lost"]:
            name = ending if isinstance(ending, str) else ending.name
            with self.subTest(ending=name), self.start() as app:
                self.answer_yes()
                win = wait_until(lambda: self.x.find_window(TITLE), 10, what="the window")
                wait_until(lambda: self.x.mode() == SWITCHED, 10, what="the switched display")
                children = self.children(app)
                ended_at = time.monotonic()
                if isinstance(ending, str):
                    self.x.tool(["xkill", "-id", str(win)])  # XKillClient on its connection
                    status = 1  # Xlib's fatal I/O error ends it with 1
                else:
                    app.signal(ending)
                    status = -ending  # ends by its signal, as it would have without a guard
                self.assert_ended_with_desktop_mode(app, status, children, ended_at)


class KilledUnderWine(DesktopSession):
    """The Windows build killed while switched cannot restore anything itself. Wine decides:
    Wine 10 gives the desktop's mode back as Windows does for a CDS_FULLSCREEN switch, Wine 8
    leaves the display switched (README.md, "Desktops"). Either way the display ends at one of
    the two modes, and `xrandr -s` with the desktop's size gives the desktop back."""

    def test_killed_while_switched_leaves_the_desktop_mode_or_one_for_xrandr(self):
        with self.start() as app:
            self.answer_yes()
            self.full_screen()
            app.signal(signal.SIGKILL)
            self.assertEqual(app.wait(10), -signal.SIGKILL)
            time.sleep(3)  # longer than the Linux build's guard needs
            left = self.x.mode()
            print("display after the kill:", left, "(Wine gave it back)" if left == DESKTOP else "")
            self.assertIn(left, (SWITCHED, DESKTOP))
            self.x.tool(["xrandr", "-s", "{}x{}".format(*DESKTOP)])
            wait_until(lambda: self.x.mode() == DESKTOP, 5, what="the desktop's mode back")


if __name__ == "__main__":
    unittest.main(verbosity=2)
