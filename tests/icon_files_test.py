#!/usr/bin/env python3
"""Checks the committed icon images in shell/icons: that each PNG and each image of
kestrune.ico has the promised size and format, that the palette images and the icon images
show the same picture as the RGBA ones, that they are what tools/make-icons.py makes of the SVG
today, that its colour quantiser does its job, and that icons.qrc serves the PNGs under
:/icons/."""

import argparse
import runpy
import shutil
import struct
import subprocess
import sys
import tempfile
import types
import unittest
import zlib
from pathlib import Path

SIZES = (16, 32, 48)
OPAQUE_ALPHA = 128  # palette images and AND masks only know opaque or transparent
# (directory position, size, bits per pixel); resource IDs are 30001 + position.
ICO_IMAGES = [(i, size, 8) for i, size in enumerate(SIZES)] + [
    (3 + i, size, 32) for i, size in enumerate(SIZES)
]


def read_png(path):
    """Decodes an 8-bit palette (type 3) or RGBA (type 6) PNG into (colour type, palette size,
    rows of (r, g, b, a))."""
    data = Path(path).read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG"
    pos, chunks, idat = 8, {}, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length : pos + 12 + length])
        assert crc == zlib.crc32(kind + body), f"{path}: bad CRC in {kind}"
        pos += 12 + length
        if kind == b"IDAT":
            idat += body
        else:
            chunks[kind] = body
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    assert depth == 8 and interlace == 0 and colour in (3, 6), f"{path}: unexpected layout"
    channels = 4 if colour == 6 else 1
    stride = width * channels
    raw = zlib.decompress(idat)
    assert len(raw) == height * (stride + 1), f"{path}: wrong amount of image data"
    rows, previous = [], [0] * stride
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = list(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b, c = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] += a
            elif kind == 2:
                line[x] += b
            elif kind == 3:
                line[x] += (a + b) // 2
            elif kind == 4:
                p = a + b - c
                line[x] += min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]
            line[x] &= 0xFF
        previous = line
        rows.append(line)
    if colour == 6:
        return 6, 0, [[tuple(r[i : i + 4]) for i in range(0, stride, 4)] for r in rows]
    plte = chunks[b"PLTE"]
    palette = [tuple(plte[i : i + 3]) for i in range(0, len(plte), 3)]
    alphas = list(chunks.get(b"tRNS", b"")) + [255] * (len(palette) - len(chunks.get(b"tRNS", b"")))
    for row in rows:
        assert max(row) < len(palette), f"{path}: index outside the palette"
    pixels = [[palette[i] + (alphas[i],) for i in row] for row in rows]
    return 3, len(palette), pixels


def read_ico(path):
    """Returns [(width, height, colour count, planes, bits, image bytes)] of a .ico file."""
    data = Path(path).read_bytes()
    reserved, kind, count = struct.unpack_from("<HHH", data)
    assert (reserved, kind) == (0, 1), f"{path} is not an icon file"
    images = []
    for n in range(count):
        entry = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        w, h, colours, _, planes, bits, size, offset = entry
        images.append((w, h, colours, planes, bits, data[offset : offset + size]))
    return images


def decode_icon_image(image):
    """Decodes a DIB icon image into rows of (r, g, b, a), top row first. For 8 bits per pixel
    the alpha comes from the AND mask; the second result tells where the mask is set."""
    _, width, height2, _, bits, _, _, _, _, _, _ = struct.unpack_from("<IiiHHIIiiII", image)
    size = width
    assert height2 == 2 * size
    pos = 40
    palette = []
    if bits == 8:
        palette = [tuple(image[pos + 4 * i : pos + 4 * i + 3][::-1]) for i in range(256)]
        pos += 1024
    stride = (size * bits + 31) // 32 * 4
    colour_rows = [image[pos + y * stride : pos + (y + 1) * stride] for y in range(size)][::-1]
    pos += size * stride
    mask_stride = (size + 31) // 32 * 4
    mask_rows = [image[pos + y * mask_stride : pos + (y + 1) * mask_stride] for y in range(size)]
    mask = [[(row[x // 8] >> (7 - x % 8)) & 1 for x in range(size)] for row in mask_rows[::-1]]
    assert pos + size * mask_stride == len(image), "icon image has trailing or missing bytes"
    if bits == 32:
        pixels = [[tuple(row[4 * x : 4 * x + 3][::-1]) + (row[4 * x + 3],) for x in range(size)]
                  for row in colour_rows]
    else:
        pixels = [[palette[row[x]] + (0 if mask[y][x] else 255,) for x in range(size)]
                  for y, row in enumerate(colour_rows)]
    return pixels, mask


def load_generator(path):
    """The generator's functions, without running it as a script."""
    return types.SimpleNamespace(**runpy.run_path(str(path), run_name="make_icons"))


class IconFilesTest(unittest.TestCase):
    icons = generator = rcc = None  # filled in by main()

    def rgba(self, size):
        return read_png(self.icons / f"kestrune-{size}.png")

    def test_rgba_pngs(self):
        for size in SIZES:
            with self.subTest(size=size):
                colour_type, _, pixels = self.rgba(size)
                self.assertEqual(colour_type, 6)
                self.assertEqual((len(pixels), len(pixels[0])), (size, size))
                alphas = {p[3] for row in pixels for p in row}
                self.assertLess(min(alphas), OPAQUE_ALPHA, "the corners are not see-through")
                self.assertEqual(max(alphas), 255, "no opaque pixel")

    def test_palette_pngs_are_the_rgba_images_quantised(self):
        for size in SIZES:
            with self.subTest(size=size):
                colour_type, entries, pixels = read_png(self.icons / f"kestrune-{size}-8bit.png")
                self.assertEqual(colour_type, 3)
                self.assertLessEqual(entries, 256)
                self.assertEqual((len(pixels), len(pixels[0])), (size, size))
                rgba = self.rgba(size)[2]
                for y in range(size):
                    for x in range(size):
                        original, quantised = rgba[y][x], pixels[y][x]
                        opaque = original[3] >= OPAQUE_ALPHA
                        self.assertEqual(quantised[3], 255 if opaque else 0, f"alpha at {x},{y}")
                        if opaque:
                            error = max(abs(p - q) for p, q in zip(original[:3], quantised[:3]))
                            self.assertLessEqual(error, 16, f"colour at {x},{y}")

    def test_ico_holds_the_six_images(self):
        images = read_ico(self.icons / "kestrune.ico")
        self.assertEqual(len(images), len(ICO_IMAGES))
        for position, size, bits in ICO_IMAGES:
            with self.subTest(size=size, bits=bits):
                w, h, colours, planes, bit_count, image = images[position]
                self.assertEqual((w, h, colours, planes, bit_count), (size, size, 0, 1, bits))
                resource = self.icons / "rc" / f"icon-{30001 + position}.bin"
                self.assertEqual(image, resource.read_bytes(), f"{resource.name} differs")
                pixels, mask = decode_icon_image(image)
                source = f"kestrune-{size}.png" if bits == 32 else f"kestrune-{size}-8bit.png"
                expected = read_png(self.icons / source)[2]
                self.assertEqual(pixels, expected, f"pixels differ from {source}")
                for y in range(size):
                    for x in range(size):
                        self.assertEqual(mask[y][x], int(expected[y][x][3] < OPAQUE_ALPHA))
                        if bits == 8 and mask[y][x]:
                            # Screen AND 1 XOR colour shows the screen only for black.
                            self.assertEqual(pixels[y][x][:3], (0, 0, 0), f"at {x},{y}")

    def test_files_are_what_the_generator_makes_of_the_svg(self):
        with tempfile.TemporaryDirectory() as scratch:
            result = subprocess.run(
                [sys.executable, str(self.generator), "--svg", str(self.icons / "kestrune.svg"),
                 "--output-dir", scratch],
                capture_output=True, text=True,
            )
            self.assertEqual(result.returncode, 0, result.stderr)
            made = sorted(p.relative_to(scratch) for p in Path(scratch).rglob("*") if p.is_file())
            self.assertEqual(len(made), 14)
            for name in made:
                with self.subTest(file=str(name)):
                    committed = self.icons / name
                    self.assertTrue(committed.is_file(), f"{name} is not committed")
                    self.assertEqual(committed.read_bytes(), (Path(scratch) / name).read_bytes(),
                                     f"{name} is stale: run tools/make-icons.py")

    def test_qt_resource_paths(self):
        result = subprocess.run([self.rcc, "--list-mapping", str(self.icons / "icons.qrc")],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)
        mapping = dict(line.split("\t") for line in result.stdout.splitlines())
        expected = {}
        for size in SIZES:
            for name in (f"kestrune-{size}.png", f"kestrune-{size}-8bit.png"):
                expected[f":/icons/{name}"] = str((self.icons / name).resolve())
        self.assertEqual({k: str(Path(v).resolve()) for k, v in mapping.items()}, expected)


class QuantiserTest(unittest.TestCase):
    """The committed icon has few colours, so its palette is exact; these cases make the
    quantiser actually reduce."""

    generator = None
    # A fixed 6x7x6 colour cube: what a palette that ignores the image would give.
    CUBE = [(r * 51, g * 42, b * 51) for r in range(6) for g in range(7) for b in range(6)]

    @staticmethod
    def squared_distance(a, b):
        return sum((p - q) ** 2 for p, q in zip(a, b))

    def nearest(self, colour, palette):
        return min(self.squared_distance(colour, entry) for entry in palette)

    def test_reduces_to_256_entries_with_nearest_colours(self):
        # Each has more than 255 opaque colours under a transparent band of 4 rows.
        cases = [
            ("smooth gradient", lambda x, y: (x * 5, y * 5, (x + y) * 2)),
            ("noise", lambda x, y: ((x * 73 + y * 151) % 256, (x * 199 + y * 37) % 256,
                                    (x * y * 11) % 256)),
            ("grey ramp", lambda x, y: ((x + 48 * y) % 256,) * 3),
        ]
        for name, colour in cases:
            with self.subTest(case=name):
                rows = [[colour(x, y) + ((0,) if y < 4 else (255,)) for x in range(48)]
                        for y in range(48)]
                indices, palette = self.generator.quantise(rows)
                self.assertLessEqual(len(palette), 256)
                self.assertEqual(palette[0], (0, 0, 0))
                self.assertGreaterEqual(len({i for row in indices for i in row}), 200,
                                        "palette barely used")
                error = cube_error = 0
                for y, row in enumerate(rows):
                    for x, pixel in enumerate(row):
                        index = indices[y][x]
                        if pixel[3] == 0:
                            self.assertEqual(index, 0, f"transparent pixel at {x},{y}")
                            continue
                        self.assertNotEqual(index, 0, f"opaque pixel at {x},{y} made transparent")
                        distance = self.squared_distance(pixel[:3], palette[index])
                        self.assertEqual(distance, self.nearest(pixel[:3], palette[1:]),
                                         f"pixel at {x},{y} not mapped to the nearest entry")
                        error += distance
                        cube_error += self.nearest(pixel[:3], self.CUBE)
                self.assertLess(error, cube_error, "no better than a fixed colour cube")

    def test_exact_when_few_colours(self):
        colours = [(r, g, 0) for r in range(0, 256, 17) for g in range(0, 256, 17)][:255]
        rows = [[colours[(y * 16 + x) % len(colours)] + (255,) for x in range(16)]
                for y in range(16)]
        indices, palette = self.generator.quantise(rows)
        for y in range(16):
            for x in range(16):
                self.assertEqual(palette[indices[y][x]], rows[y][x][:3])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--icons", type=Path, required=True)
    parser.add_argument("--generator", type=Path, required=True)
    parser.add_argument("--rcc", required=True)
    args, rest = parser.parse_known_args()
    if shutil.which("rsvg-convert") is None:
        sys.exit("FAIL: rsvg-convert not found (make deps installs librsvg2-bin)")
    IconFilesTest.icons = args.icons.resolve()
    IconFilesTest.generator = args.generator
    IconFilesTest.rcc = args.rcc
    QuantiserTest.generator = load_generator(args.generator)
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()
