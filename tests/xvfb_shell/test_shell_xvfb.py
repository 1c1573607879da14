"""The real program under Xvfb: the start-up question, the windowed, refused and borderless
windows, closing, SIGTERM, a minimised window's idle loop, and starting without a display.

Run one case:  QUORVANE=build/quorvane python3 test_shell_xvfb.py ShellUnderXvfb.test_windowed
"""

import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_lib import Program, XServer, make_texture_dir, wait_until  # noqa: E402

EXE = os.environ.get("QUORVANE", "build/quorvane")
TITLE = "Quorvane BaseCode"
QUESTION = "Start FullScreen?"


class ShellUnderXvfb(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.cwd = make_texture_dir(self.tmp.name)

    def tearDown(self):
        self.tmp.cleanup()

    def answer_question(self, x, key):
        box = x.wait_for_window(QUESTION)
        x.key(box, key)
        x.wait_window_gone(QUESTION)

    def test_windowed(self):
        """Escape answers No: a framed 640 x 480 window; the close box ends it with 0 at once."""
        with XServer(1024, 768, window_manager=True) as x, Program(x, EXE, self.cwd) as app:
            self.answer_question(x, "Escape")
            win = x.wait_for_window(TITLE)
            geometry = x.geometry(win)
            self.assertEqual((geometry["width"], geometry["height"]), (640, 480))
            frame = wait_until(lambda: x.frame_extents(win), 5, what="frame extents")
            self.assertGreater(sum(frame), 0, "a windowed window has a frame")
            self.assertFalse(x.undecorated(win))
            time.sleep(0.3)
            self.assertTrue(app.running())

            closed_at = time.monotonic()
            x.close(win)
            status = app.wait(1.0)
            took = time.monotonic() - closed_at
            print(f"closed after {took:.3f} s")
            self.assertEqual(status, 0, "ends with status 0 within a second of closing")
            _, err = app.output()
            self.assertNotIn("Start FullScreen?", err, "the question was shown, not printed")
            self.assertNotIn("Error", err)

    def test_refused_switch_runs_framed(self):
        """On a 1024 x 768 screen a full-screen answer is refused: its box, then a framed window."""
        with XServer(1024, 768, window_manager=True) as x, Program(x, EXE, self.cwd) as app:
            self.answer_question(x, "Return")
            error = x.wait_for_window("Error")
            self.assertIsNone(x.find_window(TITLE), "the box comes before the window")
            x.key(error, "Return")
            win = x.wait_for_window(TITLE)
            self.assertFalse(x.undecorated(win))
            self.assertNotIn("_NET_WM_STATE_ABOVE", x.property(win, "_NET_WM_STATE"))
            frame = wait_until(lambda: x.frame_extents(win), 5, what="frame extents")
            self.assertGreater(sum(frame), 0)
            app.signal()
            self.assertEqual(app.wait(5), 0)

    def test_fullscreen_on_a_640x480_screen_is_borderless(self):
        """Where the display already runs 640 x 480, Yes gives a borderless window at (0, 0)."""
        with XServer(640, 480, window_manager=True) as x, Program(x, EXE, self.cwd) as app:
            self.answer_question(x, "Return")
            win = x.wait_for_window(TITLE)
            self.assertEqual(x.geometry(win), {"x": 0, "y": 0, "width": 640, "height": 480})
            self.assertTrue(x.undecorated(win))
            self.assertIn("_NET_WM_STATE_ABOVE", x.property(win, "_NET_WM_STATE"))
            self.assertEqual(x.frame_extents(win) or (0, 0, 0, 0), (0, 0, 0, 0))
            self.assertIsNone(x.find_window("Error"))
            time.sleep(0.3)
            self.assertTrue(app.running())
            app.signal()  # SIGTERM ends it through the close path
            self.assertEqual(app.wait(5), 0)

    def test_screen_mode_toggle_makes_new_windows(self):
        """F1 makes the window again in the other mode; a refused switch keeps the outer size
        at 640 x 480; Escape ends the program with status 0."""
        with XServer(1024, 768, window_manager=True) as x, Program(x, EXE, self.cwd) as app:
            self.answer_question(x, "Escape")
            first = x.wait_for_window(TITLE)
            frame = wait_until(lambda: x.frame_extents(first), 5, what="frame extents")
            self.assertEqual(x.geometry(first)["width"], 640)

            x.press_until(first, "F1", lambda: x.find_window(TITLE) != first)  # refused here
            x.key(x.wait_for_window("Error"), "Return")
            second = wait_until(lambda: x.window_replaced(TITLE, first), 10, what="second window")
            left, right, top, bottom = wait_until(lambda: x.frame_extents(second), 5,
                                                  what="frame extents")
            inner = x.geometry(second)
            self.assertEqual((inner["width"] + left + right, inner["height"] + top + bottom),
                             (640, 480), "outer size unadjusted after a refused switch")

            # Back to windowed: the client area is 640 x 480 again.
            x.press_until(second, "F1", lambda: x.find_window(TITLE) != second)
            third = wait_until(lambda: x.window_replaced(TITLE, second), 10, what="third window")
            geometry = x.geometry(third)
            self.assertEqual((geometry["width"], geometry["height"]), (640, 480))
            self.assertEqual(frame, x.frame_extents(third))

            x.press_until(third, "Escape", lambda: not app.running(), 5, "the program ending")
            self.assertEqual(app.wait(0), 0)

    def test_minimised_window_uses_no_cpu(self):
        """Frames are drawn back to back, but a minimised window blocks until a message."""
        with XServer(1024, 768, window_manager=True) as x, Program(x, EXE, self.cwd) as app:
            self.answer_question(x, "Escape")
            win = x.wait_for_window(TITLE)
            busy = self.cpu_share(app, 1.0)
            x.minimize(win)
            wait_until(lambda: "_NET_WM_STATE_HIDDEN" in x.property(win, "_NET_WM_STATE"), 5,
                       what="minimised state")
            time.sleep(0.3)
            idle = self.cpu_share(app, 1.0)
            print(f"CPU share drawing {busy:.2f}, minimised {idle:.2f}")
            self.assertGreater(busy, 0.2, "the visible window draws continuously")
            self.assertLess(idle, 0.05, "the minimised window waits")
            x.activate(win)
            wait_until(lambda: self.cpu_share(app, 0.3) > 0.2, 5, what="drawing again")
            x.close(win)
            self.assertEqual(app.wait(5), 0)

    @staticmethod
    def cpu_share(app, seconds):
        before, start = app.cpu_seconds(), time.monotonic()
        time.sleep(seconds)
        return (app.cpu_seconds() - before) / (time.monotonic() - start)

    def test_no_display(self):
        """Without a display the program never runs unseen: two texts on stderr, status -1."""
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        env["XDG_RUNTIME_DIR"] = self.tmp.name
        app = Program(None, EXE, self.cwd, env=env)
        with app:
            status = app.wait(10)
            out, err = app.output()
        self.assertEqual(status, 255)
        self.assertIn("RegisterClassEx Failed!", err)
        self.assertIn("Error Registering Window Class!", err)
        self.assertLess(err.index("RegisterClassEx Failed!"),
                        err.index("Error Registering Window Class!"))


if __name__ == "__main__":
    unittest.main(verbosity=2)
