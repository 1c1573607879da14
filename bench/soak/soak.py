#!/usr/bin/env python3
"""A long run of the real program under Xvfb, played with as a person would: the held key
changes every second, F1 switches the screen mode every 15 seconds (full screen is granted on
the 640 x 480 screen, so no box interrupts), and the window is minimised and restored once a
minute. Resident memory and open descriptors are sampled every 10 seconds. Prints their growth
after the first minute, the frames drawn and the exit status after Escape; fails when memory
grew by 1 MiB or more, a descriptor was left open, or the status is not 0.

Usage: soak.py <build folder> [seconds]      (make soak: 600 seconds)
"""

import os
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
duration = int(sys.argv[2]) if len(sys.argv) > 2 else 600
os.environ.setdefault("QUORVANE", os.path.join(build, "quorvane"))
os.environ.setdefault("QUORVANE_BOX_RECORDER",
                      os.path.join(build, "tests", "e2e", "libe2e_box_recorder.so"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
import e2e_lib as e2e  # noqa: E402
from e2e_lib import TITLE, Program, XServer, wait_until  # noqa: E402

# Each key is followed by the one that undoes it, so the light and view stay near the start.
KEYS = ["w", "s", "a", "d", "q", "e", "Up", "Down", "Left", "Right", "Prior", "Next"]
SWITCH_EVERY, MINIMISE_AT, RESTORE_AT, SAMPLE_AT = 15, 35, 40, 5  # seconds (in each minute)


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


def open_descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def soak():
    with tempfile.TemporaryDirectory() as tmp, XServer(640, 480, window_manager=True) as x:
        cwd = os.path.join(tmp, "run")
        os.makedirs(cwd)
        with open(e2e.TEXTURE, "rb") as src, open(os.path.join(cwd, "water05t.bmp"), "wb") as dst:
            dst.write(src.read())
        log = e2e.BoxLog(tmp)
        with Program(x, e2e.EXE, cwd, env=log.env(x)) as app:
            e2e.answer_question(x, "Escape")
            win = x.wait_for_window(TITLE)
            e2e.wait_for_picture(x, win, e2e.looks_like_a_frame, 10, "the first frames", step=4)
            samples, held, minimised = [], None, False
            start = time.monotonic()
            for second in range(1, duration + 1):
                time.sleep(max(0.0, start + second - time.monotonic()))
                if held:
                    e2e.key_up(x, held)
                    held = None
                if not app.running():
                    raise RuntimeError(f"the program ended after {second} s: {app.output()}")
                in_minute = second % 60
                if second % SWITCH_EVERY == 0:
                    e2e.switch_screen_mode(x, win)
                    win = wait_until(lambda: x.window_replaced(TITLE, win), 10, what="new window")
                elif in_minute == MINIMISE_AT:
                    x.minimize(win)
                    minimised = True
                elif in_minute == RESTORE_AT:
                    e2e.focus(x, win)  # restores it
                    minimised = False
                elif not minimised:
                    held = KEYS[second % len(KEYS)]
                    e2e.focus(x, win)
                    e2e.key_down(x, held)
                if second % 10 == SAMPLE_AT:
                    samples.append((second, resident_kib(app.pid), open_descriptors(app.pid)))
                    print("%4d s  resident %7d KiB  descriptors %3d" % samples[-1], flush=True)
            if held:
                e2e.key_up(x, held)
            status = e2e.quit_with_escape(x, win, app)
        frames = log.frames()

    # The window's mode and state repeat every minute and memory differs between them, so the
    # last sample is compared with the first one after the first minute at the same point of
    # the minute.
    last = samples[-1]
    same_point = [s for s in samples if s[0] >= 60 and (last[0] - s[0]) % 60 == 0] or [last]
    (t0, rss0, fds0), (t1, rss1, fds1) = same_point[0], last
    total = frames[0] if frames else 0
    print(f"soak: {duration} s, {total} frames ({total / duration:.0f} per second), "
          f"{duration // SWITCH_EVERY} screen-mode switches, {duration // 60} minimise/restore")
    print(f"soak: from {t0} s to {t1} s resident memory grew {rss1 - rss0} KiB "
          f"(target under 1024), open descriptors {fds1 - fds0:+d} (target 0)")
    print(f"soak: exit status after Escape {status} (target 0)")
    return 0 if rss1 - rss0 < 1024 and fds1 == fds0 and status == 0 and total > 0 else 1


if __name__ == "__main__":
    sys.exit(soak())
