"""The web build of the demo in a browser, driven as a person would: the question dialog, the
first frame beside the Linux build's, held keys, quitting and starting again, full screen, a bad
texture, a hidden page, a high-DPI screen, a phone. The same cases run in Chromium, Firefox and
WebKit (web_browsers.py), the browser given by --browser or QUORVANE_BROWSER (Chromium when
neither). The page is served from loopback by a server inside this script, from a folder holding
the build's page and program and whatever texture the case needs.

Run one case:  QUORVANE_WEB=build-web QUORVANE=build/quorvane \\
               python3 tests/web/test_web.py --browser webkit Keys
Firefox also needs QUORVANE_PUPPETEER, the folder of npm's puppeteer-core. A browser that is not
installed skips its cases, saying what to install.
"""

import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from web_browsers import (  # noqa: E402
    BROWSERS, INSTALL, TOUCH_SCREEN_PRELUDE, ChromiumPage, e2e, missing, open_page, wait_until)

WEB = os.path.abspath(os.environ.get("QUORVANE_WEB", "build-web"))
LINUX_EXE = os.path.abspath(os.environ.get("QUORVANE", "build/quorvane"))
BROWSER = os.environ.get("QUORVANE_BROWSER", "chromium")
QUESTION = "Would You Like To Run In Fullscreen Mode?"
PAGE_FILES = ("index.html", "quorvane.js", "quorvane.wasm", "sw.js", "quorvane.webmanifest",
              "quorvane_180.png", "quorvane_192.png", "quorvane_512.png")
Page = ChromiumPage  # the page of the cases that only Chromium can run


class PageServer:
    """Serves a folder on 127.0.0.1 at a free port, optionally with extra response headers."""

    def __init__(self, folder, headers=None, port=0):
        extra = dict(headers or {})

        class Handler(http.server.SimpleHTTPRequestHandler):
            def end_headers(self):
                for name, value in extra.items():
                    self.send_header(name, value)
                super().end_headers()

            def log_message(self, *args):
                pass

        handler = functools.partial(Handler, directory=folder)
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
        self.port = self.httpd.server_address[1]
        self.url = f"http://127.0.0.1:{self.port}/index.html"
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


class WebSession(unittest.TestCase):
    texture = e2e.TEXTURE  # None: no texture beside the page; bytes: that content
    headers = None
    scale = 1
    phone = None  # (width, height) in CSS pixels: a phone at pixel ratio 3
    insets = None  # its notch and home bar: safe-area insets (top, right, bottom, left)
    prelude = ""  # script run in the page before its own
    browsers = BROWSERS  # those that can run the case
    said_skipped = False

    @classmethod
    def setUpClass(cls):
        lacks = missing(BROWSER)
        if lacks:
            if not WebSession.said_skipped:  # once a run
                print(f"SKIPPED: the web tests in {BROWSER} (missing {lacks}; install "
                      f"{INSTALL[BROWSER]})")
                WebSession.said_skipped = True
            raise unittest.SkipTest(lacks)
        if BROWSER not in cls.browsers:
            raise unittest.SkipTest(f"{cls.__name__} needs {' or '.join(cls.browsers)}")

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.folder = self.page_folder(self.texture)
        self.server = PageServer(self.folder, self.headers)
        self.page = self.open_page(self.server.url)

    def tearDown(self):
        self.page.close()
        self.server.close()
        self.tmp.cleanup()

    def open_page(self, url):
        if self.insets:
            return ChromiumPage(url, self.scale, self.phone, self.insets)
        return open_page(BROWSER, url, self.scale, self.phone)

    def page_folder(self, texture):
        folder = tempfile.mkdtemp(dir=self.tmp.name)
        for name in PAGE_FILES:
            shutil.copy(os.path.join(WEB, name), folder)
        if isinstance(texture, bytes):
            with open(os.path.join(folder, "water05t.bmp"), "wb") as f:
                f.write(texture)
        elif texture:
            shutil.copy(texture, os.path.join(folder, "water05t.bmp"))
        prelude = self.prelude
        if self.phone and BROWSER == "webkit":  # no touch screen to emulate there
            prelude += TOUCH_SCREEN_PRELUDE
        if prelude:
            with open(os.path.join(folder, "index.html"), "r+") as f:
                page = f.read().replace("<head>", f"<head>\n<script>{prelude}</script>", 1)
                f.seek(0)
                f.write(page)
        return folder

    def start_windowed(self, by_touch=False):
        self.assertEqual(self.page.wait_for_dialog(), ["Start FullScreen?", QUESTION, ["Yes", "No"]])
        answered = time.monotonic()
        self.page.answer("No", by_touch)
        wait_until(lambda: self.page.frames() > 0, 20, what="the first frame")
        shown = time.monotonic()
        classes = self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "the first frames")
        return classes, answered, shown


class FirstFrame(WebSession):
    def test_question_then_a_first_frame_that_matches_linux(self):
        expected = e2e.linux_first_frame(LINUX_EXE, self.folder)
        _, answered, shown = self.start_windowed()
        seen = self.page.settled()
        self.assertEqual((seen.width, seen.height), (640, 480))
        different = e2e.differing_pixels(seen, expected)
        ours, theirs = seen.classes(), expected.classes()
        print(f"first frame: {different} of {640 * 480} pixels differ from Linux by more than 24;"
              f" web {ours}; linux {theirs}")
        print(f"answer to first frame: {(shown - answered) * 1000:.0f} ms")
        # Another rasteriser and texture filter: edges and the lit patch may differ a little,
        # every class must be where Linux has it.
        self.assertLess(different, 640 * 480 // 500, "at most 0.2 % of the pixels")
        for kind in ("cyan", "orange", "black", "lit"):
            self.assertGreater(ours.count[kind], 0, kind)
            self.assertAlmostEqual(ours.count[kind] / theirs.count[kind], 1.0, delta=0.1, msg=kind)
            for a, b in zip(ours.centroid[kind], theirs.centroid[kind]):
                self.assertLess(abs(a - b), 3, kind)

    def test_load_time_and_frame_rate(self):
        """Not a pass/fail figure: what the note reports, measured in this browser."""
        dialog_at = wait_until(lambda: self.page.dialogs() and time.monotonic(), 20, what="dialog")
        self.page.answer("No")
        wait_until(lambda: self.page.frames() > 0, 20, what="the first frame")
        first = self.page.frames()
        time.sleep(3)
        rate = (self.page.frames() - first) / 3
        size = os.path.getsize(os.path.join(WEB, "quorvane.wasm"))
        print(f"page load to question: {(dialog_at - self.page.loaded_at) * 1000:.0f} ms; "
              f"{rate:.1f} frames/s; quorvane.wasm {size} bytes")
        self.assertGreater(rate, 0)
        self.assertLess(size, 1 << 20, "the program stays under 1 MiB")


class HighDpi(WebSession):
    browsers = ("chromium",)
    scale = 2

    def test_the_first_frame_fills_a_canvas_of_device_pixels(self):
        self.start_windowed()
        seen = self.page.settled()
        self.assertEqual((seen.width, seen.height), (1280, 960))
        classes = seen.classes(2)
        # The surface reaches the bottom corners and the sky the top right, as at scale 1.
        for x, y, kind in ((8, 950, "black"), (1270, 950, "black"), (1270, 10, "cyan")):
            self.assertEqual(e2e.classify(*seen.pixel(x, y)), kind, (x, y))
        self.assertGreater(classes.share("black"), 0.3)
        marker = classes.centroid["orange"]
        self.assertTrue(80 < marker[0] < 400 and 400 < marker[1] < 700, marker)


class Keys(WebSession):
    def test_held_keys_move_the_light_and_the_view_as_on_linux(self):
        self.start_windowed()
        # A desktop with a mouse shows no on-screen controls and speaks of keys.
        self.assertEqual(self.page.shown_controls(), [])
        self.assertIn("quit: Escape", self.page.text("#quorvane-help"))
        e2e.held_key_moves(self.page.capture, self.page.key_down, self.page.key_up)
        # The keys that would scroll a page long and wide enough to scroll go to the demo only
        # (no captures here: a screenshot of the canvas scrolls it into view).
        self.page.js("document.body.style.minWidth = '4000px';"
                     "document.body.style.minHeight = '4000px'; window.scrollTo(100, 100)")
        for key in ("Down", "Next", "Right", "End", "space", "Up", "Left"):
            self.page.press(key)
        time.sleep(0.5)
        self.assertEqual(self.page.js("return [window.scrollX, window.scrollY]"), [100, 100])


# A gamepad in the standard layout that the page's script holds and the test moves:
# window.quorvanePad.set(kind, number, value) sets an axis or a button.
SCRIPTED_PAD_PRELUDE = """
(function() {
  var pad = {id: 'Scripted pad (STANDARD GAMEPAD)', index: 0, connected: true,
             mapping: 'standard', timestamp: 0, axes: [0, 0, 0, 0], buttons: []};
  for (var i = 0; i < 17; ++i) pad.buttons.push({pressed: false, touched: false, value: 0});
  pad.set = function(kind, number, value) {
    if (kind == 'axis') pad.axes[number] = value;
    else pad.buttons[number] = {pressed: value > 0.5, touched: value > 0, value: value};
    pad.timestamp++;
  };
  window.quorvanePad = pad;
  Object.defineProperty(Navigator.prototype, 'getGamepads',
                        {value: function() { return [pad, null, null, null]; },
                         configurable: true, writable: true});
})();
"""
# The standard layout's controls (axis or button number) that hold each key.
PAD_KEYS = {"d": ("axis", 0, 1), "a": ("axis", 0, -1), "s": ("axis", 1, 1), "w": ("axis", 1, -1),
            "q": ("button", 7, 1), "e": ("button", 6, 1), "Left": ("axis", 2, -1),
            "Right": ("axis", 2, 1), "Up": ("button", 12, 1), "Down": ("button", 13, 1),
            "Prior": ("button", 5, 1), "Next": ("button", 4, 1), "Escape": ("button", 8, 1),
            "A": ("button", 0, 1), "B": ("button", 1, 1)}


class Gamepad(WebSession):
    """A scripted gamepad (navigator.getGamepads) answers the page's dialogs and holds keys."""
    prelude = SCRIPTED_PAD_PRELUDE

    def pad(self, key, held):
        kind, number, value = PAD_KEYS[key]
        self.page.js("window.quorvanePad.set(arguments[0], arguments[1], arguments[2])",
                     kind, number, value if held else 0)

    def press_pad(self, key):
        """Presses until the open dialog goes (another may follow at once), then lets go. A
        button held as a dialog opens counts only once the dialog has seen it let go, so the
        press waits for the dialog to report no button held."""
        wait_until(lambda: self.page.js(
            "var d = document.querySelector('dialog[open]'); return !!d && d.dataset.pads == '0'"),
            10, what="the dialog seeing the pad let go")
        self.page.js("document.querySelector('dialog[open]').dataset.answered = 1")
        self.pad(key, True)
        try:
            wait_until(lambda: not self.page.js(
                "return !!document.querySelector('dialog[data-answered]')"), 10,
                what=f"{key} answering the dialog")
        finally:
            self.pad(key, False)

    def test_b_answers_no_and_the_pad_moves_light_and_view_then_back_quits(self):
        self.assertEqual(self.page.wait_for_dialog(),
                         ["Start FullScreen?", QUESTION, ["Yes", "No"]])
        self.press_pad("B")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "the first frames")
        self.assertIsNone(self.page.fullscreen())
        e2e.held_key_moves(self.page.capture, lambda key: self.pad(key, True),
                           lambda key: self.pad(key, False))
        self.pad("Escape", True)
        self.assertEqual(self.page.wait_for_exit(), "0")

    def test_a_answers_yes(self):
        self.page.wait_for_dialog()
        self.press_pad("A")
        # Yes asks for full screen, which a browser grants only on a person's gesture: either
        # it shows, or the failed switch is told in a box that A answers too.
        wait_until(lambda: self.page.fullscreen() or self.page.dialogs(), 20,
                   what="full screen or its refusal")
        if not self.page.fullscreen():
            self.assertEqual(self.page.dialogs()[0], ["Error", e2e.SWITCH_FAILED, ["OK"]])
            self.press_pad("A")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "the first frames")


class Quitting(WebSession):
    def test_escape_ends_with_status_0_and_the_page_starts_it_again(self):
        self.start_windowed()
        self.assertEqual(self.page.quit_with_escape(), "0")
        self.assertEqual(self.page.dialogs(), [])
        ended = self.page.js("var e = document.getElementById('quorvane-ended');"
                             "return e.offsetParent ? e.innerText : ''")  # '' while hidden
        self.assertIn("exit status 0", ended)
        self.assertEqual(self.page.js("return document.querySelectorAll('canvas').length"), 0)
        self.page.click("#quorvane-restart")
        self.assertEqual(self.page.wait_for_dialog()[0], "Start FullScreen?")
        self.assertIsNone(self.page.exit_status())


class FullScreen(WebSession):
    def fullscreen(self):
        return self.page.fullscreen()

    def switched(self, action, expected, what):
        """action() switches the screen mode: a new window, in full screen or in the page."""
        old = self.page.canvas()
        action()
        wait_until(lambda: self.fullscreen() == expected, 10, what=f"full screen {expected}")
        wait_until(lambda: self.page.canvas() != old, 10, what="a new window")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, f"frames after {what}")
        if expected is None:
            self.assertEqual(self.page.capture().width, 640)

    def test_yes_shows_full_screen_and_f1_switches_back_and_forth(self):
        self.page.wait_for_dialog()
        self.page.answer("Yes")
        wait_until(lambda: self.fullscreen() == "quorvane-screen", 10, what="full screen")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "full-screen frames")
        # Drawn at the full-screen window's own size, which the page scales to the screen.
        self.assertEqual(self.page.js("var c = document.querySelector('canvas.quorvane-window');"
                                      "return [c.width, c.height]"), [640, 480])
        # Leaving full screen puts the canvas back in the page; F1 goes full screen again.
        for expected in (None, "quorvane-screen"):
            self.switched(lambda: self.page.press_until(
                "F1", lambda: self.fullscreen() == expected, 10, f"full screen {expected}"),
                expected, "F1")
        # Full screen left by the browser (its Escape, a swipe, its button) is F1: the demo
        # goes on windowed, and the next F1 goes full screen again.
        self.switched(lambda: self.page.js("(document.exitFullscreen ? document.exitFullscreen()"
                                           " : document.webkitExitFullscreen())"),
                      None, "the browser left full screen")
        self.switched(lambda: self.page.press_until(
            "F1", lambda: self.fullscreen(), 10, "full screen"), "quorvane-screen", "F1")
        self.assertEqual(self.page.dialogs(), [])
        if self.page.escape_leaves_full_screen:
            # The browser keeps the first Escape from the page and leaves full screen with it.
            self.switched(lambda: self.page.press("Escape"), None, "Escape")
            self.assertEqual(self.page.quit_with_escape(), "0")
        else:
            # Escape ends the demo and the browser leaves full screen with it.
            self.assertEqual(self.page.quit_with_escape(), "0")
            wait_until(lambda: self.fullscreen() is None, 10, what="full screen left")


class RefusedFullScreen(WebSession):
    headers = {"Permissions-Policy": "fullscreen=()"}  # this page may not go full screen
    browsers = ("chromium",)

    def test_a_refused_switch_gives_one_box_and_a_canvas_in_the_page(self):
        self.page.wait_for_dialog()
        self.page.answer("Yes")
        self.assertEqual(self.page.wait_for_dialog(),
                         ["Error", e2e.SWITCH_FAILED, ["OK"]])
        self.page.answer("OK")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "windowed frames")
        self.assertEqual(self.page.fullscreen(), None)
        self.assertEqual(self.page.capture().width, 640)
        self.assertEqual(self.page.quit_with_escape(), "0")


class NoFullScreen(RefusedFullScreen):
    """An iPhone: no element can go full screen, whatever the page may do."""
    headers = None
    prelude = ("for (var proto of [Element.prototype, HTMLElement.prototype])"
               " { delete proto.requestFullscreen; delete proto.webkitRequestFullscreen; }")
    browsers = BROWSERS


class PrefixedFullScreen(FullScreen):
    """Safari before 16.4, and on an iPad: full screen through WebKit's prefixed names only."""
    prelude = ("for (var proto of [Element.prototype, HTMLElement.prototype])"
               " delete proto.requestFullscreen;"
               " for (var name of ['exitFullscreen', 'fullscreenElement', 'fullscreenEnabled'])"
               " delete Document.prototype[name];")
    browsers = ("chromium", "webkit")


class BadTexture(WebSession):
    message = None
    ok_key = "Enter"  # on the focused OK button

    def test_one_error_box_then_status_1(self):
        if self.message is None:
            self.skipTest("the cases are the subclasses")
        # Answered from the keyboard this time: N for No, then OK.
        self.page.wait_for_dialog()
        self.page.press("n")
        self.assertEqual(self.page.wait_for_dialog(), ["Error", self.message, ["OK"]])
        self.page.press(self.ok_key)
        self.assertEqual(self.page.wait_for_exit(), "1")
        self.assertEqual(self.page.dialogs(), [])


class MissingTexture(BadTexture):
    texture = None  # the server answers 404
    message = "Failed to open DIB file water05t.bmp.\n"


class BrokenTexture(BadTexture):
    texture = b"GIF89a" + bytes(64)
    message = "Unknown DIB file format."


PORTRAIT, LANDSCAPE = (390, 844), (844, 390)
LIGHT_KEYS = {"a": 65, "d": 68, "q": 81}
CONTROL_KEYS = {87, 65, 83, 68, 81, 69, 38, 40, 37, 39, 33, 34, 112, 27}


def inner(picture, border=3):
    """The picture less a border, where a capture of a canvas at a fractional CSS position
    catches a blend of canvas and page."""
    width, height = picture.width - 2 * border, picture.height - 2 * border
    rows = (picture.data[((y + border) * picture.width + border) * 3:][:width * 3]
            for y in range(height))
    return e2e.Picture(width, height, b"".join(rows))


def scaled_like(seen, expected):
    """Differences between a picture and another scaled to its size: each kind of pixel's share
    of the picture, and where the marker and the lit patch lie as fractions of its width and
    height. An empty list when they agree."""
    seen, expected = inner(seen), inner(expected)
    ours, theirs = seen.classes(3), expected.classes(2)
    faults = []
    for kind, tolerance in (("cyan", 0.05), ("black", 0.05), ("lit", 0.15), ("orange", 0.3)):
        if abs(ours.share(kind) - theirs.share(kind)) > tolerance * theirs.share(kind):
            faults.append(f"{kind} share {ours.share(kind):.4f} vs {theirs.share(kind):.4f}")
    for kind in ("orange", "lit"):
        if ours.centroid[kind] is None:
            faults.append(f"no {kind}")
            continue
        for axis, (a, b) in enumerate(zip(ours.centroid[kind], theirs.centroid[kind])):
            sizes = ((seen.width, expected.width), (seen.height, expected.height))[axis]
            if abs(a / sizes[0] - b / sizes[1]) > 0.015:
                faults.append(f"{kind} at {a / sizes[0]:.3f} vs {b / sizes[1]:.3f} of axis {axis}")
    return faults


class PhoneSession(WebSession):
    def assert_fits(self):
        """The picture wholly on the screen, the page no wider than it and not zoomed out, the
        drawing buffer the canvas's CSS size in device pixels, every control at least 44 x 44
        CSS pixels with an accessible name."""
        layout = self.page.layout()
        width, height = layout["viewport"]
        self.assertEqual((width, height), tuple(self.page.viewport or self.phone), layout)
        self.assertLessEqual(layout["pageWidth"], width, layout)
        left, top, right, bottom = layout["canvas"]
        self.assertTrue(0 <= left and right <= width and 0 <= top and bottom <= height, layout)
        for size, pixels in zip((right - left, bottom - top), layout["buffer"]):
            self.assertEqual(round(size * layout["ratio"]), pixels, layout)
        controls = self.page.shown_controls()
        self.assertEqual({vk for vk, *_ in controls}, CONTROL_KEYS)
        for vk, name, w, h in controls:
            self.assertTrue(name and w >= 44 and h >= 44, (vk, name, w, h))
        self.assert_clear_of_insets()
        return layout

    def assert_clear_of_insets(self):
        """Every control, and the picture in the page, clear of the notch and the home bar."""
        if not self.insets:
            return
        top, right, bottom, left = self.insets
        width, height = self.page.layout()["viewport"]
        selectors = [self.page.control(vk) for vk in CONTROL_KEYS]
        if not self.page.fullscreen():
            selectors.append("canvas.quorvane-window")
        for selector in selectors:
            l, t, r, b = self.page.box(selector)
            self.assertTrue(l >= left and t >= top and r <= width - right and
                            b <= height - bottom, (selector, (l, t, r, b), self.insets))

    def assert_dialog_fits(self):
        facts = self.page.js("""var d = document.querySelector('dialog[open]').getBoundingClientRect();
            return [innerWidth, d.left, d.right, [...document.querySelectorAll('dialog[open] button')]
                    .map(b => b.getBoundingClientRect().height)];""")
        width, left, right, heights = facts
        self.assertTrue(0 <= left and right <= width, facts)
        self.assertTrue(all(h >= 44 for h in heights), facts)

    def assert_scaled_like(self, expected, timeout=10):
        """The canvas soon shows the expected picture scaled to its drawing buffer."""
        faults = []

        def agrees():
            picture = self.page.settled()
            faults[:] = scaled_like(picture, expected)
            return not faults and picture

        try:
            picture = wait_until(agrees, timeout, what="the picture scaled to the canvas")
        except TimeoutError as error:
            raise AssertionError(f"{error}: {faults}") from None
        self.assertEqual([picture.width, picture.height], self.page.layout()["buffer"])

    def marker(self):
        return self.page.settled().classes(3).centroid["orange"]

    def hold_controls(self, keys, moved, what):
        """Holds the controls of these keys with one finger each until moved(start, marker)."""
        start = self.marker()
        self.page.touch(*(self.page.centre(self.page.control(LIGHT_KEYS[k])) for k in keys))
        try:
            classes = self.page.wait_for_picture(
                lambda c: c.count["orange"] and moved(start, c.centroid["orange"]), 20, what, 3)
        finally:
            self.page.lift()
        print(f"{what}: {start} -> {classes.centroid['orange']}")

    def save_screenshot(self, name):
        """With QUORVANE_WEB_SCREENSHOTS set to a folder, the whole screen at one CSS pixel per
        pixel, for the README."""
        folder = os.environ.get("QUORVANE_WEB_SCREENSHOTS")
        if not folder:
            return
        png = self.page.driver.get_screenshot_as_png()
        width, height = self.page.layout()["viewport"]
        subprocess.run(["convert", "png:-", "-resize", f"{width}x{height}!", "-strip",
                        "-colors", "256", os.path.join(folder, name)], input=png, check=True,
                       timeout=30)


class PhonePortrait(PhoneSession):
    """A 320-pixel phone where full screen is refused, then a 390 x 844 one, used by touch."""
    browsers = ("chromium",)
    phone = (320, 568)
    headers = {"Permissions-Policy": "fullscreen=()"}

    def test_boxes_fit_the_picture_follows_the_screen_and_the_controls_are_held_keys(self):
        self.page.wait_for_dialog()
        self.assert_dialog_fits()
        self.page.answer("Yes", by_touch=True)
        self.assertEqual(self.page.wait_for_dialog(), ["Error", e2e.SWITCH_FAILED, ["OK"]])
        self.assert_dialog_fits()
        self.page.answer("OK", by_touch=True)
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "frames on a small phone")
        small = self.assert_fits()
        small_picture = self.page.settled()
        self.assertEqual([small_picture.width, small_picture.height], small["buffer"])

        # A larger screen while it runs: the picture grows, drawn for its new size.
        self.phone = PORTRAIT
        self.page.emulate_phone(*PORTRAIT)
        wait_until(lambda: self.page.layout()["buffer"] != small["buffer"], 10, what="a new fit")
        large = self.assert_fits()
        self.assertGreater(large["canvas"][2] - large["canvas"][0], 0.9 * PORTRAIT[0] - 20)
        self.assert_scaled_like(small_picture)

        # Holding a control is holding its key; two fingers hold two; sliding off lets go.
        self.hold_controls("d", lambda s, m: m[0] - s[0] >= 20, "D moving the marker right")
        self.hold_controls("dq", lambda s, m: m[0] - s[0] >= 20 and s[1] - m[1] >= 10,
                           "D and Q moving the marker right and up")
        self.hold_controls("a", lambda s, m: s[0] - m[0] >= 10, "A moving the marker left")
        a = self.page.control(LIGHT_KEYS["a"])
        self.page.touch(self.page.centre(a))
        left, top, right, bottom = self.page.box(a)
        self.page.touch((right + 30, bottom + 80))  # slid off the pads, the finger still down
        try:
            self.page.settled()  # the marker stops
        finally:
            self.page.lift()
        self.page.tap(self.page.control(27))
        self.assertEqual(self.page.wait_for_exit(), "0")


class PhoneLandscape(PhoneSession):
    """A 844 x 390 phone with a notch and a home bar: the first frame, full screen from its
    control, a turn to portrait."""
    browsers = ("chromium",)
    phone = LANDSCAPE
    insets = (0, 47, 21, 47)

    def fullscreen(self):
        return self.page.js("return document.fullscreenElement && document.fullscreenElement.id")

    def test_the_first_frame_full_screen_and_a_rotation(self):
        expected = e2e.linux_first_frame(LINUX_EXE, self.folder)
        _, answered, shown = self.start_windowed(by_touch=True)
        print(f"tap on No to first frame: {(shown - answered) * 1000:.0f} ms")
        layout = self.assert_fits()
        light, view = (self.page.box(f"#{i}") for i in ("quorvane-light", "quorvane-view"))
        self.assertTrue(light[2] <= layout["canvas"][0] and layout["canvas"][2] <= view[0],
                        (light, layout, view))
        self.assert_scaled_like(expected)
        self.save_screenshot("phone-landscape.png")

        # The full-screen control: the picture scaled to the screen, the controls over it.
        old = self.page.canvas()
        self.page.tap(self.page.control(112))
        wait_until(lambda: self.fullscreen() == "quorvane-screen", 10, what="full screen")
        wait_until(lambda: self.page.canvas() != old, 10, what="a new window")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "full-screen frames")
        on_top = self.page.js("""return [...document.querySelectorAll('button[data-vk]')].map(b => {
            var r = b.getBoundingClientRect();
            return document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2) === b; });""")
        self.assertTrue(all(on_top) and len(on_top) == len(CONTROL_KEYS), on_top)
        self.assert_clear_of_insets()
        old = self.page.canvas()
        self.page.tap(self.page.control(112))
        wait_until(lambda: self.fullscreen() is None, 10, what="full screen left")
        wait_until(lambda: self.page.canvas() != old, 10, what="a new window")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "windowed frames")

        # Turned to portrait: the picture above the controls, refitted and drawn for its size;
        # the notch now at the top, the home bar at the bottom.
        before = self.page.layout()["buffer"]
        self.phone, self.insets = PORTRAIT, (47, 0, 34, 0)
        self.page.emulate_phone(*PORTRAIT, insets=self.insets)
        wait_until(lambda: self.page.layout()["buffer"] != before, 10, what="a new fit")
        layout = self.assert_fits()
        for pad in ("quorvane-light", "quorvane-view"):
            self.assertLessEqual(layout["canvas"][3],
                                 self.page.box(f"#{pad}")[1])
        self.assert_scaled_like(expected)
        self.save_screenshot("phone-portrait.png")


class PhoneControls(PhoneSession):
    """A 390 x 844 phone, used by touch: its controls are held keys, and a pinch does not zoom
    the page."""
    browsers = ("firefox", "webkit")
    phone = PORTRAIT

    def test_the_picture_fits_and_the_controls_are_held_keys(self):
        self.start_windowed(by_touch=True)
        self.assert_fits()
        self.hold_controls("d", lambda s, m: m[0] - s[0] >= 20, "D moving the marker right")
        self.hold_controls("dq", lambda s, m: m[0] - s[0] >= 20 and s[1] - m[1] >= 10,
                           "D and Q moving the marker right and up")
        # iOS zooms on a pinch whatever the viewport says, unless the page refuses its gestures.
        self.assertEqual(self.page.js("""return ['gesturestart', 'gesturechange'].map(type =>
            !document.querySelector('canvas').dispatchEvent(
                new Event(type, {bubbles: true, cancelable: true})));"""), [True, True])
        # Held as a finger would hold it: the program reads its keys once a frame, and a tap
        # can be quicker than that.
        self.page.touch(self.page.centre(self.page.control(27)))
        try:
            self.assertEqual(self.page.wait_for_exit(), "0")
        finally:
            self.page.lift()


class Offline(WebSession):
    """The service worker: the page starts without a network after one visit, a texture put on
    the server is used at once, and a new build on the server replaces what it keeps."""
    browsers = ("chromium",)

    def kept(self):
        """The page's caches and the files each keeps, once its service worker is active."""
        return self.page.driver.execute_async_script("""var done = arguments[0];
            navigator.serviceWorker.ready.then(() => caches.keys()).then(names =>
              Promise.all(names.map(n => caches.open(n).then(c => c.keys()).then(requests =>
                [n, requests.map(r => r.url.split('/').pop()).sort()]))))
            .then(done, e => done(String(e)));""")

    def test_offline_start_a_new_texture_and_a_new_build(self):
        self.page.wait_for_dialog()
        kept = wait_until(lambda: (k := self.kept()) and len(k) == 1 and k, 20,
                          what="the files kept")
        self.assertEqual(kept[0][1], sorted(["index.html", "quorvane.js", "quorvane.wasm",
                                             "quorvane.webmanifest", "quorvane_180.png",
                                             "quorvane_192.png", "water05t.bmp"]))

        # No server and no HTTP cache: only the service worker can answer.
        port = self.server.port
        self.server.close()
        self.page.disable_http_cache()
        self.page.driver.refresh()
        self.start_windowed()

        # A new build served at the same address with a new texture: the texture is the
        # server's at once, and the new build's worker takes the place of the old one.
        folder = self.page_folder(BrokenTexture.texture)
        with open(os.path.join(folder, "sw.js"), "r+") as f:
            worker = f.read().replace("var VERSION = '", "var VERSION = 'new-", 1)
            f.seek(0)
            f.write(worker)
        with open(os.path.join(folder, "index.html"), "r+") as f:
            page = f.read().replace("<title>Quorvane</title>", "<title>Quorvane, rebuilt</title>")
            f.seek(0)
            f.write(page)
        self.server = PageServer(folder, port=port)
        self.page.driver.refresh()
        self.page.wait_for_dialog()
        self.page.press("n")
        self.assertEqual(self.page.wait_for_dialog(), ["Error", BrokenTexture.message, ["OK"]])
        wait_until(lambda: (k := self.kept()) and len(k) == 1 and "new-" in k[0][0], 20,
                   what="the new build's cache alone")
        self.page.driver.refresh()
        self.assertEqual(self.page.driver.title, "Quorvane, rebuilt")


class HiddenPage(WebSession):
    browsers = ("chromium", "firefox")
    def test_a_hidden_page_draws_no_frames(self):
        self.start_windowed()
        self.page.hide()
        wait_until(lambda: self.page.js("return document.hidden"), 10, what="a hidden page")
        time.sleep(0.3)  # a frame that was under way when the page went
        hidden_frames = self.page.frames()
        time.sleep(2)
        self.assertEqual(self.page.frames(), hidden_frames)
        self.page.show()
        wait_until(lambda: self.page.frames() > hidden_frames + 5, 10, what="frames again")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "frames after showing")


def main():
    """unittest's main, after taking the browser from --browser NAME (for the cases of other
    scripts too, which import this one)."""
    global BROWSER
    if "--browser" in sys.argv:
        at = sys.argv.index("--browser")
        BROWSER = os.environ["QUORVANE_BROWSER"] = sys.argv[at + 1]
        del sys.argv[at:at + 2]
    missing(BROWSER)  # a name that is no browser's fails here
    unittest.main(module="__main__")


if __name__ == "__main__":
    main()
