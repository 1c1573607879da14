"""The web build's cases of test_web.py in Firefox (Gecko): Debian's firefox-esr in a normal
window on Xvfb (a headless Firefox has no WebGL here; on Xvfb it draws with llvmpipe), driven
over WebDriver BiDi by puppeteer-core through firefox_driver.js. One Firefox serves every case
of a run (and another, with a touch screen, its phone cases); each case loads the page afresh.

Run one case:  QUORVANE_WEB=build-web QUORVANE=build/quorvane \\
               QUORVANE_PUPPETEER=/var/cache/quorvane/npm/node_modules/puppeteer-core \\
               python3 tests/web/test_web_firefox.py Keys
Without firefox-esr or puppeteer-core the cases are skipped, saying what to install.
"""

import atexit
import base64
import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import test_web as web  # noqa: E402
from test_web import e2e  # noqa: E402
from xvfb_lib import XServer, wait_until  # noqa: E402

FIREFOX = os.environ.get("QUORVANE_FIREFOX", "/usr/bin/firefox-esr")
PUPPETEER = os.environ.get("QUORVANE_PUPPETEER", "")
NODE = os.environ.get("QUORVANE_NODE", "node")
VIEWPORT = (1024, 768)


def missing():
    """What this machine lacks to run Firefox here ('' when nothing)."""
    lacks = [what for what, there in (
        (FIREFOX, os.access(FIREFOX, os.X_OK)),
        (f"puppeteer-core at {PUPPETEER or '(QUORVANE_PUPPETEER not set)'}",
         PUPPETEER and os.path.isfile(os.path.join(PUPPETEER, "package.json")))) if not there]
    return ", ".join(lacks)


class Firefox:
    """firefox-esr on its own Xvfb screen, driven by firefox_driver.js: one request at a time."""

    def __init__(self, touch_screen=False):
        self.x = XServer(VIEWPORT[0] + 256, VIEWPORT[1] + 256).__enter__()
        self.log = tempfile.TemporaryFile()  # what the driver and Firefox say
        try:
            self.driver = subprocess.Popen(
                [NODE, os.path.join(HERE, "firefox_driver.js"), PUPPETEER, FIREFOX,
                 *map(str, VIEWPORT), "touch" if touch_screen else "mouse"],
                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self.log, text=True,
                env=self.x.env(MOZ_CRASHREPORTER_DISABLE="1"))
            self.answer()  # "ready" once Firefox is up
        except BaseException:
            self.close()
            raise

    def answer(self):
        line = self.driver.stdout.readline()
        if not line:
            status = self.driver.wait(10)
            self.log.seek(0)
            said = self.log.read().decode(errors="replace")[-2000:]
            raise RuntimeError(f"the Firefox driver ended (status {status}): {said}")
        reply = json.loads(line)
        if "error" in reply:
            raise RuntimeError(reply["error"])
        return reply["value"]

    def request(self, op, **fields):
        self.driver.stdin.write(json.dumps({"op": op, **fields}) + "\n")
        self.driver.stdin.flush()
        return self.answer()

    def focus_page(self):
        """Clicks into the page, as a person would: a page loaded over WebDriver BiDi does not
        have the window's focus, and without it Gecko refuses full screen and clicks no button
        for Enter."""
        if self.request("js", body="return document.hasFocus()"):
            return
        left, top = self.request("js", body="return [mozInnerScreenX, mozInnerScreenY]")
        self.x.tool(["xdotool", "mousemove", str(round(left) + 2), str(round(top) + 2),
                     "click", "1"])
        wait_until(lambda: self.request("js", body="return document.hasFocus()"), 5,
                   what="the page having the focus")

    def close(self):
        if getattr(self, "driver", None) and self.driver.poll() is None:
            self.driver.stdin.close()  # the driver closes Firefox and ends
            try:
                self.driver.wait(20)
            except subprocess.TimeoutExpired:
                self.driver.kill()
                self.driver.wait()
        self.log.close()
        self.x.__exit__(None, None, None)


_firefox = {}


def firefox(touch_screen):
    """The run's Firefox with a mouse, or with a touch screen: each started on first use and
    closed when the run ends."""
    if touch_screen not in _firefox:
        _firefox[touch_screen] = Firefox(touch_screen)
        atexit.register(_firefox[touch_screen].close)
    return _firefox[touch_screen]


class Page(web.Page):
    """The demo's page in Firefox, with the same means as the Chromium page of test_web.py."""

    def __init__(self, url, scale=1, phone=None):
        self.browser = firefox(touch_screen=bool(phone))
        if phone:
            self.emulate_phone(*phone)
        else:
            self.browser.request("viewport", width=VIEWPORT[0], height=VIEWPORT[1], scale=scale)
        self.loaded_at = time.monotonic()
        self.browser.request("goto", url=url)
        self.browser.focus_page()

    def close(self):
        self.browser.request("goto", url="about:blank")  # the next case starts from nothing

    def js(self, script, *args):
        return self.browser.request("js", body=script, args=list(args))

    def answer(self, label, by_touch=False):
        if not by_touch:
            self.browser.request("click", selector="dialog[open] button", text=label, gone=True)
            return
        self.tap(f"dialog[open] button:nth-child({self.dialogs()[0][2].index(label) + 1})")
        wait_until(lambda: all(label not in buttons for _, _, buttons in self.dialogs()), 10,
                   what="the dialog closing")

    # -- a phone: its screen (BiDi's viewport; Firefox's touch screen is set at its start) and
    # fingers. Elements are CSS selectors here.
    def emulate_phone(self, width, height, ratio=3):
        self.browser.request("viewport", width=width, height=height, scale=ratio)

    def control(self, vk):
        return f'button[data-vk="{vk}"]'

    def box(self, selector):
        return tuple(self.js("var r = document.querySelector(arguments[0]).getBoundingClientRect();"
                             "return [r.left, r.top, r.right, r.bottom]", selector))

    def touch(self, *points):
        self.browser.request("touch", points=points)

    def lift(self):
        self.browser.request("lift")

    def click(self, selector):
        self.browser.request("click", selector=selector)

    def text(self, selector):
        return self.js("return document.querySelector(arguments[0]).innerText", selector)

    def canvas(self):
        """The canvas's id: a new window is a new canvas with a new id."""
        return self.js("var c = document.querySelector('canvas.quorvane-window');"
                       "return c && c.id")

    def canvas_png(self):
        return base64.b64decode(self.browser.request("screenshot",
                                                     selector="canvas.quorvane-window"))

    def hide(self):
        self.browser.request("hide")  # another tab in front

    def show(self):
        self.browser.request("show")

    def key_down(self, key):
        self.browser.request("keyDown", name=key)

    def key_up(self, key):
        self.browser.request("keyUp", name=key)

    def press(self, key):
        self.browser.request("press", name=key)


class InFirefox:
    """Mixed into a case of test_web.py: the same case in Firefox."""

    said = False

    @classmethod
    def setUpClass(cls):
        lacks = missing()
        if lacks:
            if not InFirefox.said:  # once a run
                print(f"SKIPPED: the web tests in Firefox (missing {lacks}; install firefox-esr "
                      "and npm puppeteer-core: `make test-web` installs both)")
                InFirefox.said = True
            raise unittest.SkipTest(lacks)

    def open_page(self, url):
        return Page(url, self.scale, self.phone)


class FirstFrame(InFirefox, web.FirstFrame):
    pass


class Keys(InFirefox, web.Keys):
    pass


class Quitting(InFirefox, web.Quitting):
    pass


class FullScreen(InFirefox, web.FullScreen):
    def quit_from_full_screen(self):
        # Gecko keeps the first Escape from the page and leaves full screen with it (the demo
        # goes on drawing in the page); the next one reaches the demo.
        self.page.press("Escape")
        wait_until(lambda: self.fullscreen() is None, 10, what="full screen left")
        self.page.wait_for_picture(e2e.looks_like_a_frame, 20, "frames after leaving")
        self.assertEqual(self.page.quit_with_escape(), "0")


class MissingTexture(InFirefox, web.MissingTexture):
    pass


class HiddenPage(InFirefox, web.HiddenPage):
    pass


class PhonePortrait(InFirefox, web.PhoneSession):
    """A 390 x 844 phone at pixel ratio 3 (BiDi's viewport), used by touch."""
    phone = web.PORTRAIT

    def test_the_picture_fits_and_the_controls_are_held_keys(self):
        self.start_windowed(by_touch=True)
        self.assert_fits()
        self.hold_controls("d", lambda s, m: m[0] - s[0] >= 20, "D moving the marker right")
        self.hold_controls("dq", lambda s, m: m[0] - s[0] >= 20 and s[1] - m[1] >= 10,
                           "D and Q moving the marker right and up")
        # Held as a finger would hold it: the program reads its keys once a frame, and BiDi's
        # taps are quicker than that.
        self.page.touch(self.page.centre(self.page.control(27)))
        try:
            self.assertEqual(self.page.wait_for_exit(), "0")
        finally:
            self.page.lift()


if __name__ == "__main__":
    unittest.main()
