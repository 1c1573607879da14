"""The browsers the web tests drive, behind one small surface: a Page loads the demo's page and
offers what the cases use, in CSS selectors and X key names whatever the browser:

    page = open_page("webkit", url)          # "chromium", "firefox" or "webkit"
    page.wait_for_dialog(); page.answer("No")
    page.key_down("d"); page.key_up("d"); page.press("F1")
    page.js("return window.quorvaneFrames")  # the body of a function, as Selenium takes it
    picture = page.capture()                 # the canvas, an e2e Picture in device pixels
    page.touch((x, y)); page.lift()          # fingers, in CSS pixels of the viewport

Chromium runs headless with SwiftShader's WebGL, driven by Selenium and chromedriver, with
DevTools for a phone's screen and touch. Firefox (firefox-esr) runs in a window on Xvfb, driven
over WebDriver BiDi by npm's puppeteer-core through firefox_driver.js. WebKit is WebKitGTK's
MiniBrowser in a window on Xvfb, driven by Selenium through WebKitWebDriver; it has no touch
actions, so its fingers are pointer events sent in the page, as a touch screen would send them.
"""

import atexit
import base64
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "xvfb_shell"))
import e2e_lib as e2e  # noqa: E402
from xvfb_lib import XServer, wait_until  # noqa: E402

BROWSERS = ("chromium", "firefox", "webkit")
CHROMIUM = os.environ.get("QUORVANE_CHROMIUM", "/usr/bin/chromium")
CHROMEDRIVER = os.environ.get("QUORVANE_CHROMEDRIVER", "/usr/bin/chromedriver")
FIREFOX = os.environ.get("QUORVANE_FIREFOX", "/usr/bin/firefox-esr")
PUPPETEER = os.environ.get("QUORVANE_PUPPETEER", "")
NODE = os.environ.get("QUORVANE_NODE", "node")
WEBKIT_DRIVER = os.environ.get("QUORVANE_WEBKIT_DRIVER", "/usr/bin/WebKitWebDriver")
MINIBROWSER = os.environ.get("QUORVANE_MINIBROWSER", "")
VIEWPORT = (1024, 768)
INSTALL = {"chromium": "chromium, chromium-driver and python3-selenium: "
                       "bash scripts/install-deps.sh web-test",
           "firefox": "firefox-esr and npm puppeteer-core: `make test-web` installs both",
           "webkit": "webkit2gtk-driver and python3-selenium: "
                     "bash scripts/install-deps.sh web-webkit"}


def minibrowser():
    """WebKitGTK's MiniBrowser, which Debian keeps in the library's own folder."""
    if MINIBROWSER:
        return MINIBROWSER
    try:
        listed = subprocess.run(["dpkg", "-S", "*/webkit2gtk-4.*/MiniBrowser"],
                                capture_output=True, text=True, timeout=30).stdout
    except OSError:
        return ""
    found = [line.split(": ", 1)[1] for line in listed.splitlines() if ": " in line]
    return next((path for path in sorted(found) if os.access(path, os.X_OK)), "")


def selenium_there():
    try:
        import selenium  # noqa: F401
    except ImportError:
        return False
    return True


def missing(browser):
    """What this machine lacks to run that browser ('' when nothing)."""
    if browser == "chromium":
        wanted = ((CHROMIUM, os.access(CHROMIUM, os.X_OK)),
                  (CHROMEDRIVER, os.access(CHROMEDRIVER, os.X_OK)),
                  ("python3-selenium", selenium_there()))
    elif browser == "firefox":
        wanted = ((FIREFOX, os.access(FIREFOX, os.X_OK)),
                  (f"puppeteer-core at {PUPPETEER or '(QUORVANE_PUPPETEER not set)'}",
                   PUPPETEER and os.path.isfile(os.path.join(PUPPETEER, "package.json"))))
    elif browser == "webkit":
        wanted = ((WEBKIT_DRIVER, os.access(WEBKIT_DRIVER, os.X_OK)),
                  ("WebKitGTK's MiniBrowser", bool(minibrowser())),
                  ("python3-selenium", selenium_there()))
    else:
        raise ValueError(f"no browser {browser!r}: one of {', '.join(BROWSERS)}")
    return ", ".join(what for what, there in wanted if not there)


def open_page(browser, url, scale=1, phone=None):
    """The page at url in a new page of that browser; phone is (width, height) in CSS pixels."""
    return {"chromium": ChromiumPage, "firefox": FirefoxPage, "webkit": WebKitPage}[browser](
        url, scale, phone)


class Page:
    """What the cases use, over each browser's few primitives: js, click, key_down, key_up,
    press, canvas_png, touch, lift (and for some, hide, show, emulate_phone)."""

    browser = None
    # Gecko and WebKit keep the first Escape in full screen to leave it; the page never sees it.
    escape_leaves_full_screen = False
    viewport = None  # a phone's viewport where it is not the one asked for

    # -- elements, by CSS selector ---------------------------------------------------------
    def box(self, selector):
        """An element's (left, top, right, bottom) in CSS pixels of the viewport."""
        return tuple(self.js("var r = document.querySelector(arguments[0]).getBoundingClientRect();"
                             "return [r.left, r.top, r.right, r.bottom]", selector))

    def centre(self, selector):
        left, top, right, bottom = self.box(selector)
        return (left + right) / 2, (top + bottom) / 2

    def control(self, vk):
        """The on-screen control standing for the key of that virtual-key code."""
        return f'button[data-vk="{vk}"]'

    def text(self, selector):
        """The text of the element as shown ('' where it is not)."""
        return self.js("return document.querySelector(arguments[0]).innerText", selector)

    def tap(self, selector):
        self.touch(self.centre(selector))
        self.lift()

    def shown_controls(self):
        """(key code, accessible name, width, height) of every control laid out in the page."""
        return self.js("""return [...document.querySelectorAll('button[data-vk]')]
            .filter(b => b.getClientRects().length).map(b => {
              var r = b.getBoundingClientRect();
              return [Number(b.dataset.vk), b.getAttribute('aria-label'), r.width, r.height]; });""")

    def layout(self):
        """What a phone's page must get right: the viewport, how wide the page is laid out, the
        canvas's place and drawing-buffer size."""
        return self.js("""var c = document.querySelector('canvas.quorvane-window');
            var r = c.getBoundingClientRect();
            return {viewport: [innerWidth, innerHeight], ratio: devicePixelRatio,
                    pageWidth: document.documentElement.scrollWidth,
                    canvas: [r.left, r.top, r.right, r.bottom], buffer: [c.width, c.height]};""")

    def fullscreen(self):
        """The id of the element in full screen, or None."""
        return self.js("var e = document.fullscreenElement || document.webkitFullscreenElement;"
                       "return e ? e.id : null")

    # -- dialogs ----------------------------------------------------------------------------
    def dialogs(self):
        """(caption, text, buttons) of every open dialog."""
        return self.js("""return [...document.querySelectorAll('dialog[open]')].map(d => [
            d.querySelector('.caption').textContent, d.querySelector('.text').textContent,
            [...d.querySelectorAll('button')].map(b => b.textContent)]);""")

    def wait_for_dialog(self, timeout=20):
        return wait_until(lambda: (open_ := self.dialogs()) and open_[0], timeout,
                          what="a dialog")

    def answer(self, label, by_touch=False):
        """Clicks (or taps) the open dialog's button of that label, and waits for the dialog to
        close."""
        buttons = self.dialogs()[0][2] if self.dialogs() else []
        if label not in buttons:
            raise AssertionError(f"no button {label!r} in {self.dialogs()}")
        self.js("document.querySelector('dialog[open]').dataset.answered = 1")
        button = f"dialog[open] button:nth-child({buttons.index(label) + 1})"
        if by_touch:
            self.tap(button)
        else:
            self.click(button)
        wait_until(lambda: not self.js("return !!document.querySelector('dialog[data-answered]')"),
                   10, what="the dialog closing")

    # -- the program ------------------------------------------------------------------------
    def frames(self):
        return self.js("return window.quorvaneFrames || 0")

    def exit_status(self):
        return self.js("return document.body.dataset.exitStatus")

    def wait_for_exit(self, timeout=20):
        return wait_until(lambda: self.exit_status(), timeout, what="the program ending")

    def canvas(self):
        """The canvas's id: a new window is a new canvas with a new id."""
        return self.js("var c = document.querySelector('canvas.quorvane-window');"
                       "return c && c.id")

    def capture(self):
        """The canvas as a Picture, in device pixels (a screenshot of the element)."""
        ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=self.canvas_png(),
                             capture_output=True, check=True, timeout=20).stdout
        return e2e.parse_ppm(ppm)

    def wait_for_picture(self, predicate, timeout, what, step=2):
        return e2e.poll_picture(self.capture, predicate, timeout, what, step)

    def settled(self, timeout=10):
        """A capture once two in a row agree (the frames after a key-up have landed)."""
        return e2e.still_picture(self.capture, timeout)

    def press_until(self, key, done, timeout, what):
        """Holds the key until done() is true: the program reads its keys once a frame."""
        self.key_down(key)
        try:
            return wait_until(done, timeout, what=what)
        finally:
            self.key_up(key)

    def quit_with_escape(self):
        return self.press_until("Escape", self.exit_status, 20, "the program ending")


class SeleniumPage(Page):
    """A browser driven by Selenium: Chromium through chromedriver, WebKit through
    WebKitWebDriver."""

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def click(self, selector):
        from selenium.webdriver.common.by import By
        self.driver.find_element(By.CSS_SELECTOR, selector).click()

    def canvas_png(self):
        from selenium.common.exceptions import (NoSuchElementException,
                                                StaleElementReferenceException)
        from selenium.webdriver.common.by import By
        deadline = time.monotonic() + 10
        while True:
            try:
                return self.driver.find_element(By.CSS_SELECTOR,
                                                "canvas.quorvane-window").screenshot_as_png
            except (StaleElementReferenceException, NoSuchElementException):
                if time.monotonic() > deadline:  # the window was being replaced, or none came
                    raise
                time.sleep(0.05)

    def keys(self, key):
        from selenium.webdriver.common.keys import Keys
        return {"Up": Keys.ARROW_UP, "Down": Keys.ARROW_DOWN, "Left": Keys.ARROW_LEFT,
                "Right": Keys.ARROW_RIGHT, "Prior": Keys.PAGE_UP, "Next": Keys.PAGE_DOWN,
                "Escape": Keys.ESCAPE, "F1": Keys.F1, "Enter": Keys.ENTER, "End": Keys.END,
                "space": Keys.SPACE}.get(key, key)

    def key_down(self, key):
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).key_down(self.keys(key)).perform()

    def key_up(self, key):
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).key_up(self.keys(key)).perform()

    def press(self, key):
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).send_keys(self.keys(key)).perform()

    def hide(self):
        self.driver.minimize_window()

    def show(self):
        self.driver.maximize_window()

    def close(self):
        self.driver.quit()


class ChromiumPage(SeleniumPage):
    """Headless Chromium showing the demo's page."""

    browser = "chromium"
    extra_arguments = ()

    def __init__(self, url, scale=1, phone=None, insets=None):
        from selenium import webdriver
        from selenium.webdriver.chrome.options import Options
        from selenium.webdriver.chrome.service import Service
        options = Options()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                         "--disable-background-networking", "--disable-component-update",
                         "--disable-sync", "--no-first-run", "--disable-quic",
                         "--disable-dev-shm-usage",  # a container's /dev/shm is small
                         "--window-size=1024,768", f"--force-device-scale-factor={scale}",
                         *self.extra_arguments):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.set_script_timeout(20)
        self.fingers = []
        if phone:
            self.emulate_phone(*phone, insets=insets)
        self.loaded_at = time.monotonic()
        self.driver.get(url)

    # -- Chromium's DevTools: a phone's screen and touch, the HTTP cache -----------------------
    def emulate_phone(self, width, height, ratio=3, insets=None):
        """A phone's screen of width x height CSS pixels, held in portrait or landscape, with
        touch, and its notch and home bar as safe-area insets (top, right, bottom, left).
        Called again while the page runs, it turns or swaps the phone."""
        landscape = width > height
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": ratio, "mobile": True,
            "screenOrientation": {"type": "landscapePrimary" if landscape else "portraitPrimary",
                                  "angle": 90 if landscape else 0}})
        self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled",
                                    {"enabled": True, "maxTouchPoints": 5})
        if insets:
            self.driver.execute_cdp_cmd("Emulation.setSafeAreaInsetsOverride", {"insets": dict(
                zip(("top", "right", "bottom", "left"), insets))})

    def disable_http_cache(self):
        self.driver.execute_cdp_cmd("Network.enable", {})
        self.driver.execute_cdp_cmd("Network.setCacheDisabled", {"cacheDisabled": True})

    def touch(self, *points):
        """Fingers down on (or moved to) these CSS points: one finger per point, in order.
        DevTools lifts the fingers only all together (lift)."""
        kind = "touchStart" if len(points) > len(self.fingers) else "touchMove"
        self.fingers = [{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)]
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                    {"type": kind, "touchPoints": self.fingers})

    def lift(self):
        self.fingers = []
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                    {"type": "touchEnd", "touchPoints": []})


# Fingers in a page that cannot be given touches: pointer events of type touch, as a touch
# screen sends them, each to the element the finger went down on (a touch is captured by it),
# the element's click after a lift where the finger went down and up on it.
SYNTHETIC_FINGERS = """
var fingers = window.quorvaneTestFingers = window.quorvaneTestFingers || [];
var points = arguments[0];
function send(type, finger, x, y) {
  finger.target.dispatchEvent(new PointerEvent(type, {bubbles: true, cancelable: true,
      composed: true, pointerId: 10 + finger.id, pointerType: 'touch', isPrimary: finger.id == 0,
      clientX: x, clientY: y, button: type == 'pointermove' ? -1 : 0,
      buttons: type == 'pointerup' ? 0 : 1, width: 20, height: 20, pressure: 0.5}));
}
if (points === null) {
  fingers.splice(0).forEach(function(f) {
    send('pointerup', f, f.x, f.y);
    if (document.elementFromPoint(f.x, f.y) === f.target)
      f.target.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true,
                                                      detail: 1, clientX: f.x, clientY: f.y}));
  });
  return;
}
points.forEach(function(p, i) {
  var f = fingers[i];
  if (!f) {
    f = fingers[i] = {id: i, x: p[0], y: p[1],
                      target: document.elementFromPoint(p[0], p[1]) || document.body};
    send('pointerdown', f, p[0], p[1]);
  } else if (f.x != p[0] || f.y != p[1]) {
    f.x = p[0];
    f.y = p[1];
    send('pointermove', f, p[0], p[1]);
  }
});
"""


class WebKitPage(SeleniumPage):
    """WebKitGTK's MiniBrowser on its own Xvfb screen, driven through WebKitWebDriver. A phone
    here is a window of the phone's size whose page takes itself for a touch screen (the
    page's prelude, see touch_screen_prelude); its fingers are synthetic pointer events."""

    browser = "webkit"
    escape_leaves_full_screen = True

    def __init__(self, url, scale=1, phone=None):
        from selenium import webdriver
        from selenium.webdriver.webkitgtk.options import Options
        if scale != 1:
            raise NotImplementedError("WebKitGTK on Xvfb has one device pixel per CSS pixel")
        self.x = XServer(VIEWPORT[0] + 256, VIEWPORT[1] + 256).__enter__()
        self.log = tempfile.TemporaryFile()
        try:
            listener = socket.socket()
            listener.bind(("127.0.0.1", 0))
            port = listener.getsockname()[1]
            listener.close()
            # Through DMA-BUF, WebGL's pictures never reach an Xvfb window (they come out black).
            self.service = subprocess.Popen(
                [WEBKIT_DRIVER, f"--port={port}", "--host=127.0.0.1"], stdout=self.log,
                stderr=subprocess.STDOUT, env=self.x.env(WEBKIT_DISABLE_DMABUF_RENDERER="1"))
            address = f"http://127.0.0.1:{port}"
            wait_until(lambda: self.listening(port), 20, what="WebKitWebDriver listening")
            options = Options()
            # Selenium's own default capabilities for WebKitGTK carry a name it warns about.
            warnings.filterwarnings("ignore", "platform is not a w3c capability")
            options.binary_location = minibrowser()
            options.add_argument("--automation")
            self.driver = webdriver.Remote(command_executor=address, options=options)
            self.driver.set_script_timeout(20)
            self.emulate_phone(*(phone or VIEWPORT))
            self.loaded_at = time.monotonic()
            self.driver.get(url)
        except BaseException:
            self.close()
            raise

    def listening(self, port):
        if self.service.poll() is not None:
            raise RuntimeError(f"WebKitWebDriver ended: {self.said()}")
        with socket.socket() as probe:
            return probe.connect_ex(("127.0.0.1", port)) == 0

    def said(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")[-2000:]

    def emulate_phone(self, width, height, ratio=1):
        """A viewport of width x height CSS pixels: the window grown by what its frame takes
        (MiniBrowser's window is at least about 450 pixels wide: then a little wider)."""
        self.driver.set_window_rect(0, 0, width, height)
        inner = self.js("return [innerWidth, innerHeight, outerWidth, outerHeight]")
        self.driver.set_window_rect(0, 0, width + inner[2] - inner[0],
                                    height + inner[3] - inner[1])
        self.viewport = tuple(self.js("return [innerWidth, innerHeight]"))

    def touch(self, *points):
        self.js(SYNTHETIC_FINGERS, [list(p) for p in points])

    def lift(self):
        self.js(SYNTHETIC_FINGERS, None)

    def close(self):
        driver = getattr(self, "driver", None)
        if driver:
            try:
                driver.quit()
            except Exception:  # noqa: BLE001 -- the browser is going either way
                pass
        service = getattr(self, "service", None)
        if service and service.poll() is None:
            service.terminate()
            try:
                service.wait(10)
            except subprocess.TimeoutExpired:
                service.kill()
                service.wait()
        self.log.close()
        self.x.__exit__(None, None, None)


# The page takes itself for a touch screen's, as on an iPhone or iPad: its own script, run
# first, sees touch points.
TOUCH_SCREEN_PRELUDE = ("Object.defineProperty(Navigator.prototype, 'maxTouchPoints',"
                        " {get: function() { return 5; }, configurable: true});")


class Firefox:
    """firefox-esr on its own Xvfb screen, driven by firefox_driver.js: one request at a time.
    A headless Firefox has no WebGL here; on Xvfb it draws with llvmpipe."""

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


class FirefoxPage(Page):
    """The demo's page in the run's Firefox; each page starts from a blank one."""

    browser = "firefox"
    escape_leaves_full_screen = True

    def __init__(self, url, scale=1, phone=None):
        self.browser_process = firefox(touch_screen=bool(phone))
        if phone:
            self.emulate_phone(*phone)
        else:
            self.request("viewport", width=VIEWPORT[0], height=VIEWPORT[1], scale=scale)
        self.loaded_at = time.monotonic()
        self.request("goto", url=url)
        self.browser_process.focus_page()

    def request(self, op, **fields):
        return self.browser_process.request(op, **fields)

    def close(self):
        self.request("goto", url="about:blank")  # the next case starts from nothing

    def js(self, script, *args):
        return self.request("js", body=script, args=list(args))

    def emulate_phone(self, width, height, ratio=3):
        """A phone's screen (BiDi's viewport; Firefox's touch screen is set at its start)."""
        self.request("viewport", width=width, height=height, scale=ratio)

    def touch(self, *points):
        self.request("touch", points=points)

    def lift(self):
        self.request("lift")

    def click(self, selector):
        self.request("click", selector=selector)

    def canvas_png(self):
        return base64.b64decode(self.request("screenshot", selector="canvas.quorvane-window"))

    def hide(self):
        self.request("hide")  # another tab in front

    def show(self):
        self.request("show")

    def key_down(self, key):
        self.request("keyDown", name=key)

    def key_up(self, key):
        self.request("keyUp", name=key)

    def press(self, key):
        self.request("press", name=key)
