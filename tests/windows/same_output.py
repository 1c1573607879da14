"""Runs two commands and fails unless they print the same lines; the first command is the
Linux build's, the second another build's (the Windows build's under Wine, the web build's in
Node.js).

    same_output.py <linux program> [args] -- <wine wrapper> <program.exe> [args]
"""

import subprocess
import sys


def output(command):
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        sys.exit(f"{command[0]} failed ({result.returncode}): {result.stderr.strip()}")
    return result.stdout.replace("\r\n", "\n").splitlines()


def main(args):
    split = args.index("--")
    linux, other = output(args[:split]), output(args[split + 1:])
    if not linux:
        sys.exit("the Linux build printed nothing to compare")
    differing = [(a, b) for a, b in zip(linux, other) if a != b]
    for a, b in differing[:10]:
        print(f"Linux: {a}\nother: {b}")
    print(f"{len(linux)} lines from Linux, {len(other)} from the other build, {len(differing)} differ")
    return 0 if not differing and len(linux) == len(other) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
