"""Where a frame's time goes in Chromium, for the page and for bench/web/minimal.html: each is
loaded in headless Chromium at 60 Hz with its processor slowed (four times unless told), D held
from the first frame, and after a warm-up a trace of a few seconds is recorded through the
DevTools protocol. Printed per frame, for each page:

- script: the page's animation-frame callback (the program's frame and its GL calls);
- wait for the drawing: the page's thread waiting on the GPU process, which Chromium does when
  it reads the canvas back to composite it in software (no GPU, or --disable-gpu);
- rest of the page's thread: style, paint, the commit, and the slowing itself;
- GPU process: its main thread's busy time (the WebGL commands, SwiftShader's drawing).

Usage: python3 bench/web/web_trace.py <web build folder> [slowdown, 4 by default]
"""

import collections
import json
import os
import sys
import tempfile
import time
import urllib.request

import web_fps  # beside this script; it finds the web tests' helpers
from web_fps import test_web, web_browsers


RECORD = 3.0  # seconds of trace, after web_fps.WARM_UP
CATEGORIES = ["devtools.timeline", "blink", "cc", "gpu", "toplevel", "v8.execute"]


def record(address, seconds):
    """The trace events of `seconds` from the browser at `address` (host:port)."""
    import trio
    from trio_websocket import open_websocket_url
    with urllib.request.urlopen(f"http://{address}/json/version") as reply:
        url = json.load(reply)["webSocketDebuggerUrl"]

    async def run():
        events = []
        async with open_websocket_url(url, max_message_size=1 << 28) as socket:
            await socket.send_message(json.dumps({"id": 1, "method": "Tracing.start", "params": {
                "traceConfig": {"includedCategories": CATEGORIES},
                "transferMode": "ReportEvents"}}))
            await trio.sleep(seconds)
            await socket.send_message(json.dumps({"id": 2, "method": "Tracing.end"}))
            while True:
                message = json.loads(await socket.get_message())
                if message.get("method") == "Tracing.dataCollected":
                    events += message["params"]["value"]
                elif message.get("method") == "Tracing.tracingComplete":
                    return events
    return trio.run(run)


def per_frame(events):
    """Milliseconds per frame of each part, and the frames a second, from a trace."""
    names = {(e["pid"], e["tid"]): e["args"]["name"] for e in events
             if e.get("ph") == "M" and e.get("name") == "thread_name"}
    spans = collections.defaultdict(list)
    for e in events:
        if e.get("ph") == "X":
            spans[names.get((e["pid"], e["tid"])), (e["pid"], e["tid"])].append(e)

    def busiest(thread):
        found = [v for (name, _), v in spans.items() if name == thread]
        return max(found, key=len) if found else []

    def total(spans_, name):
        return sum(e["dur"] for e in spans_ if e["name"] == name) / 1e3

    page, gpu = busiest("CrRendererMain"), busiest("CrGpuMain")
    frames = sum(1 for e in page if e["name"] == "FireAnimationFrame")
    if not frames:
        raise RuntimeError("no animation frame in the trace")
    began = min(e["ts"] for e in page if e["name"] == "FireAnimationFrame")
    ended = max(e["ts"] for e in page if e["name"] == "FireAnimationFrame")
    tasks = total(page, "ThreadControllerImpl::RunTask")
    script = total(page, "FireAnimationFrame")
    wait = total(page, "CommandBufferProxyImpl::WaitForGetOffset")
    return {"script": script / frames, "wait for the drawing": wait / frames,
            "rest of the page's thread": (tasks - script - wait) / frames,
            "GPU process": total(gpu, "ThreadControllerImpl::RunTask") / frames,
            "frames a second": (frames - 1) / ((ended - began) / 1e6)}


def trace(url, demo, slowdown):
    page = web_fps.SlowChromium(url, slowdown)
    try:
        web_fps.start_drawing(page, demo, "d")
        time.sleep(web_fps.WARM_UP)
        address = page.driver.capabilities["goog:chromeOptions"]["debuggerAddress"]
        return per_frame(record(address, RECORD))
    finally:
        page.close()


def main():
    web = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-web")
    slowdown = float(sys.argv[2]) if len(sys.argv) > 2 else 4
    lacks = web_browsers.missing("chromium")
    if lacks:
        print(f"SKIPPED: the frame trace (missing {lacks}; install "
              f"{web_browsers.INSTALL['chromium']})")
        return 0
    with tempfile.TemporaryDirectory() as folder:
        web_fps.place_pages(web, folder)
        server = test_web.PageServer(folder)
        try:
            base = f"http://127.0.0.1:{server.port}/"
            rows = {"minimal page": trace(base + "minimal.html", False, slowdown),
                    "page": trace(base + "index.html", True, slowdown)}
        finally:
            server.close()
    print(f"Chromium at 60 Hz, processor {slowdown:g}x slower, light moving; ms per frame "
          f"(load average {os.getloadavg()[0]:.2f})")
    print(f"{'':28}" + "".join(f"{who:>14}" for who in rows))
    for part in rows["page"]:
        print(f"{part:28}" + "".join(f"{row[part]:14.2f}" for row in rows.values()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
