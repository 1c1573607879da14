"""Frame rate of the Windows build under Wine against the Linux build, on one Xvfb screen with
Mesa's llvmpipe: the same frame loop (shell_frame_loop) run by each in turn, in alternating
blocks, so that load from elsewhere on the machine falls on both alike. Prints the ratio.

    compare_wine.py <linux build folder> <windows build folder> [blocks] [frames per block]
"""

import os
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(ROOT, "tests", "xvfb_shell"))
from xvfb_lib import XServer  # noqa: E402


def run(command, env, cwd):
    result = subprocess.run(command, env=env, cwd=cwd, capture_output=True, text=True,
                            timeout=300)
    if result.returncode != 0:
        sys.exit(f"{' '.join(command)} failed ({result.returncode}): {result.stderr[-2000:]}")
    return float(result.stdout.split()[-1])


def main():
    linux_build, windows_build = (os.path.abspath(a) for a in sys.argv[1:3])
    blocks = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    frames = sys.argv[4] if len(sys.argv) > 4 else "300"
    linux = [os.path.join(linux_build, "bench", "shell_frame", "shell_frame_loop"), frames]
    wine = [os.path.join(windows_build, "wine-run"),
            os.path.join(windows_build, "bench", "shell_frame", "shell_frame_loop.exe"), frames]
    data = os.path.join(ROOT, "data")
    with XServer(1024, 768, window_manager=True) as x:
        env = x.env(LIBGL_ALWAYS_SOFTWARE="1")
        run(wine[:2] + ["30"], env, data)  # Wine's first start (and prefix) is not measured
        results = {"linux": [], "wine": []}
        for block in range(blocks):
            order = [("linux", linux), ("wine", wine)]
            for name, command in order if block % 2 == 0 else reversed(order):
                results[name].append(run(command, env, data))
    for name, values in results.items():
        print(f"  {name:5}: " + " ".join(f"{v:7.1f}" for v in values) + " fps")
    linux_fps, wine_fps = statistics.median(results["linux"]), statistics.median(results["wine"])
    print(f"frame rate, 640x480, Xvfb + llvmpipe ({blocks} alternating blocks of {frames} "
          f"frames each):\n  Linux (SDL2) {linux_fps:.1f} fps, Windows build under Wine (WGL) "
          f"{wine_fps:.1f} fps, ratio {wine_fps / linux_fps:.3f} (target >= 0.9)")


if __name__ == "__main__":
    main()
