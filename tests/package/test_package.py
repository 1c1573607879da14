"""The Debian package as a user gets it: built by CPack, unpacked with dpkg-deb -x into a
temporary root (nothing is installed on the machine), its files checked, its menu entry and
metadata validated, and the demo started the way the menu entry says, under Xvfb.

Run one case (after the Build case has written the package):
    QUORVANE_CPACK_CONFIG=build/CPackConfig.cmake QUORVANE_CPACK=cpack QUORVANE_DEB_DIR=/tmp/deb \
    QUORVANE_VERSION=1.0.0 QUORVANE_SOURCE=. python3 tests/package/test_package.py Contents
"""

import glob
import gzip
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import e2e_lib as e2e  # noqa: E402

SOURCE = os.environ.get("QUORVANE_SOURCE", os.path.join(HERE, "..", ".."))
DEB_DIR = os.environ.get("QUORVANE_DEB_DIR", "")
VERSION = os.environ.get("QUORVANE_VERSION", "")
# The package's architecture: this machine's, or the cross build's (arm64).
ARCH = os.environ.get("QUORVANE_DEB_ARCH", "")
ELF_MACHINES = {"amd64": 62, "arm64": 183}  # e_machine: EM_X86_64, EM_AARCH64
TOOLS = {"dpkg-deb": "dpkg", "dpkg-shlibdeps": "dpkg-dev", "file": "file", "lintian": "lintian",
         "desktop-file-validate": "desktop-file-utils", "appstreamcli": "appstream"}
SKIP = 77  # the ctest SKIP_RETURN_CODE

# Every file the install rules put in the package, and nothing else.
EXPECTED_FILES = {
    "usr/games/quorvane",
    "usr/share/games/quorvane/water05t.bmp",
    "usr/share/applications/org.quorvane.Quorvane.desktop",
    "usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml",
    "usr/share/man/man6/quorvane.6.gz",
    "usr/share/doc/quorvane/copyright",
    "usr/share/doc/quorvane/changelog.gz",
}
ICON_SIZES = (16, 32, 48, 128, 192, 256, 512)
EXPECTED_FILES |= {f"usr/share/icons/hicolor/{n}x{n}/apps/quorvane.png" for n in ICON_SIZES}


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=150, **kwargs)


def deb_arch():
    return ARCH or run(["dpkg", "--print-architecture"]).stdout.strip()


def deb_path():
    return os.path.join(DEB_DIR, f"quorvane_{VERSION}_{deb_arch()}.deb")


def desktop_entry(path):
    """The [Desktop Entry] group's keys as a dict."""
    entry, group = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("["):
                group = line
            elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                entry[key] = value
    return entry


def png_size(path):
    """(width, height) of a PNG whose chunks' CRCs hold and whose image data inflates to the
    size the header promises for 8-bit RGBA; raises ValueError otherwise."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    pos, chunks, idat = 8, [], b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise ValueError(f"bad CRC in {kind}")
        chunks.append((kind, body))
        idat += body if kind == b"IDAT" else b""
        pos += 12 + length
    if chunks[0][0] != b"IHDR" or chunks[-1][0] != b"IEND":
        raise ValueError("chunks out of order")
    width, height, depth, colour = struct.unpack(">IIBB", chunks[0][1][:10])
    if (depth, colour) != (8, 6) or len(zlib.decompress(idat)) != (width * 4 + 1) * height:
        raise ValueError("image data does not match the header")
    return width, height


class Unpacked(unittest.TestCase):
    """The built package unpacked into a temporary root of its own for each test."""

    def setUp(self):
        self.deb = deb_path()
        self.assertTrue(os.path.isfile(self.deb), f"{self.deb} missing: run package_build first")
        self.tmp = tempfile.TemporaryDirectory()
        self.root = self.tmp.name
        result = run(["dpkg-deb", "-x", self.deb, self.root])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.entry = desktop_entry(self.path("usr/share/applications/org.quorvane.Quorvane.desktop"))

    def tearDown(self):
        self.tmp.cleanup()

    def path(self, inside):
        """A path in the package, as unpacked under the temporary root."""
        return os.path.join(self.root, inside.lstrip("/"))


class Build(unittest.TestCase):
    def test_cpack_writes_the_package(self):
        shutil.rmtree(DEB_DIR, ignore_errors=True)
        result = run([os.environ["QUORVANE_CPACK"], "-G", "DEB",
                      "--config", os.environ["QUORVANE_CPACK_CONFIG"], "-B", DEB_DIR])
        print(result.stdout, result.stderr)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(glob.glob(os.path.join(DEB_DIR, "*.deb")), [deb_path()])


class Contents(Unpacked):
    def test_files_where_the_install_rules_put_them(self):
        found = {os.path.relpath(os.path.join(d, f), self.root)
                 for d, _, files in os.walk(self.root) for f in files}
        self.assertEqual(found, EXPECTED_FILES)

        program = self.path("usr/games/quorvane")
        self.assertTrue(os.access(program, os.X_OK))
        with open(program, "rb") as f:
            header = f.read(20)
        self.assertEqual(header[:4], b"\x7fELF")
        # A program built for the package's architecture, not the build machine's.
        self.assertEqual(struct.unpack("<H", header[18:20])[0], ELF_MACHINES.get(deb_arch()), deb_arch())
        with open(self.path("usr/share/games/quorvane/water05t.bmp"), "rb") as f, \
                open(os.path.join(SOURCE, "data", "water05t.bmp"), "rb") as g:
            self.assertTrue(f.read() == g.read(), "the texture as committed")
        for size in ICON_SIZES:
            icon = self.path(f"usr/share/icons/hicolor/{size}x{size}/apps/quorvane.png")
            self.assertEqual(png_size(icon), (size, size), icon)

        # Debian's changelog and copyright: the newest entry is this version, and the copyright
        # file carries the whole licence text.
        with gzip.open(self.path("usr/share/doc/quorvane/changelog.gz"), "rt") as f:
            self.assertTrue(f.readline().startswith(f"quorvane ({VERSION})"))
        with open(self.path("usr/share/doc/quorvane/copyright")) as f:
            stanza = f.read().split("License: MIT\n", 1)[1].splitlines()
        # A continuation line starts with a space; " ." stands for an empty line.
        licence_text = "\n".join("" if line == " ." else line[1:] for line in stanza)
        with open(os.path.join(SOURCE, "LICENSE")) as f:
            licence = f.read().split("\n\n", 2)[2]
        self.assertEqual(licence_text.strip(), licence.strip())

        # Dependencies read off the program by dpkg-shlibdeps, not written by hand.
        fields = {name: run(["dpkg-deb", "-f", self.deb, name]).stdout.strip()
                  for name in ("Package", "Version", "Section", "Architecture", "Depends")}
        print(fields)
        self.assertEqual((fields["Package"], fields["Version"], fields["Section"], fields["Architecture"]),
                         ("quorvane", VERSION, "games", deb_arch()))
        for library in ("libsdl2-2.0-0", "libglu1", "libc6"):
            self.assertIn(library, fields["Depends"])


class Validators(Unpacked):
    def test_lintian_desktop_entry_and_metainfo(self):
        lintian = run(["lintian", "--fail-on", "error", self.deb])
        print("lintian:", lintian.stdout, lintian.stderr)
        self.assertEqual(lintian.returncode, 0, "lintian found errors")
        self.assertNotIn("E: ", lintian.stdout)

        desktop = self.path("usr/share/applications/org.quorvane.Quorvane.desktop")
        result = run(["desktop-file-validate", desktop])
        print("desktop-file-validate:", result.stdout, result.stderr)
        self.assertEqual((result.returncode, result.stdout.strip()), (0, ""))

        metainfo = self.path("usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml")
        result = run(["appstreamcli", "validate", "--no-net", metainfo])
        print("appstreamcli:", result.stdout, result.stderr)
        # A warning fails the validation as much as an error does.
        self.assertEqual(result.returncode, 0, "appstreamcli validation failed")
        self.assertFalse([l for l in result.stdout.splitlines() if l[:3] in ("E: ", "W: ")])

        # The menu entry and the metadata name the files the package has.
        self.assertEqual(self.entry["Terminal"], "false")
        self.assertIn("Graphics", self.entry["Categories"].split(";"))
        self.assertTrue(glob.glob(self.path(f"usr/share/icons/hicolor/*/apps/{self.entry['Icon']}.png")))
        with open(metainfo, encoding="utf-8") as f:
            self.assertIn("<launchable type=\"desktop-id\">org.quorvane.Quorvane.desktop</launchable>", f.read())


class MenuEntry(Unpacked):
    def test_exec_in_path_shows_the_start_scene_and_quits_with_0(self):
        command = shlex.split(self.entry["Exec"])
        self.assertEqual(command, ["/usr/games/quorvane"], "Exec= names the installed program")
        self.assertEqual(self.entry["Path"], "/usr/share/games/quorvane")
        with e2e.XServer(1024, 768, window_manager=True) as x, \
                e2e.Program(x, self.path(command[0]), cwd=self.path(self.entry["Path"])) as app:
            e2e.answer_question(x, "Escape")
            win = x.wait_for_window(e2e.TITLE)
            e2e.wait_for_picture(x, win, e2e.looks_like_a_frame, 10, "the first frames")
            scene = e2e.settled(x, win)
            print("start scene:", scene)
            # The installed texture is drawn: water lit under the marker, not a bare grey.
            self.assertGreater(scene.count["lit"], 800, scene)
            self.assertEqual(e2e.quit_with_escape(x, win, app), 0, app.output())


def missing_tools():
    return sorted({package for tool, package in TOOLS.items() if not shutil.which(tool)})


if __name__ == "__main__":
    missing = missing_tools()
    if missing:
        print(f"SKIPPED: package tests need {', '.join(missing)} "
              "(install: bash scripts/install-deps.sh package)")
        sys.exit(SKIP)
    unittest.main(verbosity=2)
