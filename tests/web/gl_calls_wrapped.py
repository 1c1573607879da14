"""The web build gathers GL_QUADS blocks and sends them before any other GL call, which it can
only do for the calls it wraps. Fails, naming them, if the program's libraries call a GL or GLU
function that none of them defines (a call that would reach the GL emulation directly and could
draw ahead of quads still gathered).

Usage: gl_calls_wrapped.py emnm library.a...
"""

import re
import subprocess
import sys

GL_NAME = re.compile(r"^glu?[A-Z]\w*$")


def symbols(nm, libraries):
    out = subprocess.run([nm, *libraries], capture_output=True, text=True, check=True).stdout
    defined, called = set(), set()
    for line in out.splitlines():
        fields = line.split()
        if len(fields) == 2 and fields[0] == "U" and GL_NAME.match(fields[1]):
            called.add(fields[1])
        elif len(fields) == 3 and fields[1] == "T" and GL_NAME.match(fields[2]):
            defined.add(fields[2])
    return defined, called


def main():
    nm, libraries = sys.argv[1], sys.argv[2:]
    defined, called = symbols(nm, libraries)
    if not called:
        print("no GL calls found: wrong libraries?")
        return 1
    bypassing = sorted(called - defined)
    print(f"{len(called)} GL and GLU functions called, {len(defined)} defined by the program")
    if bypassing:
        print("called without a wrapper in platform/web_gl_batch.cpp: " + " ".join(bypassing))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
