#!/usr/bin/env python3
"""Compiles shell/kestrune.rc with the MinGW resource compiler into a plain .res file and checks
what a Windows executable built from it would carry: icon group 1 over the six icon images
30001..30006, and the version record."""

import argparse
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
ENGLISH_US = 0x0409

# (resource ID, size in pixels, bits per pixel)
ICON_IMAGES = [
    (30001, 16, 8),
    (30002, 32, 8),
    (30003, 48, 8),
    (30004, 16, 32),
    (30005, 32, 32),
    (30006, 48, 32),
]

FIXED_FIELDS = {
    "signature": 0xFEEF04BD,
    "struct_version": 0x00010000,
    "file_version": (1, 0, 0, 0),
    "product_version": (1, 0, 0, 0),
    "flags_mask": 0x3F,
    "flags": 0,
    "os": 0x4,  # VOS__WINDOWS32
    "type": 0x1,  # VFT_APP
    "subtype": 0,
    "date": 0,
}

VERSION_STRINGS = {
    "CompanyName": "The Kestrune developers",
    "ProductName": "Kestrune",
    "FileVersion": "1.00",
    "ProductVersion": "1.00",
    "InternalName": "Kestrune",
    "OriginalFilename": "Kestrune.exe",
}


def align4(offset):
    return (offset + 3) & ~3


def read_utf16z(data, offset):
    end = offset
    while data[end : end + 2] != b"\0\0":
        end += 2
    return data[offset:end].decode("utf-16-le"), end + 2


def read_name(data, offset):
    """A resource type or name: 0xFFFF and a number, or a zero-terminated UTF-16 string."""
    (first,) = struct.unpack_from("<H", data, offset)
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
    return read_utf16z(data, offset)


def read_res(data):
    """Returns {(type, name): (language, bytes)} of a 32-bit .res file."""
    resources, offset = {}, 0
    while offset < len(data):
        data_size, header_size = struct.unpack_from("<II", data, offset)
        kind, pos = read_name(data, offset + 8)
        name, pos = read_name(data, pos)
        _, _, language, _, _ = struct.unpack_from("<IHHII", data, align4(pos))
        body = data[offset + header_size : offset + header_size + data_size]
        offset = align4(offset + header_size + data_size)
        if kind == 0 and data_size == 0:
            continue  # the empty entry that marks a 32-bit .res file
        if (kind, name) in resources:
            raise ValueError(f"resource {kind}/{name} appears twice")
        resources[(kind, name)] = (language, body)
    return resources


class VersionNode:
    """One block of a version record: a key, a value and child blocks."""

    def __init__(self, data, offset):
        length, value_length, self.is_text = struct.unpack_from("<HHH", data, offset)
        end = offset + length
        self.key, pos = read_utf16z(data, offset + 6)
        pos = align4(pos)
        # Text values count UTF-16 units, binary ones bytes.
        value_bytes = value_length * 2 if self.is_text else value_length
        self.value = data[pos : pos + value_bytes]
        pos = align4(pos + value_bytes)
        self.children = []
        while pos < end:
            child = VersionNode(data, pos)
            self.children.append(child)
            pos = align4(pos + child.length)
        self.length = length

    def text(self):
        value = self.value.decode("utf-16-le")
        return value[:-1] if value.endswith("\0") else value

    def child(self, key):
        matches = [c for c in self.children if c.key == key]
        if len(matches) != 1:
            raise AssertionError(f"{self.key!r} has {len(matches)} blocks {key!r}")
        return matches[0]


def read_fixed_info(value):
    fields = struct.unpack("<13I", value)
    return {
        "signature": fields[0],
        "struct_version": fields[1],
        "file_version": (fields[2] >> 16, fields[2] & 0xFFFF, fields[3] >> 16, fields[3] & 0xFFFF),
        "product_version": (
            fields[4] >> 16,
            fields[4] & 0xFFFF,
            fields[5] >> 16,
            fields[5] & 0xFFFF,
        ),
        "flags_mask": fields[6],
        "flags": fields[7],
        "os": fields[8],
        "type": fields[9],
        "subtype": fields[10],
        "date": (fields[11] << 32) | fields[12],
    }


def count_mask_bits(mask, size):
    """Counts the set bits of an AND mask, skipping the padding at the end of each row."""
    stride = (size + 31) // 32 * 4
    return sum(
        (mask[y * stride + x // 8] >> (7 - x % 8)) & 1 for y in range(size) for x in range(size)
    )


def compile_rc(windres, cpp, rc, out_dir):
    res = out_dir / "kestrune.res"
    # windres preprocesses with the MinGW gcc by default; the host's cpp does as well, since the
    # script includes no Windows header. Run from elsewhere, to prove that the file names in the
    # script are found next to it.
    result = subprocess.run(
        [windres, f"--preprocessor={cpp}", "--preprocessor-arg=-DRC_INVOKED",
         "-O", "res", "-i", str(rc.resolve()), "-o", str(res)],
        cwd=out_dir,
        capture_output=True,
        text=True,
    )
    if result.returncode != 0:
        raise AssertionError(f"windres failed ({result.returncode}):\n{result.stderr}")
    return res.read_bytes()


class WindowsResourcesTest(unittest.TestCase):
    resources = None  # filled in by main()
    project_version = None

    def resource(self, kind, name):
        self.assertIn((kind, name), self.resources, f"resource {kind}/{name} missing")
        language, body = self.resources[(kind, name)]
        self.assertEqual(language, ENGLISH_US, f"language of resource {kind}/{name}")
        return body

    def test_icon_group_lists_the_six_images(self):
        group = self.resource(RT_GROUP_ICON, 1)
        reserved, kind, count = struct.unpack_from("<HHH", group)
        self.assertEqual((reserved, kind, count), (0, 1, len(ICON_IMAGES)))
        self.assertEqual(len(group), 6 + 14 * count)
        for number, (image_id, size, bits) in enumerate(ICON_IMAGES):
            with self.subTest(image=image_id):
                entry = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * number)
                width, height, colours, reserved, planes, bit_count, byte_count, listed_id = entry
                self.assertEqual(listed_id, image_id)
                self.assertEqual((width, height), (size, size))
                # 0 stands for "256 or more colours" in both depths.
                self.assertEqual((colours, reserved, planes, bit_count), (0, 0, 1, bits))
                self.assertEqual(byte_count, len(self.resource(RT_ICON, image_id)))

    def test_icon_images_decode_to_their_listed_format(self):
        for image_id, size, bits in ICON_IMAGES:
            with self.subTest(image=image_id):
                image = self.resource(RT_ICON, image_id)
                header = struct.unpack_from("<IiiHHIIiiII", image)
                self.assertEqual(header[0], 40, "BITMAPINFOHEADER size")
                # Width, doubled height (colour bitmap and AND mask), planes, depth, BI_RGB.
                self.assertEqual(header[1:6], (size, 2 * size, 1, bits, 0))
                palette = 256 * 4 if bits == 8 else 0
                colour_bitmap = size * ((size * bits + 31) // 32 * 4)
                mask = size * ((size + 31) // 32 * 4)
                self.assertEqual(len(image), 40 + palette + colour_bitmap + mask)
                transparent = count_mask_bits(image[len(image) - mask :], size)
                self.assertGreater(transparent, 0, "the AND mask leaves no pixel transparent")
                self.assertLess(transparent, size * size, "the AND mask hides every pixel")

    def test_no_other_icons(self):
        icons = sorted(name for kind, name in self.resources if kind == RT_ICON)
        groups = sorted(name for kind, name in self.resources if kind == RT_GROUP_ICON)
        self.assertEqual(icons, [image_id for image_id, _, _ in ICON_IMAGES])
        self.assertEqual(groups, [1])

    def version_record(self):
        root = VersionNode(self.resource(RT_VERSION, 1), 0)
        self.assertEqual(root.key, "VS_VERSION_INFO")
        return root

    def test_fixed_version_fields(self):
        fixed = read_fixed_info(self.version_record().value)
        for field, expected in FIXED_FIELDS.items():
            with self.subTest(field=field):
                self.assertEqual(fixed[field], expected)

    def test_fixed_version_matches_the_project_version(self):
        fixed = read_fixed_info(self.version_record().value)
        parts = tuple(int(p) for p in self.project_version.split("."))
        expected = (parts + (0, 0, 0, 0))[:4]
        self.assertEqual(fixed["file_version"], expected)
        self.assertEqual(fixed["product_version"], expected)

    def test_version_strings(self):
        string_info = self.version_record().child("StringFileInfo")
        self.assertEqual([t.key for t in string_info.children], ["040904B0"])
        table = string_info.children[0]
        for node in table.children:
            self.assertTrue(node.is_text, f"{node.key} is not stored as text")
        found = {node.key: node.text() for node in table.children}
        for key, expected in VERSION_STRINGS.items():
            with self.subTest(key=key):
                self.assertEqual(found.get(key), expected)
        self.assertEqual(sorted(found), sorted(VERSION_STRINGS), "unexpected or duplicate keys")

    def test_translation(self):
        var_info = self.version_record().child("VarFileInfo")
        self.assertEqual([v.key for v in var_info.children], ["Translation"])
        self.assertEqual(var_info.children[0].value, struct.pack("<HH", ENGLISH_US, 1200))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rc", type=Path, required=True)
    parser.add_argument("--project-version", required=True)
    parser.add_argument("--windres", default="i686-w64-mingw32-windres")
    parser.add_argument("--cpp", default="cpp")
    args, rest = parser.parse_known_args()
    tools = {}
    for tool in (args.windres, args.cpp):
        tools[tool] = shutil.which(tool)
        if tools[tool] is None:
            sys.exit(f"FAIL: {tool} not found (make deps installs it)")
    with tempfile.TemporaryDirectory() as scratch:
        data = compile_rc(tools[args.windres], tools[args.cpp], args.rc, Path(scratch))
    WindowsResourcesTest.resources = read_res(data)
    WindowsResourcesTest.project_version = args.project_version
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
