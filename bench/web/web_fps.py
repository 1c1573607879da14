"""Frames per second of the page against bench/web/minimal.html, the same frame in plain WebGL 1,
in each browser there is: Chromium headless with its frame limit off and at 60 Hz, Firefox and
WebKitGTK (on Xvfb) at 60 Hz. The two pages alternate, two rounds each, the second round in
the other order (so that a machine growing busier or quieter favours neither), both served from
loopback (no network); each count is the frames the page itself reports over a fixed window
after a warm-up. Prints each browser's rates, the ratio and whether the target is met: with the
frame limit off at least 0.9 of the minimal page's rate; at 60 Hz at least 59 frames a second
where the minimal page reaches 59, else at least 0.9 of its rate. A browser that is not
installed is skipped, saying so.

Usage: python3 bench/web/web_fps.py <web build folder>   (QUORVANE_PUPPETEER for Firefox)
"""

import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "web"))
import test_web  # noqa: E402
import web_browsers  # noqa: E402
from web_browsers import wait_until  # noqa: E402

WARM_UP, WINDOW, ROUNDS = 2.0, 5.0, 2


class UnlimitedChromium(web_browsers.ChromiumPage):
    """Chromium drawing as fast as it can: no wait for the display's vertical sync."""
    extra_arguments = ("--disable-gpu-vsync", "--disable-frame-rate-limit")


CONFIGURATIONS = (  # name, browser, page class (None: the browser's own), limited to 60 Hz
    ("Chromium headless, frame limit off", "chromium", UnlimitedChromium, False),
    ("Chromium headless at 60 Hz", "chromium", None, True),
    ("Firefox at 60 Hz", "firefox", None, True),
    ("WebKitGTK at 60 Hz", "webkit", None, True),
)


def rate(browser, page_class, url, demo):
    """Frames a second over the window, once the page has drawn for the warm-up."""
    if page_class:
        page = page_class(url)
    else:
        page = web_browsers.open_page(browser, url)
    counter = "window.quorvaneFrames || 0" if demo else "window.benchFrames || 0"
    try:
        if demo:
            page.wait_for_dialog()
            page.answer("No")
        wait_until(lambda: page.js(f"return {counter}") > 0, 30, what="the first frame")
        time.sleep(WARM_UP)
        start, began = page.js(f"return {counter}"), time.monotonic()
        time.sleep(WINDOW)
        end, ended = page.js(f"return {counter}"), time.monotonic()
        return (end - start) / (ended - began)
    finally:
        page.close()


def main():
    web = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-web")
    for name in ("index.html", "quorvane.js", "quorvane.wasm", "water05t.bmp"):
        if not os.path.isfile(os.path.join(web, name)):
            print(f"SKIPPED: the web frame rates ({web}/{name} is missing: make web)")
            return 0
    with tempfile.TemporaryDirectory() as folder:
        for name in os.listdir(web):
            if os.path.isfile(os.path.join(web, name)) and name != "sw.js":
                shutil.copy(os.path.join(web, name), folder)  # no worker: every load the same
        shutil.copy(os.path.join(HERE, "minimal.html"), folder)
        server = test_web.PageServer(folder)
        base = f"http://127.0.0.1:{server.port}/"
        load = os.getloadavg()[0]
        print(f"web frame rates, {WINDOW:.0f} s windows after {WARM_UP:.0f} s, {ROUNDS} rounds "
              f"alternating; load average {load:.2f}")
        failed = False
        try:
            for title, browser, page_class, limited in CONFIGURATIONS:
                lacks = web_browsers.missing(browser)
                if lacks:
                    print(f"SKIPPED: {title} (missing {lacks}; install "
                          f"{web_browsers.INSTALL[browser]})")
                    continue
                minimal, demo = [], []
                for round_ in range(ROUNDS):
                    if round_ % 2 == 0:
                        minimal.append(rate(browser, page_class, base + "minimal.html", False))
                        demo.append(rate(browser, page_class, base + "index.html", True))
                    else:
                        demo.append(rate(browser, page_class, base + "index.html", True))
                        minimal.append(rate(browser, page_class, base + "minimal.html", False))
                best_minimal, best_demo = max(minimal), max(demo)
                ratio = best_demo / best_minimal if best_minimal else 0
                if limited and best_minimal >= 59:
                    target, met = ">= 59 fps", best_demo >= 59
                else:
                    target, met = ">= 0.9x", ratio >= 0.9
                failed |= not met
                print(f"{title:38} minimal {' / '.join(f'{r:.1f}' for r in minimal)} fps, "
                      f"page {' / '.join(f'{r:.1f}' for r in demo)} fps, ratio {ratio:.2f} "
                      f"(target {target}: {'met' if met else 'MISSED'})")
        finally:
            server.close()
    print("web targets: " + ("MISSED" if failed else "all met"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
