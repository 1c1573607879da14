"""The whole demo as a person uses it, under Xvfb (1024 x 768) with openbox: answer the start-up
question, look at the frames, hold keys down through XTest, switch screen mode, minimise,
quit, and run it many times over.

Run one case:  QUORVANE=build/quorvane QUORVANE_BOX_RECORDER=build/tests/e2e/libe2e_box_recorder.so \
               python3 tests/e2e/test_e2e.py Controls.test_letter_keys_move_the_light
"""

import os
import resource
import shutil
import signal
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib as e2e  # noqa: E402
from e2e_lib import EXE, QUESTION, SWITCH_FAILED, TITLE, Program, XServer, wait_until  # noqa: E402

QUESTION_BOX = (QUESTION, "Would You Like To Run In Fullscreen Mode?")


class DemoSession(unittest.TestCase):
    """A fresh X server with a window manager, a working directory holding the texture, and
    a log of the program's message boxes, for each test."""

    SCREEN = (1024, 768)  # 640 x 480 cannot be switched to: full screen is refused

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.cwd = os.path.join(self.tmp.name, "run")
        os.makedirs(self.cwd)
        shutil.copy(e2e.TEXTURE, os.path.join(self.cwd, "water05t.bmp"))
        self.x = XServer(*self.SCREEN, window_manager=True).__enter__()
        self.boxes = e2e.BoxLog(self.tmp.name)

    def tearDown(self):
        self.x.__exit__(None, None, None)
        self.tmp.cleanup()

    def start(self, cwd=None):
        return Program(self.x, EXE, cwd or self.cwd, env=self.boxes.env(self.x))

    def start_windowed(self, app):
        """Answers No and waits for the window's first frames; returns (window, classes)."""
        e2e.answer_question(self.x, "Escape")
        win = self.x.wait_for_window(TITLE)
        e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 10 * e2e.SLOWDOWN,
                           "the first frames")
        return win, e2e.settled(self.x, win)

    def new_window(self, old, timeout=10):
        """The program's window once it is not the old one any more."""
        return wait_until(lambda: self.x.window_replaced(TITLE, old), timeout, what="a new window")

    def assert_same_scene(self, seen, expected):
        """The same light and view: marker and lit patch where they were, classes as large."""
        for kind in ("orange", "lit"):
            for a, b in zip(seen.centroid[kind], expected.centroid[kind]):
                self.assertAlmostEqual(a, b, delta=1.5, msg=f"{kind} centroid {seen} vs {expected}")
        for kind in ("cyan", "black", "lit", "orange"):
            self.assertAlmostEqual(seen.count[kind], expected.count[kind],
                                   delta=max(10, expected.count[kind] * 0.03), msg=kind)


class FirstFrame(DemoSession):
    def test_first_frame_shows_sky_lit_patch_marker_and_dark_surface(self):
        with self.start() as app:
            win, frame = self.start_windowed(app)
            picture = e2e.capture(self.x, win)
            self.assertEqual((picture.width, picture.height), (640, 480))
            print("first frame:", frame)

            # Sky: the exact clear colour across the top, down to the surface's far edge,
            # which lies 1 unit below the eye at 5 units: 240 + 240 / 5 = row 288.
            for x in (5, 320, 635):
                self.assertEqual(picture.pixel(x, 5), (0, 255, 255))
            for x in (200, 320, 500):  # the edge is level between its corners at 80 and 552
                self.assertAlmostEqual(picture.sky_ends(x), 288, delta=3)
            self.assertGreater(frame.share("cyan"), 0.55)

            # The marker: a small orange disc ahead and to the left, above the far edge.
            self.assertTrue(60 <= frame.count["orange"] <= 600, frame)
            left, top, right, bottom = frame.box["orange"]
            self.assertLess(right - left, 30)
            self.assertLess(bottom - top, 30)
            # Its centre is where the light (1, 0.5, 1) projects: 4 ahead, 4 to the left and 0.5
            # below the eye, so 320 - 240 * 4 / 4 = 80 across and 240 + 240 * 0.5 / 4 = 270
            # down; pixel centres lie half a pixel further on.
            mx, my = frame.centroid["orange"]
            self.assertAlmostEqual(mx, 79.5, delta=1.5)
            self.assertAlmostEqual(my, 269.5, delta=1.5)
            self.assertEqual(picture.pixel(round(mx), round(my))[0], 255)
            self.assertAlmostEqual(picture.pixel(round(mx), round(my))[1], 128, delta=4)

            # The lit water lies under the marker and towards the lower left; it is the
            # texture (blue-green) times a grey shade, not grey.
            self.assertGreater(frame.count["lit"], 800)
            lx, ly = frame.centroid["lit"]
            self.assertGreater(ly, my + 10, "the lit patch is below the light")
            self.assertLess(lx, mx + 5, "and towards the left")
            self.assertGreaterEqual(frame.box["lit"][1], 286)
            blue = [b - r for r, g, b in (picture.pixel(x, y) for y in range(280, 340)
                                          for x in range(0, 200))
                    if e2e.classify(r, g, b) == "lit"]
            self.assertGreater(sum(blue) / len(blue), 15, "textured water, not bare grey")

            # Everything else of the surface is black, the right half and the bottom entirely.
            self.assertGreater(frame.share("black"), 0.3)
            corner = [picture.pixel(x, y) for y in range(330, 480, 3) for x in range(330, 640, 3)]
            self.assertTrue(all(e2e.classify(*p) == "black" for p in corner))
            self.assertLess(frame.share("other"), 0.01)

            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)


class Controls(DemoSession):
    def test_letter_keys_move_the_light(self):
        with self.start() as app:
            win, start = self.start_windowed(app)
            mx0, my0 = start.centroid["orange"]

            # D: to the right on screen, at the same height; the lit patch goes along.
            e2e.hold_until(self.x, win, "d", lambda c: c.count["orange"] and
                           abs(c.centroid["orange"][0] - mx0) >= 25, 20, "the marker moving")
            right = e2e.settled(self.x, win)
            mx1, my1 = right.centroid["orange"]
            print("D:", start, "->", right)
            self.assertGreater(mx1, mx0 + 20)
            self.assertAlmostEqual(my1, my0, delta=3)
            self.assertGreater(right.centroid["lit"][0], start.centroid["lit"][0] + 10)

            # W: away from the eye, so up the screen towards the horizon and smaller.
            e2e.hold_until(self.x, win, "w", lambda c: c.count["orange"] and
                           abs(c.centroid["orange"][1] - my1) >= 6, 20, "the marker moving")
            away = e2e.settled(self.x, win)
            mx2, my2 = away.centroid["orange"]
            print("W:", right, "->", away)
            self.assertLess(my2, my1 - 5)
            self.assertLess(away.count["orange"], right.count["orange"] * 0.8)

            # Q: up the screen, as large as before (same distance), the lit patch wider.
            e2e.hold_until(self.x, win, "q", lambda c: c.count["orange"] and
                           abs(c.centroid["orange"][1] - my2) >= 12, 20, "the marker moving")
            up = e2e.settled(self.x, win)
            print("Q:", away, "->", up)
            self.assertLess(up.centroid["orange"][1], my2 - 10)
            self.assertAlmostEqual(up.count["orange"], away.count["orange"],
                                   delta=away.count["orange"] * 0.25)
            self.assertGreater(up.count["lit"], away.count["lit"])

            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)

    def test_up_moves_the_view_forward(self):
        with self.start() as app:
            win, _ = self.start_windowed(app)
            # First the light straight ahead of the eye (x = 5), so it stays in view.
            e2e.hold_until(self.x, win, "d", lambda c: c.count["orange"] and
                           c.centroid["orange"][0] >= 300, 30, "the marker ahead")
            ahead = e2e.settled(self.x, win)
            edge0 = e2e.capture(self.x, win).sky_ends(420)
            # Forward: the surface's far edge comes nearer and drops down the screen; the
            # marker, nearer too, grows and drops.
            e2e.focus(self.x, win)
            e2e.key_down(self.x, "Up")
            try:
                wait_until(lambda: abs(e2e.capture(self.x, win).sky_ends(420) - edge0) >= 10,
                           20, what="the surface's edge moving")
            finally:
                e2e.key_up(self.x, "Up")
            nearer = e2e.settled(self.x, win)
            edge1 = e2e.capture(self.x, win).sky_ends(420)
            print("Up:", ahead, "->", nearer, f"edge {edge0} -> {edge1}")
            self.assertGreater(edge1, edge0 + 8)
            self.assertGreater(nearer.count["orange"], ahead.count["orange"] * 1.25)
            self.assertGreater(nearer.centroid["orange"][1], ahead.centroid["orange"][1] + 2)
            # Moving forward pushes whatever is off the middle outwards, never across it.
            off0 = ahead.centroid["orange"][0] - 320
            off1 = nearer.centroid["orange"][0] - 320
            self.assertGreaterEqual(off1 if off0 >= 0 else -off1, abs(off0) - 3,
                                    "the marker keeps its side of the middle")
            self.assertLess(abs(off1), abs(off0) * 2 + 10, "and does not fly off sideways")
            self.assertGreater(nearer.share("cyan"), ahead.share("cyan"), "more sky above it")
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)

    def test_light_below_the_plane_leaves_the_surface_black(self):
        with self.start() as app:
            win, start = self.start_windowed(app)
            # Held until the marker sinks out of sight: the surface hides a light below it.
            e2e.hold_until(self.x, win, "e",
                           lambda c: c.count["orange"] == 0 and c.count["lit"] == 0, 30,
                           "the light below the plane")
            below = e2e.settled(self.x, win)
            print("E:", start, "->", below)
            self.assertEqual(below.count["orange"], 0)
            self.assertEqual(below.count["lit"], 0, "no water is lit from below")
            self.assertAlmostEqual(below.count["cyan"], start.count["cyan"], delta=200,
                                   msg="the sky stays as it was")
            self.assertGreater(below.share("black"), 0.35)
            self.assertLess(below.share("other"), 0.005)
            # It was only just below, well inside the view: raised, it comes back where (1, 0, 1)
            # projects (80 across, 240 + 240 / 4 = 300 down), not at the bottom edge where a
            # marker drawn over the surface would have left the view. Q goes on lifting it for
            # the frames between its coming back and the capture that shows it, so it may show
            # higher up, never lower.
            back = e2e.hold_until(self.x, win, "q", lambda c: c.count["orange"] > 0, 20,
                                  "the marker coming back")
            print("Q:", back)
            self.assertAlmostEqual(back.centroid["orange"][0], 80, delta=6)
            self.assertLessEqual(back.centroid["orange"][1], 306)
            self.assertGreater(back.centroid["orange"][1], 240, "below the middle of the view")
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)


class PadSession(DemoSession):
    """With a gamepad of SDL's own that the test plugs in while the program runs."""

    def start(self, cwd=None):
        self.pad = e2e.VirtualPad(self.tmp.name)
        return Program(self.x, EXE, cwd or self.cwd, env=self.pad.env(self.boxes.env(self.x)))


class Gamepad(PadSession):
    def test_a_pad_plugged_in_moves_light_and_view_as_the_keys_do(self):
        with self.start() as app:
            win, _ = self.start_windowed(app)
            e2e.focus(self.x, win)
            self.pad.send("attach")
            e2e.held_key_moves(lambda: e2e.capture(self.x, win), self.pad.key_down,
                               self.pad.key_up)
            # Back quits, as Escape does.
            self.pad.key_down("Escape")
            self.assertEqual(app.wait(10 * e2e.SLOWDOWN), 0)

    def test_unplugging_a_held_pad_lets_its_keys_go(self):
        with self.start() as app:
            win, start = self.start_windowed(app)
            e2e.focus(self.x, win)
            x0 = start.centroid["orange"][0]
            # Held for a counted number of frames, the stick moves the light as D does.
            self.pad.send("attach", "axis 0 32767", "frames 20", "axis 0 0")
            moved = e2e.settled(self.x, win)
            self.assertGreater(moved.centroid["orange"][0], x0 + 5, moved)
            # Unplugged while held: the light stops for good.
            self.pad.send("axis 0 32767", "frames 5", "detach")
            stopped = e2e.settled(self.x, win)
            self.assertTrue(stopped.count["orange"], f"the marker is out of sight: {stopped}")
            self.pad.send("frames 30")
            self.assertEqual(e2e.settled(self.x, win).centroid["orange"],
                             stopped.centroid["orange"])
            # Plugged in again, it works at once.
            self.pad.send("attach", "axis 0 -32768", "frames 20", "axis 0 0")
            self.assertLess(e2e.settled(self.x, win).centroid["orange"][0],
                            stopped.centroid["orange"][0] - 5)
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)


class ScreenMode(DemoSession):
    def test_f1_refused_switch_then_windowed_again(self):
        with self.start() as app:
            win, start = self.start_windowed(app)
            # Move the light and the view away from their start first.
            mx0 = start.centroid["orange"][0]
            e2e.hold_until(self.x, win, "d", lambda c: c.count["orange"] and
                           c.centroid["orange"][0] - mx0 >= 20, 20, "the marker moving")
            self.assertGreater(e2e.settled(self.x, win).centroid["orange"][0], mx0 + 15)
            e2e.hold_until(self.x, win, "Up", lambda c: c.count["orange"] > start.count["orange"]
                           * 1.2, 20, "the marker growing")
            self.assertGreater(e2e.settled(self.x, win).count["orange"], start.count["orange"])

            # F1: the display cannot switch to 640 x 480, so one box says so...
            e2e.switch_screen_mode(self.x, win)
            box = self.x.wait_for_window("Error")
            self.assertIsNone(self.x.find_window(TITLE), "the old window is gone first")
            e2e.dismiss_box(self.x)
            self.assertEqual(self.boxes.boxes(), [QUESTION_BOX, ("Error", SWITCH_FAILED)])
            self.assertIsNone(self.x.find_window("Error"), f"one box only ({box:#x} answered)")

            # ...and the new window is framed with an outer size of 640 x 480 (its client is
            # smaller), with light and view back at the start.
            second = self.new_window(win)
            self.assertEqual(e2e.root_size(self.x), (1024, 768))
            frame = self.assert_framed(second)
            geometry = self.x.geometry(second)
            self.assertEqual((geometry["width"] + frame[0] + frame[1],
                              geometry["height"] + frame[2] + frame[3]), (640, 480))
            e2e.wait_for_picture(self.x, second, e2e.looks_like_a_frame, 10, "frames")
            self.assert_start_scene_in(e2e.settled(self.x, second), start, geometry)

            # A second F1 asks for a window again: no box this time.
            e2e.switch_screen_mode(self.x, second)
            third = self.new_window(second)
            self.assert_framed(third)
            geometry = self.x.geometry(third)
            self.assertEqual((geometry["width"], geometry["height"]), (640, 480))
            e2e.wait_for_picture(self.x, third, e2e.looks_like_a_frame, 10, "frames")
            self.assert_same_scene(e2e.settled(self.x, third), start)
            self.assertEqual(len(self.boxes.boxes()), 2)
            self.assertIsNone(self.x.find_window("Error"))

            self.assertEqual(e2e.quit_with_escape(self.x, third, app), 0)
            self.assertEqual(len(self.boxes.boxes()), 2)

    def assert_framed(self, win):
        frame = wait_until(lambda: self.x.frame_extents(win), 5, what="frame extents")
        self.assertGreater(sum(frame), 0)
        self.assertFalse(self.x.undecorated(win))
        return frame

    def assert_start_scene_in(self, seen, start, geometry):
        """The first frame's scene in a smaller client, drawn for the whole client: the marker
        and the lit patch sit where the start puts them, scaled about the centre by the height
        (the vertical field of view is fixed). The patch runs past the left edge, so only its
        other edges are compared."""
        width, height = geometry["width"], geometry["height"]
        scale = height / 480
        to_client = lambda x, y: (width / 2 + (x - 320) * scale, height / 2 + (y - 240) * scale)
        self.assertTrue(seen.count["orange"] and seen.count["lit"], seen)
        where = f"{seen} is not the start scene in {width} x {height}"
        for a, b in zip(seen.centroid["orange"], to_client(*start.centroid["orange"])):
            self.assertLess(abs(a - b), 2, where)
        area = start.count["orange"] * scale * scale
        self.assertLess(abs(seen.count["orange"] - area), 0.15 * area, where)
        _, top, right, bottom = start.box["lit"]
        expected = (*to_client(right, top), to_client(right, bottom)[1])
        seen_right_top_bottom = (seen.box["lit"][2], seen.box["lit"][1], seen.box["lit"][3])
        for a, b in zip(seen_right_top_bottom, expected):
            self.assertLess(abs(a - b), 3, where)


class Quitting(DemoSession):
    def test_escape_and_close_box_end_with_status_0(self):
        for how in ("Escape", "close box"):
            with self.subTest(how=how), self.start() as app:
                win, _ = self.start_windowed(app)
                if how == "Escape":
                    self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)
                else:
                    self.x.close(win)
                    self.assertEqual(app.wait(5), 0)
                self.assertIsNone(self.x.find_window(TITLE))
                out, err = app.output()
                self.assertEqual(err.strip(), "")
        self.assertEqual(self.boxes.boxes(), [QUESTION_BOX, QUESTION_BOX])


class Signals(DemoSession):
    SCREEN = (640, 480)  # full screen is granted here, so the cursor is hidden while it runs
    SHUTDOWN = [("SDL_GL_DeleteContext", ""), ("SDL_DestroyWindow", ""), ("SDL_ShowCursor", "shown")]

    def test_quit_signals_end_through_the_normal_shutdown(self):
        for sig, minimised in ((signal.SIGTERM, False), (signal.SIGINT, False),
                               (signal.SIGHUP, False), (signal.SIGHUP, True)):
            with self.subTest(signal=sig.name, minimised=minimised), self.start() as app:
                self.boxes.clear()
                e2e.answer_question(self.x, "Escape" if minimised else "Return")
                win = self.x.wait_for_window(TITLE)
                e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 10, "frames", step=4)
                if minimised:  # blocked waiting for a message
                    self.x.minimize(win)
                    wait_until(lambda: "_NET_WM_STATE_HIDDEN" in
                               self.x.property(win, "_NET_WM_STATE"), 5, what="minimised")
                else:
                    self.assertIn(("SDL_ShowCursor", "hidden"), self.boxes.calls())
                before = len(self.boxes.calls())
                app.signal(sig)
                self.assertEqual(app.wait(5), 0)
                # Context and window released, and a hidden cursor shown again, in that order.
                self.assertEqual(self.boxes.calls()[before:],
                                 self.SHUTDOWN[:2] if minimised else self.SHUTDOWN)
                self.assertIsNone(self.x.find_window(TITLE))
                self.assertEqual(app.output(), ("", ""))

    def test_a_signal_during_a_box_ends_the_program_once_the_box_is_answered(self):
        with self.start() as app:
            box = self.x.wait_for_window(QUESTION)
            app.signal(signal.SIGTERM)
            time.sleep(0.5)
            # The box stays up: it is modal, and quitting under it would lose the answer.
            self.assertTrue(app.running())
            self.assertEqual(self.x.find_window(QUESTION), box)
            e2e.answer_question(self.x, "Return")
            self.assertEqual(app.wait(5), 0)
            self.assertEqual(self.boxes.boxes(), [QUESTION_BOX])
            self.assertEqual(self.boxes.calls()[-3:], self.SHUTDOWN)
            self.assertIsNone(self.x.find_window(TITLE))

    def test_sigquit_still_quits_with_a_core_dump(self):
        soft, hard = resource.getrlimit(resource.RLIMIT_CORE)
        resource.setrlimit(resource.RLIMIT_CORE, (0, hard))  # the meaning, not the file
        try:
            with self.start() as app:
                e2e.answer_question(self.x, "Escape")
                win = self.x.wait_for_window(TITLE)
                e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 10, "frames", step=4)
                app.signal(signal.SIGQUIT)
                self.assertEqual(app.wait(5), -signal.SIGQUIT)
        finally:
            resource.setrlimit(resource.RLIMIT_CORE, (soft, hard))


class Minimise(DemoSession):
    IDLE_SHARE = 0.03  # the most CPU a minimised program may use

    def test_minimised_window_stops_drawing_and_restore_resumes(self):
        with self.start() as app:
            win, start = self.start_windowed(app)
            busy, idle = e2e.cpu_drawing_then_minimised(self.x, app, win)
            self.assertGreater(busy, 0.2, "a visible window draws back to back")
            self.assertLess(idle, self.IDLE_SHARE, "a minimised window draws nothing")

            e2e.focus(self.x, win)  # restores it
            wait_until(lambda: e2e.cpu_share(app, 0.3) > 0.2, 5, what="drawing again")
            mx0 = start.centroid["orange"][0]
            e2e.hold_until(self.x, win, "d", lambda c: c.count["orange"] and
                           c.centroid["orange"][0] - mx0 >= 20, 20, "the marker moving")
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)


class MissingTexture(DemoSession):

    def test_missing_texture_one_box_and_status_1(self):
        for case, content in (("missing", None), ("not a bitmap", b"GIF89a" + bytes(200))):
            with self.subTest(case=case):
                cwd = tempfile.mkdtemp(dir=self.tmp.name)
                if content is not None:
                    with open(os.path.join(cwd, "water05t.bmp"), "wb") as f:
                        f.write(content)
                self.boxes.clear()
                with self.start(cwd) as app:
                    e2e.answer_question(self.x, "Escape")
                    e2e.dismiss_box(self.x)
                    self.assertEqual(app.wait(5), 1)
                    boxes = self.boxes.boxes()
                    self.assertEqual(len(boxes), 2, boxes)
                    self.assertEqual(boxes[0], QUESTION_BOX)
                    if content is None:
                        self.assertEqual(boxes[1], ("Error", "Failed to open DIB file water05t.bmp.\n"))
                    else:  # "GIF8" read as a header size is neither 12 nor 40
                        self.assertEqual(boxes[1], ("Error", "Unknown DIB file format."))
                    # The display is as it was: same size, no window of ours left.
                    self.assertEqual(e2e.root_size(self.x), (1024, 768))
                    self.assertIsNone(self.x.find_window(TITLE))
                    self.assertIsNone(self.x.find_window("Error"))


class Endurance(DemoSession):
    def test_fifty_start_quit_cycles(self):
        statuses = []
        started = time.monotonic()
        for cycle in range(50):
            with self.start() as app:
                e2e.answer_question(self.x, "Escape")
                win = self.x.wait_for_window(TITLE)
                e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 10, "frames", step=4)
                status = e2e.quit_with_escape(self.x, win, app)
                statuses.append(status)
                self.assertEqual(status, 0, f"cycle {cycle}: {app.output()}")
                self.x.wait_window_gone(TITLE, 5)
        print(f"50 cycles in {time.monotonic() - started:.1f} s")
        self.assertEqual(statuses, [0] * 50)
        self.assertEqual(self.boxes.boxes(), [QUESTION_BOX] * 50)

    def test_twenty_screen_mode_toggles_keep_memory_flat(self):
        with self.start() as app:
            win, start = self.start_windowed(app)
            anonymous = [e2e.anon_kib(app.pid)]
            for toggle in range(1, 21):
                e2e.switch_screen_mode(self.x, win)
                if toggle % 2:  # towards full screen: refused, one box
                    e2e.dismiss_box(self.x)
                win = self.new_window(win)
                e2e.wait_for_picture(self.x, win, e2e.looks_like_a_frame, 10, "frames", step=4)
                anonymous.append(e2e.anon_kib(app.pid))
                self.assertTrue(app.running(), f"toggle {toggle}")
            self.assertEqual(e2e.quit_with_escape(self.x, win, app), 0)

        boxes = self.boxes.boxes()
        self.assertEqual(boxes, [QUESTION_BOX] + [("Error", SWITCH_FAILED)] * 10)
        heap = [n // 1024 for n in self.boxes.heap()]
        print("heap in use before each window (KiB):", heap)
        print("anonymous memory after each window (KiB):", anonymous)
        self.assertEqual(len(heap), 21, "one context per window")
        # Driver and X caches fill during the first few windows; after that everything a
        # window took must be back before the next one. One decoded 256 x 256 texture kept
        # per window (192 KiB) would add 2.8 MiB over the last 15.
        growth = heap[-1] - heap[5]
        self.assertLess(growth, 256, f"heap grew {growth} KiB over windows 6 to 21: {heap}")
        # A coarser check that no mapping outside malloc grows with each window.
        self.assertLess(anonymous[-1] - anonymous[5], 8 * 1024, anonymous)


class MinimiseWithPad(PadSession, Minimise):
    """A pad plugged in must not keep a minimised program awake: SDL left to poll it in its
    waits takes 2 to 4 % of a core, a program asleep none."""
    IDLE_SHARE = 0.01

    def start_windowed(self, app):
        shown = super().start_windowed(app)
        self.pad.send("attach")
        return shown


if __name__ == "__main__":
    unittest.main(verbosity=2)
