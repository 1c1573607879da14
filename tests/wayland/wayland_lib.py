"""Headless Wayland compositors for tests: sway (wlroots) and GNOME's mutter, each with its
XWayland, on top of tests/e2e/e2e_lib.py and tests/xvfb_shell/xvfb_lib.py.

    with Sway(log_dir) as sway:
        x = sway.x_server()                    # XWayland, driven like an Xvfb server
        with Program(x, EXE, cwd=texture_dir) as app: ...
        sway.native_env()                      # a client of the compositor itself

Each compositor gets a private runtime folder (so its Wayland socket and IPC socket are its own),
picks its own free X display, and runs as `nobody` when started by root (sway refuses root; the
program and the tools stay root, which reaches the sockets anyway). Logs go to log_dir.
"""

import json
import os
import re
import shutil
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
                   SDL_VIDEODRIVER="wayland", GDK_BACKEND="wayland", NO_AT_BRIDGE="1")
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

    def focus(self, wid):
        self.compositor.activate_x(self, wid)
        wait_until(lambda: self.run_tool(["xdotool", "getwindowfocus"]).stdout.strip() == str(wid),
                   5, what="keyboard focus")


class Sway(Compositor):
    """sway on wlroots' headless backend with its software renderer, one 1024x768 output.
    Windows float, as on a stacking desktop, so that each keeps the size it asked for."""

    name = "sway"
    OUTPUT = "HEADLESS-1"

    def __enter__(self):
        self._make_runtime()
        ready = os.path.join(self.runtime, "ready")
        config = os.path.join(self.runtime, "config")
        width, height = OUTPUT_SIZE
        with open(config, "w") as f:
            f.write(f"xwayland enable\n"
                    f"output {self.OUTPUT} mode {width}x{height} position 0 0\n"
                    f"for_window [title=\".*\"] floating enable\n"
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


class VirtualKeyboard:
    """Keys for native Wayland clients, through wtype's virtual keyboards. One wtype kept open
    from before the program starts gives the seat a keyboard, so the program's surface gets
    one when it is mapped; each key then goes down and up in a wtype of its own."""

    def __init__(self, compositor):
        self.compositor = compositor

    def __enter__(self):
        self._keeper = subprocess.Popen(["wtype", "-s", "100000000"],
                                        env=self.compositor.native_env(),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(0.3)  # its keyboard joins the seat
        return self

    def __exit__(self, *exc):
        self._keeper.kill()
        self._keeper.wait()
        return False

    def _wtype(self, *args):
        subprocess.run(["wtype", *args], env=self.compositor.native_env(), check=True,
                       capture_output=True, timeout=20)

    def press(self, key):
        self._wtype("-k", key)

    def key_down(self, key):
        self._wtype("-P", key)

    def key_up(self, key):
        self._wtype("-p", key)
