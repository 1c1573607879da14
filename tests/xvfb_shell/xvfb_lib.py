"""Running the real program under Xvfb, for tests.

A small toolkit over Debian's Xvfb, openbox, xwininfo, xprop, xdotool, wmctrl and ImageMagick:

    with XServer(1024, 768, window_manager=True) as x:
        texture_dir = make_texture_dir(tmp)            # a small water05t.bmp to run with
        with Program(x, "/path/to/quorvane", cwd=texture_dir) as app:
            box = x.wait_for_window("Start FullScreen?")
            x.key(box, "Escape")                         # No: windowed
            win = x.wait_for_window("Quorvane BaseCode")
            assert x.geometry(win)["width"] == 640
            x.close(win)                                 # the close box (needs the window manager)
            assert app.wait(1.0) == 0

Every server gets its own display number through Xvfb's -displayfd, so several runs can share
a machine. The program is started with SDL_VIDEODRIVER=x11, so a server that went away makes
the program fail instead of running unseen. Everything started is stopped on leaving the
`with` blocks. All waits are bounded; a timeout raises TimeoutError with what was seen.
"""

import os
import re
import select
import shlex
import signal
import struct
import subprocess
import tempfile
import time

__all__ = ["XServer", "Program", "make_texture_dir", "wait_until"]


def wait_until(predicate, timeout, interval=0.05, what="condition"):
    """Polls predicate() until it returns something truthy; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"{what} not reached within {timeout} s")
        time.sleep(interval)


class XServer:
    """An Xvfb server with one screen of the given size, optionally with openbox running."""

    def __init__(self, width=1024, height=768, depth=24, window_manager=False):
        self.size = (width, height, depth)
        self.window_manager = window_manager
        self.display = None
        self._xvfb = None
        self._wm = None

    # -- lifetime ---------------------------------------------------------------------------
    def __enter__(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            self.server_command(write_end),
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        try:
            number = self._read_display_number(read_end)
        finally:
            os.close(read_end)
        self.display = f":{number}"
        if self.window_manager:
            self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                self._wait_for_window_manager()
            except BaseException:
                self.__exit__(None, None, None)
                raise
        return self

    def __exit__(self, *exc):
        for process in (self._wm, self._xvfb):
            if process and process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        return False

    def server_command(self, displayfd):
        """The command line of the server, which writes its display number to displayfd.
        Auto-repeat is off (-r): a key is held until what it does is seen, and on a busy
        machine that can outlast the repeat delay, when repeats of F1 would reach the window
        that replaced the old one and switch again. The program reads keys as held or not, so
        repeats change nothing else."""
        width, height, depth = self.size
        return ["Xvfb", "-displayfd", str(displayfd), "-screen", "0",
                f"{width}x{height}x{depth}", "-nolisten", "tcp", "-noreset", "-r"]

    def _wait_for_window_manager(self, attempts=20):
        # Openbox announces itself before its event loop runs, and a window mapped in between
        # stays unmapped for good. Ready means: it has framed a probe window of ours; a probe
        # that got lost that way is replaced by a new one.
        for _ in range(attempts):
            probe = subprocess.Popen(["xmessage", "-title", "xvfb-lib-probe", "probe"],
                                     env=self.env(), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
            try:
                wid = wait_until(lambda: self.find_window("xvfb-lib-probe"), 2,
                                 what="probe window")
                framed = wait_until(lambda: self.frame_extents(wid), 2, what="probe frame")
            except TimeoutError:
                framed = None
            finally:
                probe.terminate()
                probe.wait()
            wait_until(lambda: not any(t == "xvfb-lib-probe" for _, t, _, _ in self.windows()),
                       10, what="probe window gone")
            if framed:
                return
        raise RuntimeError("the window manager did not start managing windows")

    def _read_display_number(self, fd, timeout=10):
        data = b""
        deadline = time.monotonic() + timeout
        while not data.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or self._xvfb.poll() is not None:
                raise RuntimeError(f"{self.server_command(fd)[0]} did not start")
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 64)
                if not chunk:
                    raise RuntimeError("Xvfb closed -displayfd without a display number")
                data += chunk
        return int(data.strip())

    def env(self, **extra):
        """The environment for a client of this server (no Wayland, SDL on X11)."""
        env = {k: v for k, v in os.environ.items() if k not in ("WAYLAND_DISPLAY",)}
        env.update(DISPLAY=self.display, SDL_VIDEODRIVER="x11")
        env.update(extra)
        return env

    def run_tool(self, args):
        """Runs an X tool against this server; the completed process, whatever its status."""
        return subprocess.run(args, env=self.env(), capture_output=True, text=True, timeout=20)

    def tool(self, args):
        """Runs an X tool against this server and returns its standard output. A tool that
        fails raises: read as an empty answer, it would pass every check of an absence."""
        result = self.run_tool(args)
        if result.returncode != 0:
            raise RuntimeError(f"{' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    # -- finding windows --------------------------------------------------------------------
    _TREE_LINE = re.compile(r'^\s*(0x[0-9a-f]+) "(.*)": .*?(\d+)x(\d+)\+(-?\d+)\+(-?\d+)')

    def windows(self):
        """Every named window: list of (id, name, width, height) from `xwininfo -root -tree`."""
        for _ in range(20):
            result = self.run_tool(["xwininfo", "-root", "-tree"])
            # A window destroyed while the tree is walked fails the walk: walk it again.
            if result.returncode == 0 or "Bad Window" not in result.stderr:
                break
        if result.returncode != 0:
            raise RuntimeError(f"xwininfo -root -tree failed: {result.stderr.strip()}")
        found = []
        for line in result.stdout.splitlines():
            match = self._TREE_LINE.match(line)
            if match:
                found.append((int(match[1], 16), match[2], int(match[3]), int(match[4])))
        return found

    def find_window(self, name):
        """Id of a mapped window with exactly this name, or None."""
        for wid, title, _, _ in self.windows():
            if title == name and self.is_viewable(wid):
                return wid
        return None

    def wait_for_window(self, name, timeout=10):
        try:
            return wait_until(lambda: self.find_window(name), timeout, what=f'window "{name}"')
        except TimeoutError as error:
            seen = ", ".join(f'"{title}" {w}x{h}' for _, title, w, h in self.windows())
            raise TimeoutError(f"{error}; windows: {seen or 'none'}") from None

    def wait_window_gone(self, name, timeout=10):
        wait_until(lambda: self.find_window(name) is None, timeout, what=f'"{name}" gone')

    def is_viewable(self, wid):
        result = self.run_tool(["xwininfo", "-id", str(wid)])
        # Destroyed since it was listed: xwininfo says so in one of these ways, the last two
        # when the window, or the window manager's frame around it, went between its first
        # query and the reading of its frame or coordinates.
        gone = any(text in result.stderr for text in
                   ("No such window", "Bad Window", "Bad Drawable",
                    "Can't get translated coordinates"))
        if result.returncode != 0 and gone:
            return False
        if result.returncode != 0:
            raise RuntimeError(f"xwininfo -id {wid} failed: {result.stderr.strip()}")
        return "Map State: IsViewable" in result.stdout

    def geometry(self, wid):
        """Client-area geometry: dict with x, y (absolute), width, height."""
        info = self.tool(["xwininfo", "-id", str(wid)])
        field = lambda label: int(re.search(label + r":\s+(-?\d+)", info)[1])
        return {"x": field("Absolute upper-left X"), "y": field("Absolute upper-left Y"),
                "width": field("Width"), "height": field("Height")}

    def property(self, wid, name):
        """The xprop text of one property ('' when the window does not have it)."""
        text = self.tool(["xprop", "-id", str(wid), name])
        return "" if "not found" in text or "no such atom" in text else text.strip()

    def frame_extents(self, wid):
        """(left, right, top, bottom) of the window manager's frame; None without one."""
        text = self.property(wid, "_NET_FRAME_EXTENTS")
        numbers = re.findall(r"\d+", text.split("=", 1)[1]) if "=" in text else []
        return tuple(int(n) for n in numbers) if len(numbers) == 4 else None

    def undecorated(self, wid):
        """True when the window asks for no decorations (_MOTIF_WM_HINTS decorations 0)."""
        text = self.property(wid, "_MOTIF_WM_HINTS")
        numbers = re.findall(r"0x[0-9a-f]+|\d+", text.split("=", 1)[1]) if "=" in text else []
        return len(numbers) >= 3 and int(numbers[0], 0) & 2 and int(numbers[2], 0) == 0

    # -- acting on windows ------------------------------------------------------------------
    def key(self, wid, *keys):
        """Sends key presses to one window (works on SDL's message boxes without a WM)."""
        self.tool(["xdotool", "key", "--window", str(wid), *keys])

    def focus(self, wid):
        """Gives a window the keyboard focus (through the window manager when there is one)."""
        if self._wm:
            self.activate(wid)
        else:
            self.tool(["xdotool", "windowfocus", "--sync", str(wid)])
        # No focus at all is an error for xdotool; it only means "not yet" here.
        wait_until(lambda: self.run_tool(["xdotool", "getwindowfocus"]).stdout.strip() == str(wid),
                   5, what="keyboard focus")

    def press_until(self, wid, key, done, timeout=10, what="what the key does"):
        """Focuses a window and holds a key through XTEST, as a keyboard would (the program's
        own window needs this; SDL ignores keys sent to it with --window), until done()
        returns something truthy; returns that. The program reads its key table once a frame,
        so a fixed hold is lost behind a slow frame (and the server does not auto-repeat)."""
        self.focus(wid)
        self.tool(["xdotool", "keydown", key])
        try:
            return wait_until(done, timeout, what=what)
        finally:
            self.tool(["xdotool", "keyup", key])

    def window_replaced(self, name, old):
        """The window with this name once it is not `old` any more (None while there is none)."""
        wid = self.find_window(name)
        return wid if wid and wid != old else None

    def close(self, wid):
        """Closes a window as its close box does (WM_DELETE_WINDOW); needs the window manager."""
        if not self._wm:
            raise RuntimeError("closing through the close box needs window_manager=True")
        self.tool(["wmctrl", "-i", "-c", hex(wid)])

    def minimize(self, wid):
        self.tool(["xdotool", "windowminimize", str(wid)])

    def activate(self, wid):
        self.tool(["wmctrl", "-i", "-a", hex(wid)])

    def screenshot(self, path, wid=None):
        """Saves the screen, or one window, as an image file (ImageMagick's import)."""
        self.tool(["import", "-window", hex(wid) if wid else "root", path])


class Program:
    """The program under test, started on an XServer; killed on leaving the `with` block."""

    def __init__(self, server, executable, cwd, env=None):
        self.server = server
        # A cross-built program runs under its emulator (qemu-user for the ARM64 build).
        self.args = shlex.split(os.environ.get("QUORVANE_EMULATOR", "")) + [executable]
        self.cwd = cwd
        self.env = env if env is not None else server.env()
        self.process = None

    def __enter__(self):
        # Files, not pipes: a chatty program must never block on a full pipe.
        self._out = tempfile.TemporaryFile()
        self._err = tempfile.TemporaryFile()
        self.process = subprocess.Popen(self.args, cwd=self.cwd, env=self.env,
                                        stdout=self._out, stderr=self._err)
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self._out.close()
        self._err.close()
        return False

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout):
        """Exit status, or None when still running after timeout seconds."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def signal(self, number=signal.SIGTERM):
        self.process.send_signal(number)

    def output(self):
        """(stdout, stderr) as text so far."""
        texts = []
        for f in (self._out, self._err):
            f.seek(0)
            texts.append(f.read().decode(errors="replace"))
        return tuple(texts)

    def cpu_seconds(self):
        """User plus system CPU time used so far."""
        with open(f"/proc/{self.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def make_texture_dir(directory, size=64):
    """Writes a small 24-bit water05t.bmp (blue-green gradient) into directory; returns it."""
    row_bytes = (size * 3 + 3) & ~3
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            row += bytes((200, 80 + x, 40 + y))  # blue, green, red
        rows.append(bytes(row) + b"\0" * (row_bytes - len(row)))
    pixels = b"".join(rows)
    file_header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info_header = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels),
                              2835, 2835, 0, 0)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, "water05t.bmp"), "wb") as f:
        f.write(file_header + info_header + pixels)
    return directory
