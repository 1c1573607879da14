"""Reads the resources of the Windows program with icoutils' wrestool and checks what Explorer and
the loader find there: the icon group (the committed .ico, picture for picture, each decoding to
the desktop icon of its size), the version information and the manifest.

    check_resources.py <quorvane.exe> <version> <data folder>
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

EXE, VERSION, DATA = sys.argv[1:4] if len(sys.argv) >= 4 else ("", "", "")
ICO = os.path.join(DATA, "windows", "quorvane.ico")
ICON, GROUP_ICON, VERSION_INFO, MANIFEST = 3, 14, 16, 24
WINDOWS_10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


def resource(kind, name=None):
    command = ["wrestool", "-x", "--raw", f"--type={kind}", EXE]
    if name is not None:
        command.insert(3, f"--name={name}")
    data = subprocess.run(command, check=True, capture_output=True, timeout=60).stdout
    if not data:
        raise AssertionError(f"no resource of type {kind} (name {name}) in {EXE}")
    return data


def version_node(data, offset):
    """One node of the VS_VERSIONINFO tree: (key, value, children, offset past it)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    at = (key_end + 2 + 3) & ~3
    size = value_length * 2 if is_text else value_length
    value = data[at:at + size]
    if is_text:
        value = value.decode("utf-16-le").rstrip("\0")
    at = (at + size + 3) & ~3
    children = []
    while at < end:
        child = version_node(data, at)
        children.append(child[:3])
        at = (child[3] + 3) & ~3
    return key, value, children, end


class Resources(unittest.TestCase):
    def test_icon_group_is_the_committed_ico(self):
        with open(ICO, "rb") as f:
            ico = f.read()
        group = resource(GROUP_ICON, 1)
        count = struct.unpack_from("<HHH", group)[2]
        self.assertEqual(ico[:6], group[:6])
        rebuilt = bytearray(group[:6])
        images = b""
        for i in range(count):
            entry = group[6 + 14 * i:6 + 14 * (i + 1)]
            image = resource(ICON, struct.unpack_from("<H", entry, 12)[0])
            self.assertEqual(len(image), struct.unpack_from("<I", entry, 8)[0])
            rebuilt += entry[:12] + struct.pack("<I", 6 + 16 * count + len(images))
            images += image
        self.assertEqual(bytes(rebuilt) + images, ico, "the exe's icon differs from " + ICO)

        # icoutils' own reader: the four sizes, each the desktop icon's pixels.
        listed = subprocess.run(["icotool", "-l", ICO], check=True, capture_output=True,
                                text=True, timeout=60)
        self.assertEqual(listed.stderr, "", "icotool's complaints")
        listing = listed.stdout
        sizes = [int(w.split("=")[1]) for w in listing.split() if w.startswith("--width=")]
        self.assertEqual(sizes, [16, 32, 48, 256], listing)
        self.assertEqual(listing.count("--bit-depth=32"), 4, listing)
        with tempfile.TemporaryDirectory() as out:
            subprocess.run(["icotool", "-x", "-o", out, ICO], check=True, timeout=60)
            for number, size in enumerate(sizes, 1):
                extracted = os.path.join(out, f"quorvane_{number}_{size}x{size}x32.png")
                desktop = os.path.join(DATA, "desktop", f"quorvane_{size}.png")
                self.assertEqual(rgba(extracted), rgba(desktop), f"the {size}-pixel icon")

    def test_version_information(self):
        key, fixed, children, _ = version_node(resource(VERSION_INFO, 1), 0)
        self.assertEqual(key, "VS_VERSION_INFO")
        numbers = [int(n) for n in VERSION.split(".")] + [0] * (4 - len(VERSION.split(".")))
        packed = struct.pack("<HHHH", numbers[1], numbers[0], numbers[3], numbers[2])
        self.assertEqual(struct.unpack_from("<I", fixed)[0], 0xFEEF04BD)
        self.assertEqual(fixed[8:16], packed, "file version")
        self.assertEqual(fixed[16:24], packed, "product version")
        tables = {k: c for k, _, c in children}["StringFileInfo"]
        strings = {k: v for k, v, _ in tables[0][2]}
        self.assertEqual(strings["ProductName"], "Quorvane")
        self.assertEqual(strings["FileVersion"], VERSION)
        self.assertEqual(strings["ProductVersion"], VERSION)
        self.assertEqual(strings["OriginalFilename"], "quorvane.exe")
        self.assertIn("The Quorvane authors", strings["LegalCopyright"])

    def test_manifest(self):
        root = ET.fromstring(resource(MANIFEST, 1))
        v1, v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
        compat = "{urn:schemas-microsoft-com:compatibility.v1}"
        dependencies = [a.attrib for a in root.iter(v1 + "assemblyIdentity")
                        if a.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual(len(dependencies), 1)
        self.assertEqual(dependencies[0]["version"], "6.0.0.0")
        self.assertEqual(dependencies[0]["publicKeyToken"], "6595b64144ccf1df")
        levels = [e.get("level") for e in root.iter(v3 + "requestedExecutionLevel")]
        self.assertEqual(levels, ["asInvoker"])
        systems = [e.get("Id") for e in root.iter(compat + "supportedOS")]
        self.assertIn(WINDOWS_10_AND_11, systems)
        # Windows scales the window as before: no DPI awareness, whatever the namespace.
        self.assertEqual([e.tag for e in root.iter() if "dpi" in e.tag.lower()], [])


def rgba(path):
    return subprocess.run(["convert", path, "rgba:-"], check=True, capture_output=True,
                          timeout=60).stdout


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
