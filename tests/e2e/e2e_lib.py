"""Helpers for driving the whole demo as a person would, on top of tests/xvfb_shell/xvfb_lib.py.

Adds what a person's session needs beyond that toolkit: real keyboard input through XTest on
the focused window (keys held down and released), window captures parsed into pixels and
sorted into the demo's colour classes, the message boxes the program showed (recorded by the
preloaded box recorder while the real boxes still appear), and the process's CPU time and
anonymous memory from /proc.
"""

import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "xvfb_shell"))
from xvfb_lib import Program, XServer, wait_until  # noqa: E402,F401

EXE = os.environ.get("QUORVANE", "build/quorvane")
BOX_RECORDER = os.environ.get("QUORVANE_BOX_RECORDER", "")
VIRTUAL_PAD = os.environ.get("QUORVANE_VIRTUAL_PAD", "")
TEXTURE = os.environ.get("QUORVANE_TEXTURE",
                         os.path.join(HERE, "..", "..", "data", "water05t.bmp"))
TITLE = "Quorvane BaseCode"
QUESTION = "Start FullScreen?"
SWITCH_FAILED = "Mode Switch Failed.\nRunning In Windowed Mode."
# A program under an emulator (qemu-user, for the ARM64 build) is given this many times longer
# to draw its first frames and to end.
SLOWDOWN = 6 if os.environ.get("QUORVANE_EMULATOR") else 1


# -- pictures -------------------------------------------------------------------------------
class Picture:
    """An RGB capture: width, height and rows of bytes, top row first."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.data[i], self.data[i + 1], self.data[i + 2]

    def classes(self, step=1):
        """Counts, bounding boxes and centroids of the demo's colour classes, looking at every
        step-th pixel of every step-th row (counts stay in whole-picture pixels)."""
        return Classes(self, step)

    def sky_ends(self, x):
        """The first row from the top in column x that is not sky (height when all is sky)."""
        for y in range(self.height):
            if classify(*self.pixel(x, y)) != "cyan":
                return y
        return self.height


def classify(r, g, b):
    """The demo draws four kinds of pixel: cyan sky, the orange marker, unlit (black) surface
    and lit water. Anything else (edges blended by the rasteriser) is 'other'."""
    if r < 40 and g > 215 and b > 215:
        return "cyan"
    if r > 200 and 80 < g < 175 and b < 70:
        return "orange"
    if r < 12 and g < 12 and b < 12:
        return "black"
    if r < 150 and (g > 30 or b > 30) and b >= r:
        return "lit"  # water: blue-green texture times a grey shade
    return "other"


class Classes:
    def __init__(self, picture, step=1):
        self.count = {"cyan": 0, "orange": 0, "black": 0, "lit": 0, "other": 0}
        sums = {k: [0, 0] for k in self.count}
        boxes = {k: [picture.width, picture.height, -1, -1] for k in self.count}
        data, width = picture.data, picture.width
        cache = {}
        for y in range(0, picture.height, step):
            row = y * width * 3
            for x in range(0, width, step):
                i = row + x * 3
                key = data[i:i + 3]
                kind = cache.get(key)
                if kind is None:
                    kind = cache[key] = classify(*key)
                self.count[kind] += step * step
                s = sums[kind]
                s[0] += x
                s[1] += y
                b = boxes[kind]
                if x < b[0]: b[0] = x
                if y < b[1]: b[1] = y
                if x > b[2]: b[2] = x
                if y > b[3]: b[3] = y
        self.total = picture.width * picture.height
        self.centroid = {k: ((sums[k][0] / n * step * step, sums[k][1] / n * step * step)
                             if (n := self.count[k]) else None)
                         for k in self.count}
        self.box = {k: (tuple(boxes[k]) if self.count[k] else None) for k in self.count}

    def share(self, kind):
        return self.count[kind] / self.total

    def __repr__(self):
        parts = [f"{k}={v}" for k, v in self.count.items()]
        return f"Classes({', '.join(parts)}, marker={self.centroid['orange']}, lit={self.centroid['lit']})"


def parse_ppm(blob):
    """Parses a binary (P6, 8-bit) PPM."""
    fields, pos = [], 0
    while len(fields) < 4:
        while blob[pos:pos + 1].isspace():
            pos += 1
        if blob[pos:pos + 1] == b"#":
            pos = blob.index(b"\n", pos)
            continue
        end = pos
        while not blob[end:end + 1].isspace():
            end += 1
        fields.append(blob[pos:end])
        pos = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise ValueError("not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    data = blob[pos + 1:pos + 1 + width * height * 3]
    if len(data) != width * height * 3:
        raise ValueError("PPM cut short")
    return Picture(width, height, data)


def capture(x, wid):
    """The window's client area as a Picture (ImageMagick's import of that window). An import
    seen stuck once on a loaded machine is ended and tried once more."""
    command = ["import", "-window", hex(wid), "-depth", "8", "ppm:-"]
    try:
        result = subprocess.run(command, env=x.env(), capture_output=True, timeout=20)
    except subprocess.TimeoutExpired:
        print("import stuck for 20 s; trying once more", file=sys.stderr)
        result = subprocess.run(command, env=x.env(), capture_output=True, timeout=20)
    if result.returncode != 0:
        raise RuntimeError("import failed: " + result.stderr.decode(errors="replace"))
    return parse_ppm(result.stdout)


def wait_for_picture(x, wid, predicate, timeout, what, step=2):
    """Captures until predicate(classes) holds; returns those classes. Looks at every second
    pixel by default so that held keys are let go soon after the picture changes."""
    return poll_picture(lambda: capture(x, wid), predicate, timeout, what, step)


def poll_picture(grab, predicate, timeout, what, step=2):
    """wait_for_picture for any source of pictures: grab() returns the next one."""
    seen = []

    def attempt():
        classes = grab().classes(step)
        seen[:] = [classes]
        return classes if predicate(classes) else None

    try:
        return wait_until(attempt, timeout, interval=0.05, what=what)
    except TimeoutError as error:
        raise TimeoutError(f"{error}; last capture {seen[0] if seen else None}") from None


def looks_like_a_frame(classes):
    """Something drawn: sky, surface and marker all present."""
    return (classes.share("cyan") > 0.2 and classes.count["orange"] > 20
            and classes.share("black") > 0.2)


# -- keyboard -------------------------------------------------------------------------------
def focus(x, wid):
    """Activates the window through the window manager and waits until it has the focus."""
    x.focus(wid)


def key_down(x, *keys):
    x.tool(["xdotool", "keydown", *keys])


def key_up(x, *keys):
    x.tool(["xdotool", "keyup", *keys])


def quit_with_escape(x, wid, app, timeout=5):
    """Holds Escape until the program has ended; its exit status (None if it did not end)."""
    try:
        x.press_until(wid, "Escape", lambda: not app.running(), timeout * SLOWDOWN,
                      "the program ending")
    except TimeoutError:
        return None
    return app.wait(0)


def switch_screen_mode(x, wid, timeout=10):
    """Holds F1 until the window is gone (replaced, or a box says the switch failed)."""
    x.press_until(wid, "F1", lambda: x.find_window(TITLE) != wid, timeout, "the window going")


def hold_until(x, wid, key, predicate, timeout, what, step=2):
    """Holds key on the focused window until a capture satisfies predicate; returns it."""
    focus(x, wid)
    key_down(x, key)
    try:
        return wait_for_picture(x, wid, predicate, timeout, what, step)
    finally:
        key_up(x, key)


def settled(x, wid, step=1, timeout=5):
    """A capture taken once two in a row agree, so the frames after a key-up have landed."""
    return still_picture(lambda: capture(x, wid), timeout).classes(step)


def still_picture(grab, timeout=5):
    """The picture once two grabbed in a row agree."""
    last = [None]

    def attempt():
        picture = grab()
        same = last[0] is not None and last[0].data == picture.data
        last[0] = picture
        return picture if same else None

    return wait_until(attempt, timeout, interval=0.05, what="a still picture")


# key | what it moves on screen (the marker's centroid x or y) | direction | how far to hold it
# Q goes well above E's distance: a key is let go some frames after the picture shows its
# move, and E's overrun must not take the light below the surface, where it is hidden.
MARKER_MOVES = [("d", 0, +1, 20), ("a", 0, -1, 20), ("s", 1, +1, 5), ("w", 1, -1, 5),
                ("q", 1, -1, 40), ("e", 1, +1, 10), ("Left", 0, +1, 20), ("Right", 0, -1, 20)]
# The view keys move the surface's far edge (its first row from the top at column 420).
EDGE_MOVES = [("Up", +1), ("Down", -1), ("Prior", +1), ("Next", -1)]


def held_key_moves(grab, key_down, key_up, report=print):
    """Holds each key of MARKER_MOVES, then of EDGE_MOVES, until the picture shows its move,
    for any source of pictures and any keyboard; the light and view end where the keys left
    them. W and S must also shrink and grow the marker (away is smaller).
    First D brings the light nearer the middle of the picture: from its start near the left
    edge, S carries the marker outwards faster than down, and a program drawing many frames
    between two pictures would have it out of the window before one shows how far it went."""
    def hold(key, predicate, what, timeout=20):
        key_down(key)
        try:
            return poll_picture(grab, predicate, timeout, what)
        finally:
            key_up(key)

    hold("d", lambda c: c.count["orange"] and c.centroid["orange"][0] >= 200,
         "the light nearer the middle", 30)
    for key, axis, sign, distance in MARKER_MOVES:
        measure = lambda c, axis=axis: c.centroid["orange"][axis]
        before = still_picture(grab).classes()
        if not before.count["orange"]:
            raise AssertionError(f"the marker is out of sight before {key}: {before}")
        start = measure(before)
        after = hold(key, lambda c: c.count["orange"] and sign * (measure(c) - start) >= distance,
                     f"{key} moving the marker")
        report(f"{key}: {start:.1f} -> {measure(after):.1f}")
        if key in ("w", "s") and (after.count["orange"] < before.count["orange"]) != (key == "w"):
            raise AssertionError(f"{key}: the marker went from {before.count['orange']} to "
                                 f"{after.count['orange']} pixels")
    for key, sign in EDGE_MOVES:
        edge = grab().sky_ends(420)
        key_down(key)
        try:
            wait_until(lambda: sign * (grab().sky_ends(420) - edge) >= 8, 20,
                       what=f"{key} moving the far edge")
        finally:
            key_up(key)


def root_size(x):
    info = x.tool(["xwininfo", "-root"])
    field = lambda label: int(re.search(label + r":\s+(\d+)", info)[1])
    return field("Width"), field("Height")


# -- gamepad --------------------------------------------------------------------------------
# The standard gamepad's controls that hold each key (SDL game-controller axis and button
# numbers): what the pad sends to press it, and to let it go. A trigger's axis runs its whole
# range from released (-32768) to pressed.
PAD_KEYS = {
    "d": ("axis 0 32767", "axis 0 0"), "a": ("axis 0 -32768", "axis 0 0"),
    "s": ("axis 1 32767", "axis 1 0"), "w": ("axis 1 -32768", "axis 1 0"),
    "q": ("axis 5 32767", "axis 5 -32768"), "e": ("axis 4 32767", "axis 4 -32768"),
    "Left": ("axis 2 -32768", "axis 2 0"), "Right": ("axis 2 32767", "axis 2 0"),
    "Up": ("button 11 1", "button 11 0"), "Down": ("button 12 1", "button 12 0"),
    "Prior": ("button 10 1", "button 10 0"), "Next": ("button 9 1", "button 9 0"),
    "Escape": ("button 4 1", "button 4 0"),
}


class VirtualPad:
    """The gamepad the preloaded virtual_pad library gives the program: lines appended to its
    command file are carried out before the program's next frame, and each is acknowledged in
    its log, which is what send waits for."""

    def __init__(self, directory):
        self.commands = os.path.join(directory, "pad.commands")
        self.log = os.path.join(directory, "pad.log")
        for path in (self.commands, self.log):
            open(path, "wb").close()
        self.sent = 0

    def env(self, env):
        if not VIRTUAL_PAD:
            raise RuntimeError("QUORVANE_VIRTUAL_PAD is not set")
        preload = [VIRTUAL_PAD] + [p for p in [env.get("LD_PRELOAD")] if p]
        return dict(env, LD_PRELOAD=":".join(preload), QUORVANE_PAD_COMMANDS=self.commands,
                    QUORVANE_PAD_LOG=self.log)

    def acknowledged(self):
        with open(self.log) as f:
            return [line.split(" ", 2) for line in f.read().splitlines()]

    def send(self, *lines, timeout=10):
        """Carries the lines out in the program's frames; the frame count after the last."""
        with open(self.commands, "a") as f:
            f.write("".join(line + "\n" for line in lines))
        self.sent += len(lines)
        done = wait_until(lambda: len(self.acknowledged()) >= self.sent and self.acknowledged(),
                          timeout * SLOWDOWN, what=f"the pad carrying out {lines}")
        failed = [" ".join(entry) for entry in done[-len(lines):] if entry[1] != "done"]
        if failed:
            raise AssertionError(f"the virtual pad failed: {failed}")
        return int(done[-1][0])

    def key_down(self, key):
        self.send(PAD_KEYS[key][0])

    def key_up(self, key):
        self.send(PAD_KEYS[key][1])


# -- message boxes --------------------------------------------------------------------------
def _records(path):
    with open(path, "rb") as f:
        records = f.read().split(b"\x1e")
    return [tuple(r.decode().split("\x1f", 1)) for r in records if r]


class BoxLog:
    """What the preloaded recorder saw: the boxes the program showed, in order, as (caption,
    text) pairs, the heap in use as each OpenGL context was about to be made, the calls
    that take a window down, as (call, argument) pairs, and the frames drawn by each run that
    ended normally."""

    def __init__(self, directory):
        self.path = os.path.join(directory, "boxes.log")
        self.heap_path = os.path.join(directory, "heap.log")
        self.calls_path = os.path.join(directory, "calls.log")
        self.frames_path = os.path.join(directory, "frames.log")
        self.clear()

    def clear(self):
        for path in (self.path, self.heap_path, self.calls_path, self.frames_path):
            open(path, "wb").close()

    def env(self, x):
        if not BOX_RECORDER:
            raise RuntimeError("QUORVANE_BOX_RECORDER is not set")
        return x.env(LD_PRELOAD=BOX_RECORDER, QUORVANE_BOX_LOG=self.path,
                     QUORVANE_HEAP_LOG=self.heap_path, QUORVANE_CALL_LOG=self.calls_path,
                     QUORVANE_FRAME_LOG=self.frames_path)

    def boxes(self):
        return _records(self.path)

    def calls(self):
        return _records(self.calls_path)

    def frames(self):
        return [int(count) for _, count in _records(self.frames_path)]

    def heap(self):
        """Bytes in use before each context, one figure per window made."""
        return [int(value) for _, value in _records(self.heap_path)]


def answer_question(x, key):
    """Answers the start-up question with a key (Escape: No, Return: Yes)."""
    box = x.wait_for_window(QUESTION)
    focus(x, box)
    key_down(x, key)
    key_up(x, key)
    x.wait_window_gone(QUESTION)


def dismiss_box(x, caption="Error", timeout=10):
    box = x.wait_for_window(caption, timeout)
    focus(x, box)
    key_down(x, "Return")
    key_up(x, "Return")
    x.wait_window_gone(caption)


# -- the Linux build's reference frame ------------------------------------------------------
def linux_first_frame(exe, texture_dir):
    """The Linux build's first windowed frame under Xvfb with openbox, as the reference."""
    with XServer(1024, 768, window_manager=True) as x, Program(x, exe, texture_dir) as app:
        answer_question(x, "Escape")
        win = x.wait_for_window(TITLE)
        wait_for_picture(x, win, looks_like_a_frame, 20, "Linux frames")
        settled(x, win)
        picture = capture(x, win)
        x.close(win)
        if app.wait(10) != 0:
            raise RuntimeError("the Linux build did not end with status 0")
        return picture


def differing_pixels(seen, expected, tolerance=24):
    """Pixels of two same-sized pictures whose channels differ by more than tolerance."""
    if (seen.width, seen.height) != (expected.width, expected.height):
        raise ValueError(f"{seen.width}x{seen.height} against {expected.width}x{expected.height}")
    a, b = seen.data, expected.data
    return sum(1 for i in range(0, len(a), 3)
               if max(abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2]))
               > tolerance)


# -- the process ----------------------------------------------------------------------------
def anon_kib(pid):
    """Anonymous memory in KiB, counted page by page (heap, mappings, driver buffers)."""
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            if line.startswith("Anonymous:"):
                return int(line.split()[1])
    raise RuntimeError("no Anonymous line")


def cpu_share(app, seconds):
    """Share of one core the process used over the next few seconds."""
    before, start = app.cpu_seconds(), time.monotonic()
    time.sleep(seconds)
    return (app.cpu_seconds() - before) / (time.monotonic() - start)


def cpu_drawing_then_minimised(x, app, wid):
    """The program's CPU share while it draws, then once its window is minimised."""
    busy = cpu_share(app, 1.0)
    x.minimize(wid)
    wait_until(lambda: "_NET_WM_STATE_HIDDEN" in x.property(wid, "_NET_WM_STATE"), 5,
               what="minimised state")
    time.sleep(0.3)  # the last frames before the minimise land
    idle = cpu_share(app, 1.5)
    print(f"CPU share drawing {busy:.3f}, minimised {idle:.3f}")
    return busy, idle
