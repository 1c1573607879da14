"""Headless Wayland compositors for tests: sway (wlroots), GNOME's mutter and KDE's KWin, each
with its XWayland, on top of tests/e2e/e2e_lib.py and tests/xvfb_shell/xvfb_lib.py.

    with Sway(log_dir) as sway:
        x = sway.x_server()                    # XWayland, driven like an Xvfb server
        with Program(x, EXE, cwd=texture_dir) as app: ...
        sway.native_env()                      # a client of the compositor itself

Each compositor gets a private runtime folder (so its Wayland socket and IPC socket are its own),
picks its own free X display, and runs as `nobody` when started by root (sway refuses root; the
program and the tools stay root, which reaches the sockets anyway). Logs go to log_dir.
"""

import ctypes
import json
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import e2e_lib as e2e  # noqa: E402
from xvfb_lib import Program, XServer, wait_until  # noqa: E402,F401

OUTPUT_SIZE = (1024, 768)


def log_dir(name):
    """A fresh folder for one test's compositor logs, under the current (build) folder."""
    path = os.path.join(os.getcwd(), "logs", name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def _as_compositor_user(argv):
    """argv run as nobody when we are root (the compositors refuse or mistrust root)."""
    if os.geteuid() != 0:
        return argv
    return ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", *argv]


class Compositor:
    """What both compositors share: the runtime folder, the process and its log."""

    name = "compositor"

    def __init__(self, logs):
        self.logs = logs
        self.runtime = None
        self.process = None
        self.display = None
        self.xauthority = None

    def _make_runtime(self):
        # XWayland's socket folder, as X servers run by root make it: on a fresh machine the
        # compositor's user could not make it, and mutter refuses one owned by another user.
        if os.geteuid() == 0 and not os.path.isdir("/tmp/.X11-unix"):
            os.makedirs("/tmp/.X11-unix", exist_ok=True)
            os.chmod("/tmp/.X11-unix", 0o1777)
        # Short, in /tmp: socket paths must stay under 108 bytes.
        self.runtime = tempfile.mkdtemp(prefix=f"qv-{self.name}-")
        if os.geteuid() == 0:
            shutil.chown(self.runtime, "nobody", "nogroup")
        os.chmod(self.runtime, 0o700)

    def _start(self, argv, env):
        self._log = open(os.path.join(self.logs, f"{self.name}.log"), "wb")
        self.process = subprocess.Popen(_as_compositor_user(argv), env=env, cwd=self.runtime,
                                        stdout=self._log, stderr=subprocess.STDOUT,
                                        start_new_session=True)

    def _base_env(self):
        home = self.runtime
        return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
                "XDG_RUNTIME_DIR": self.runtime, "LANG": "C.UTF-8"}

    def running(self):
        return self.process is not None and self.process.poll() is None

    def __exit__(self, *exc):
        if self.process and self.process.poll() is None:
            # The whole session: the compositor, its XWayland and what it started.
            try:
                os.killpg(self.process.pid, 15)
                self.process.wait(10)
            except (subprocess.TimeoutExpired, ProcessLookupError):
                os.killpg(self.process.pid, 9)
                self.process.wait()
        if self.process:
            self._log.close()
        if self.runtime:
            shutil.rmtree(self.runtime, ignore_errors=True)
        return False

    def x_server(self):
        return XWayland(self)

    def wayland_display(self):
        sockets = [n for n in os.listdir(self.runtime)
                   if re.fullmatch(r"wayland-\d+", n)]
        return sockets[0] if sockets else None

    def native_env(self, **extra):
        """The environment of a native Wayland client of this compositor (no X at all)."""
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY")}
        env.update(XDG_RUNTIME_DIR=self.runtime, WAYLAND_DISPLAY=self.wayland_display(),
                   SDL_VIDEODRIVER="wayland", NO_AT_BRIDGE="1")
        env.update(extra)
        return env

    def activate_x(self, x, wid):
        x.activate(wid)  # EWMH's _NET_ACTIVE_WINDOW


class XWayland(XServer):
    """A compositor's XWayland, driven like an Xvfb server (no server of its own to stop)."""

    def __init__(self, compositor):
        super().__init__()
        self.compositor = compositor
        self.display = compositor.display
        self._wm = compositor  # there is a window manager: the compositor

    def env(self, **extra):
        env = super().env(**extra)
        if self.compositor.xauthority:
            env.setdefault("XAUTHORITY", self.compositor.xauthority)
        return env

    def windows(self):
        """The named windows of X clients, as the compositor manages them (its _NET_CLIENT_LIST).
        mutter draws its frames in a client of its own that names each frame as the window in it;
        the frame is the compositor's, the window inside it is the program's."""
        listed = self.run_tool(["xprop", "-root", "_NET_CLIENT_LIST"]).stdout
        if "(WINDOW)" not in listed:  # no list yet: the compositor manages no window
            return []
        clients = {int(n, 16) for n in re.findall(r"0x[0-9a-f]+", listed)}
        return [w for w in super().windows() if w[0] in clients]

    def focus(self, wid):
        self.compositor.activate_x(self, wid)
        wait_until(lambda: self.run_tool(["xdotool", "getwindowfocus"]).stdout.strip() == str(wid),
                   5, what="keyboard focus")


class Sway(Compositor):
    """sway on wlroots' headless backend with its software renderer, one 1024x768 output.
    Windows float, as on a stacking desktop, so that each keeps the size it asked for; with
    tiled=True they tile, as sway's own default has it."""

    name = "sway"
    OUTPUT = "HEADLESS-1"
    FLOATING = 'for_window [title=".*"] floating enable'

    def __init__(self, logs, tiled=False):
        super().__init__(logs)
        self.tiled = tiled

    def __enter__(self):
        self._make_runtime()
        ready = os.path.join(self.runtime, "ready")
        config = os.path.join(self.runtime, "config")
        width, height = OUTPUT_SIZE
        with open(config, "w") as f:
            f.write(f"xwayland enable\n"
                    f"output {self.OUTPUT} mode {width}x{height} position 0 0\n"
                    f"{'' if self.tiled else self.FLOATING}\n"
                    # XWayland admits the test's X tools (root) once it runs.
                    f"exec sh -c 'xhost +SI:localuser:root && echo \"$DISPLAY $SWAYSOCK\""
                    f" > {ready}.part && mv {ready}.part {ready}'\n")
        os.chmod(config, 0o644)
        env = self._base_env()
        env.update(WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
        self._start(["sway", "-c", config], env)
        try:
            wait_until(lambda: os.path.exists(ready) or not self.running(), 20,
                       what="sway and its XWayland")
            if not self.running():
                raise RuntimeError(f"sway ended; see {self.logs}/sway.log")
            with open(ready) as f:
                self.display, self.swaysock = f.read().split()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def msg(self, *args):
        """swaymsg's answer, parsed; raises when sway refuses the command."""
        result = subprocess.run(["swaymsg", "-s", self.swaysock, "-r", *args],
                                capture_output=True, text=True, timeout=20)
        if result.returncode != 0:
            raise RuntimeError(f"swaymsg {' '.join(args)}: {result.stdout}{result.stderr}")
        return json.loads(result.stdout) if result.stdout.strip() else None

    def views(self):
        """Every window sway shows, as the tree's nodes (name, app_id, shell, rect, ...)."""
        found = []

        def walk(node):
            if node.get("shell"):
                found.append(node)
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)

        walk(self.msg("-t", "get_tree"))
        return found

    def find_view(self, name):
        return next((v for v in self.views() if v.get("name") == name), None)

    def wait_for_view(self, name, timeout=10):
        try:
            return wait_until(lambda: self.find_view(name), timeout, what=f'view "{name}"')
        except TimeoutError as error:
            seen = ", ".join(f'"{v.get("name")}" ({v.get("shell")})' for v in self.views())
            raise TimeoutError(f"{error}; views: {seen or 'none'}") from None

    def activate_x(self, x, wid):
        self.msg(f"[id={wid}] focus")

    def grab(self, view):
        """The view's content in output pixels (at scale 2, twice its size each way)."""
        rect, inner = view["rect"], view["window_rect"]
        return self._grim("-g", f"{rect['x'] + inner['x']},{rect['y'] + inner['y']} "
                                f"{inner['width']}x{inner['height']}")

    def grab_output(self):
        """The whole output, as the screen shows it."""
        return self._grim("-o", self.OUTPUT)

    def _grim(self, *args):
        result = subprocess.run(["grim", "-t", "ppm", *args, "-"], env=self.native_env(),
                                capture_output=True, timeout=20)
        if result.returncode != 0:
            raise RuntimeError("grim failed: " + result.stderr.decode(errors="replace"))
        return e2e.parse_ppm(result.stdout)


class Mutter(Compositor):
    """GNOME's mutter, headless, with one 1024x768 virtual monitor, in its own D-Bus session."""

    name = "mutter"

    def __enter__(self):
        self._make_runtime()
        width, height = OUTPUT_SIZE
        env = self._base_env()
        self._start(["dbus-run-session", "--", "mutter", "--headless", "--wayland",
                     "--virtual-monitor", f"{width}x{height}"], env)
        try:
            self.xauthority, self.display = wait_until(self._xwayland, 30,
                                                       what="mutter's XWayland")
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _xwayland(self):
        if not self.running():
            raise RuntimeError(f"mutter ended; see {self.logs}/mutter.log")
        auth = [n for n in os.listdir(self.runtime) if n.startswith(".mutter-Xwaylandauth.")]
        if not auth or not self.wayland_display():
            return None
        path = os.path.join(self.runtime, auth[0])
        # The auth file holds no display number; mutter's log names it.
        with open(os.path.join(self.logs, "mutter.log"), errors="replace") as f:
            match = re.search(r"Using public X11 display (:\d+)", f.read())
        if not match:
            return None
        probe = subprocess.run(["xdpyinfo"], capture_output=True,
                               env={**os.environ, "DISPLAY": match[1], "XAUTHORITY": path})
        return (path, match[1]) if probe.returncode == 0 else None


class KWin(Compositor):
    """KDE's KWin on its virtual backend, one 1024x768 output, with its XWayland, in its own
    D-Bus session. It starts the given program once XWayland runs, with DISPLAY set."""

    name = "kwin"

    def __enter__(self):
        self._make_runtime()
        ready = os.path.join(self.runtime, "ready")
        script = os.path.join(self.runtime, "ready.sh")
        with open(script, "w") as f:
            # XWayland admits the test's X tools (root) once it runs.
            f.write(f'#!/bin/sh\nxhost +SI:localuser:root && echo "$DISPLAY" > {ready}.part'
                    f' && mv {ready}.part {ready}\n')
        os.chmod(script, 0o755)
        width, height = OUTPUT_SIZE
        self._start(["dbus-run-session", "--", "kwin_wayland", "--virtual", "--xwayland",
                     "--no-lockscreen", "--no-global-shortcuts", "--width", str(width),
                     "--height", str(height), script], self._base_env())
        try:
            wait_until(lambda: os.path.exists(ready) or not self.running(), 30,
                       what="KWin and its XWayland")
            if not self.running():
                raise RuntimeError(f"kwin_wayland ended; see {self.logs}/kwin.log")
            with open(ready) as f:
                self.display = f.read().strip()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self


# evdev key codes of the keys the tests press (linux/input-event-codes.h).
KEY_CODES = {"Escape": 1, "Tab": 15, "q": 16, "w": 17, "e": 18, "Return": 28, "a": 30, "s": 31,
             "d": 32, "space": 57, "F1": 59, "Up": 103, "Prior": 104, "Left": 105, "Right": 106,
             "Down": 108, "Next": 109}


def default_keymap():
    """The keymap a plain US keyboard has (xkbcommon's defaults), as text."""
    xkb = ctypes.CDLL("libxkbcommon.so.0")
    xkb.xkb_context_new.restype = ctypes.c_void_p
    xkb.xkb_keymap_new_from_names.restype = ctypes.c_void_p
    xkb.xkb_keymap_new_from_names.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int]
    xkb.xkb_keymap_get_as_string.restype = ctypes.c_void_p
    xkb.xkb_keymap_get_as_string.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xkb.xkb_keymap_unref.argtypes = [ctypes.c_void_p]
    xkb.xkb_context_unref.argtypes = [ctypes.c_void_p]
    libc = ctypes.CDLL(None)
    libc.free.argtypes = [ctypes.c_void_p]
    context = xkb.xkb_context_new(0)
    keymap = xkb.xkb_keymap_new_from_names(context, None, 0)
    if not keymap:
        raise RuntimeError("xkbcommon made no keymap")
    text = xkb.xkb_keymap_get_as_string(keymap, 1)
    try:
        return ctypes.string_at(text)
    finally:
        libc.free(text)
        xkb.xkb_keymap_unref(keymap)
        xkb.xkb_context_unref(context)


class VirtualKeyboard:
    """A keyboard for native Wayland clients, as a plain US keyboard would be: a client of the
    compositor's virtual-keyboard protocol speaking the Wayland wire format itself (wtype
    makes a keyboard of its own, with a keymap of its own, for each run, so a key it holds
    down is never let go and the keys that are not letters arrive with other scan codes).
    Made before the program starts, so the seat has a keyboard when the program's surface
    appears. Keys: names of KEY_CODES."""

    def __init__(self, compositor):
        self.compositor = compositor
        self._next_id = 2

    def __enter__(self):
        path = os.path.join(self.compositor.runtime, self.compositor.wayland_display())
        self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self._socket.connect(path)
        self._buffer = b""
        registry = self._new_id()
        self._send(1, 1, struct.pack("<I", registry))  # wl_display.get_registry
        globals_ = {}
        for obj, opcode, body in self._roundtrip():
            if obj == registry and opcode == 0:  # wl_registry.global
                name, interface, _ = self._global(body)
                globals_.setdefault(interface, name)
        if "zwp_virtual_keyboard_manager_v1" not in globals_:
            raise RuntimeError("the compositor has no virtual keyboards")
        seat = self._bind(registry, globals_["wl_seat"], "wl_seat", 1)
        manager = self._bind(registry, globals_["zwp_virtual_keyboard_manager_v1"],
                             "zwp_virtual_keyboard_manager_v1", 1)
        self._keyboard = self._new_id()
        self._send(manager, 0, struct.pack("<II", seat, self._keyboard))
        keymap = default_keymap() + b"\0"
        fd = os.memfd_create("keymap")
        try:
            os.write(fd, keymap)
            self._send(self._keyboard, 0, struct.pack("<II", 1, len(keymap)), fds=[fd])
        finally:
            os.close(fd)
        self._roundtrip()
        return self

    def __exit__(self, *exc):
        self._socket.close()
        return False

    # -- keys -------------------------------------------------------------------------------
    def _key(self, key, state):
        time_ms = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self._send(self._keyboard, 1, struct.pack("<III", time_ms, KEY_CODES[key], state))
        self._roundtrip()  # the compositor has passed it on when this returns

    def key_down(self, key):
        self._key(key, 1)

    def key_up(self, key):
        self._key(key, 0)

    def press(self, key):
        self.key_down(key)
        self.key_up(key)

    # -- the wire ---------------------------------------------------------------------------
    def _new_id(self):
        self._next_id += 1
        return self._next_id - 1

    def _send(self, obj, opcode, body, fds=()):
        message = struct.pack("<II", obj, (8 + len(body)) << 16 | opcode) + body
        if fds:
            socket.send_fds(self._socket, [message], list(fds))
        else:
            self._socket.sendall(message)

    @staticmethod
    def _string(text):
        data = text.encode() + b"\0"
        return struct.pack("<I", len(data)) + data + b"\0" * (-len(data) % 4)

    @staticmethod
    def _global(body):
        name, length = struct.unpack_from("<II", body)
        interface = body[8:8 + length - 1].decode()
        version, = struct.unpack_from("<I", body, 8 + length + (-length % 4))
        return name, interface, version

    def _bind(self, registry, name, interface, version):
        new = self._new_id()
        self._send(registry, 0, struct.pack("<I", name) + self._string(interface) +
                   struct.pack("<II", version, new))
        return new

    def _roundtrip(self, timeout=10):
        """Events up to the answer of a wl_display.sync; a protocol error raises."""
        callback = self._new_id()
        self._send(1, 0, struct.pack("<I", callback))
        events, deadline = [], time.monotonic() + timeout
        while True:
            while len(self._buffer) >= 8:
                obj, word = struct.unpack_from("<II", self._buffer)
                size = word >> 16
                if len(self._buffer) < size:
                    break
                body, self._buffer = self._buffer[8:size], self._buffer[size:]
                if obj == 1 and word & 0xFFFF == 0:  # wl_display.error
                    raise RuntimeError(f"Wayland protocol error: {body!r}")
                if obj == callback:
                    return events
                events.append((obj, word & 0xFFFF, body))
            self._socket.settimeout(max(0.1, deadline - time.monotonic()))
            chunk = self._socket.recv(65536)
            if not chunk:
                raise RuntimeError("the compositor closed the connection")
            self._buffer += chunk
