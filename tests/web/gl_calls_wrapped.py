"""The web build's GL is its own (platform/web/gl/, with GLU in web_glu*.cpp): it
gathers immediate mode into batches and keeps every object of the context for a restore after a
loss, which it can only do for the calls it defines. Fails, naming them, if the program's
libraries call a GL or GLU function that none of them defines (a call that would reach
Emscripten's WebGL bindings of the same name, drawing ahead of vertices still gathered or making
objects a restored context would lack).

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
        print("called but not defined by the web backend (platform/web/gl/): " + " ".join(bypassing))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
