"""The demo on Wayland desktops, headless: sway (wlroots), GNOME's mutter and KDE's KWin. Through
XWayland (SDL's default) and, under sway, as a native Wayland client: the question, the first frame
beside the Linux build's on Xvfb, held keys, full screen and quitting.

Run one case:  QUORVANE=build/quorvane python3 tests/wayland/test_wayland.py SwayXWayland
"""

import functools
import os
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from wayland_lib import (KWin, Mutter, Program, Sway, VirtualKeyboard, e2e,  # noqa: E402
                         log_dir, wait_until)

EXE = os.path.abspath(e2e.EXE)
TITLE, QUESTION = e2e.TITLE, e2e.QUESTION
PIXELS = 640 * 480


class Session(unittest.TestCase):
    """A compositor of the class's kind and a folder holding the texture, for each test."""

    compositor = Sway

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.cwd = os.path.join(self.tmp.name, "run")
        os.makedirs(self.cwd)
        shutil.copy(e2e.TEXTURE, os.path.join(self.cwd, "water05t.bmp"))
        self.desktop = self.compositor(log_dir(self.id().split(".", 1)[1])).__enter__()

    def tearDown(self):
        self.desktop.__exit__(None, None, None)
        self.tmp.cleanup()

    def assert_like_linux(self, seen, expected):
        """The first frame against the Linux build's on Xvfb: Mesa draws both, so all but a
        few pixels agree, and every colour class is where Linux has it."""
        different = e2e.differing_pixels(seen, expected)
        ours, theirs = seen.classes(), expected.classes()
        print(f"first frame: {different} of {PIXELS} pixels differ from Linux by more than 24;"
              f" here {ours}; linux {theirs}")
        self.assertLess(different, PIXELS // 500, "at most 0.2 % of the pixels")
        for kind in ("cyan", "orange", "black", "lit"):
            self.assertAlmostEqual(ours.count[kind] / theirs.count[kind], 1.0, delta=0.05, msg=kind)

    def assert_fills(self, picture):
        """The scene reaches every edge: surface at the bottom corners, sky at the top right."""
        w, h = picture.width, picture.height
        for x, y, kind in ((8, h - 10, "black"), (w - 10, h - 10, "black"), (w - 10, 10, "cyan")):
            self.assertEqual(e2e.classify(*picture.pixel(x, y)), kind, (x, y))
        self.assertGreater(picture.classes(2).share("black"), 0.3)


class XWaylandSession(Session):
    """SDL's default path on a Wayland desktop: its X11 driver through XWayland."""

    def setUp(self):
        super().setUp()
        self.x = self.desktop.x_server()

    def windowed(self):
        """Answers No; the window once it draws, and its first frame."""
        e2e.answer_question(self.x, "Escape")
        win = self.x.wait_for_window(TITLE)
        grab = lambda: e2e.capture(self.x, win)
        e2e.poll_picture(grab, e2e.looks_like_a_frame, 20, "the first frames")
        return win, e2e.still_picture(grab)

    def drive_and_quit(self, app, win):
        """Held keys move what they move on Linux; Escape ends the program with status 0."""
        e2e.focus(self.x, win)
        e2e.held_key_moves(lambda: e2e.capture(self.x, win), lambda k: e2e.key_down(self.x, k),
                           lambda k: e2e.key_up(self.x, k))
        self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)

    def full_screen(self, app, width, height):
        """Answers Yes; the full-screen window once the compositor has made it width x height
        at (0,0), with frames drawn."""
        e2e.answer_question(self.x, "Return")
        win = self.x.wait_for_window(TITLE)
        size = {"x": 0, "y": 0, "width": width, "height": height}
        wait_until(lambda: self.x.geometry(win) == size, 10, what=f"the window at {size}")
        e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 20, "full-screen frames")
        self.assertIn("_NET_WM_STATE_FULLSCREEN", self.x.property(win, "_NET_WM_STATE"))
        # XWayland emulates the 640x480 mode for the program and tells the window manager so.
        self.assertTrue(self.x.property(win, "_XWAYLAND_RANDR_EMU_MONITOR_RECTS")
                        .endswith("= 0, 0, 640, 480"))
        # The program says so when the display did not switch to 640x480 for it.
        self.assertNotIn("display runs at", app.output()[1])
        return win


class SwayXWayland(XWaylandSession):
    def test_no_gives_a_framed_window_drawn_and_driven_as_on_linux(self):
        expected = e2e.linux_first_frame(EXE, self.cwd)
        with Program(self.x, EXE, self.cwd) as app:
            win, first = self.windowed()
            view = self.desktop.find_view(TITLE)
            self.assertEqual(view["shell"], "xwayland")
            self.assertEqual(view["fullscreen_mode"], 0)
            self.assertEqual(view["border"], "normal", "sway's title bar and border")
            self.assertFalse(self.x.undecorated(win))
            self.assertEqual((first.width, first.height), (640, 480))
            self.assert_like_linux(first, expected)
            self.drive_and_quit(app, win)

    def test_yes_gives_a_full_screen_window_filling_the_output(self):
        # XWayland tells the program its display now runs at 640x480, but sway knows nothing
        # of that emulation: it gives a full-screen window the whole output, and the program
        # draws for the size it is given.
        with Program(self.x, EXE, self.cwd) as app:
            win = self.full_screen(app, 1024, 768)
            self.assertEqual(self.desktop.find_view(TITLE)["fullscreen_mode"], 1)
            screen = e2e.still_picture(self.desktop.grab_output)
            self.assertEqual((screen.width, screen.height), (1024, 768))
            self.assert_fills(screen)
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)


class SwayTiled(XWaylandSession):
    compositor = functools.partial(Sway, tiled=True)

    def test_a_tiled_window_is_filled_by_the_picture(self):
        # sway's default: the window takes the whole workspace, not the size it asked for.
        with Program(self.x, EXE, self.cwd) as app:
            e2e.answer_question(self.x, "Escape")
            win = self.x.wait_for_window(TITLE)
            wait_until(lambda: self.x.geometry(win)["width"] > 1000, 10, what="the tiled size")
            grab = lambda: e2e.capture(self.x, win)
            e2e.poll_picture(grab, e2e.looks_like_a_frame, 20, "frames at the tiled size")
            picture = e2e.still_picture(grab)
            print(f"tiled: {picture.width}x{picture.height}")
            self.assert_fills(picture)
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)


class MutterXWayland(XWaylandSession):
    """A stacking desktop's XWayland, mutter's here, KWin's below: framed windows, and a full
    screen of full_screen_size. mutter follows XWayland's emulated 640x480 mode, which XWayland
    scales up; KWin, like sway, gives the window the whole output."""

    compositor = Mutter
    full_screen_size = (640, 480)

    def test_no_gives_a_framed_window_drawn_and_driven_as_on_linux(self):
        expected = e2e.linux_first_frame(EXE, self.cwd)
        with Program(self.x, EXE, self.cwd) as app:
            win, first = self.windowed()
            frame = wait_until(lambda: self.x.frame_extents(win), 5, what="the frame")
            print("frame extents", frame)
            self.assertGreater(frame[2], 0, "a title bar")
            self.assertEqual((first.width, first.height), (640, 480))
            self.assert_like_linux(first, expected)
            self.drive_and_quit(app, win)

    def test_yes_gives_a_full_screen_window_filled_by_the_picture(self):
        with Program(self.x, EXE, self.cwd) as app:
            win = self.full_screen(app, *self.full_screen_size)
            self.assert_fills(e2e.still_picture(lambda: e2e.capture(self.x, win)))
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)


class KWinXWayland(MutterXWayland):
    compositor = KWin
    full_screen_size = (1024, 768)


class SwayNative(Session):
    """SDL's Wayland driver: zenity asks the question, sway shows the window itself, and keys
    come from a virtual keyboard made before the program starts."""

    def setUp(self):
        super().setUp()
        self.keyboard = VirtualKeyboard(self.desktop).__enter__()

    def tearDown(self):
        self.keyboard.__exit__(None, None, None)
        super().tearDown()

    def start(self, **env):
        return Program(None, EXE, self.cwd, env=self.desktop.native_env(**env))

    def answer(self, key):
        """Answers the question from the keyboard (Escape: No, Return: Yes)."""
        dialog = self.desktop.wait_for_view(QUESTION)
        self.assertEqual((dialog["app_id"], dialog["shell"]), ("zenity", "xdg_shell"))
        wait_until(lambda: self.desktop.find_view(QUESTION)["focused"], 5, what="dialog focus")
        self.keyboard.press(key)
        return self.desktop.wait_for_view(TITLE)

    def grabber(self):
        """The window's picture source, once it draws. The window is looked up for every
        picture: sway moves its content when it puts its title bar on, or full screen."""
        grab = lambda: self.desktop.grab(self.desktop.find_view(TITLE))
        e2e.poll_picture(grab, e2e.looks_like_a_frame, 20, "the first frames")
        return grab

    def quit(self, app):
        self.keyboard.key_down("Escape")
        try:
            return app.wait(10)
        finally:
            self.keyboard.key_up("Escape")

    def test_no_gives_a_window_drawn_and_driven_as_on_linux(self):
        expected = e2e.linux_first_frame(EXE, self.cwd)
        with self.start() as app:
            view = self.answer("Escape")
            self.assertEqual((view["shell"], view["fullscreen_mode"]), ("xdg_shell", 0))
            # Framed: SDL asks sway for its title bar and border.
            wait_until(lambda: self.desktop.find_view(TITLE)["border"] == "normal", 5,
                       what="sway's frame")
            grab = self.grabber()
            first = e2e.still_picture(grab)
            self.assertEqual((first.width, first.height), (640, 480))
            self.assert_like_linux(first, expected)
            e2e.held_key_moves(grab, self.keyboard.key_down, self.keyboard.key_up)
            self.assertEqual(self.quit(app), 0)

    def test_yes_gives_the_compositors_full_screen(self):
        with self.start() as app:
            self.answer("Return")
            wait_until(lambda: self.desktop.find_view(TITLE)["fullscreen_mode"] == 1, 10,
                       what="full screen")
            self.grabber()
            screen = e2e.still_picture(self.desktop.grab_output)
            self.assertEqual((screen.width, screen.height), (1024, 768))
            self.assert_fills(screen)
            print("stderr:", app.output()[1].strip())
            self.assertEqual(self.quit(app), 0)

    def test_at_output_scale_2_the_picture_fills_a_1280x960_drawable(self):
        self.desktop.msg("output", Sway.OUTPUT, "mode", "1600x1200", "scale", "2")
        with self.start() as app:
            view = self.answer("Escape")
            self.assertEqual((view["window_rect"]["width"], view["window_rect"]["height"]),
                             (640, 480))
            grab = self.grabber()
            picture = e2e.still_picture(grab)
            self.assertEqual((picture.width, picture.height), (1280, 960))
            self.assert_fills(picture)
            # Drawn at 1280x960, not at 640x480 and scaled up by sway: then every 2x2 block of
            # pixels would be one colour; drawn at full size, the edges and the water are not.
            detailed = sum(1 for y in range(0, 960, 2) for x in range(0, 1280, 2)
                           if not picture.pixel(x, y) == picture.pixel(x + 1, y)
                           == picture.pixel(x, y + 1) == picture.pixel(x + 1, y + 1))
            print(f"scale 2: {detailed} of {640 * 480} 2x2 blocks not of one colour")
            self.assertGreater(detailed, 1000)
            marker = picture.classes(2).centroid["orange"]
            # Where the marker is at scale 1, twice as far from the corner.
            self.assertTrue(120 < marker[0] < 200 and 500 < marker[1] < 580, marker)
            self.assertEqual(self.quit(app), 0)

    def test_without_zenity_the_question_goes_to_stderr_and_means_no(self):
        empty = os.path.join(self.tmp.name, "bin")
        os.makedirs(empty)
        with self.start(PATH=empty) as app:
            view = self.desktop.wait_for_view(TITLE)
            self.assertEqual(view["fullscreen_mode"], 0)
            self.assertIsNone(self.desktop.find_view(QUESTION))
            self.assertIn(f"{QUESTION}: Would You Like To Run In Fullscreen Mode?",
                          app.output()[1])
            self.grabber()
            self.assertEqual(self.quit(app), 0)


if __name__ == "__main__":
    unittest.main()
