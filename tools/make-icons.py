#!/usr/bin/env python3
"""Regenerates the program's icon images from shell/icons/kestrune.svg.

Writes next to the SVG (or into --output-dir):
  kestrune-16.png, -32.png, -48.png               RGBA, 8 bits per channel
  kestrune-16-8bit.png, -32-8bit.png, -48-8bit.png
                                                  256-colour palette; entry 0 is the one fully
                                                  transparent colour
  kestrune.ico                                    all six images as Windows icon images
  rc/icon-30001.bin ... rc/icon-30006.bin          the same images as RT_ICON resource data
  rc/group-icon-1.bin                             the RT_GROUP_ICON directory over them

Image 30001..30003 are the palette images at 16, 32 and 48 px, 30004..30006 the RGBA ones.
Needs rsvg-convert (Debian: librsvg2-bin). Run it by hand after changing the SVG and commit
the outputs, so that building needs no image tools. The outputs depend only on the SVG and
the rasteriser: running it twice gives identical bytes.
"""

import argparse
import pathlib
import shutil
import struct
import subprocess
import sys
import zlib

SIZES = (16, 32, 48)
FIRST_IMAGE_ID = 30001
PALETTE_SIZE = 256
# Palette images and icon AND masks only know opaque or transparent.
OPAQUE_ALPHA = 128

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


# --- PNG ---------------------------------------------------------------------------------------


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png_rgba(data):
    """Decodes an 8-bit RGBA or RGB, non-interlaced PNG into rows of (r, g, b, a) tuples."""
    if data[:8] != PNG_SIGNATURE:
        raise ValueError("not a PNG")
    pos, header, idat = 8, None, bytearray()
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"unsupported PNG layout: depth {depth}, colour type {colour}")
    channels = 4 if colour == 6 else 3
    stride = width * channels
    raw = zlib.decompress(bytes(idat))
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1 : start + 1 + stride])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up = previous[x]
            upper_left = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 0xFF
            elif kind == 2:
                line[x] = (line[x] + up) & 0xFF
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 0xFF
            elif kind == 4:
                line[x] = (line[x] + _paeth(left, up, upper_left)) & 0xFF
            elif kind != 0:
                raise ValueError(f"bad PNG filter {kind}")
        previous = line
        pixels = [tuple(line[i : i + channels]) for i in range(0, stride, channels)]
        rows.append([p if channels == 4 else p + (255,) for p in pixels])
    return rows


def _chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def _png(width, height, colour_type, lines, extra_chunks=()):
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    # Filter type 0 on every row: the images are tiny and this keeps the bytes reproducible.
    raw = b"".join(b"\x00" + bytes(line) for line in lines)
    chunks = [_chunk(b"IHDR", header), *extra_chunks, _chunk(b"IDAT", zlib.compress(raw, 9))]
    return PNG_SIGNATURE + b"".join(chunks) + _chunk(b"IEND", b"")


def write_png_rgba(rows):
    lines = [b"".join(bytes(p) for p in row) for row in rows]
    return _png(len(rows[0]), len(rows), 6, lines)


def write_png_palette(indices, palette):
    plte = b"".join(bytes(c) for c in palette)
    # Only entry 0 is transparent; a short tRNS leaves every later entry opaque.
    chunks = (_chunk(b"PLTE", plte), _chunk(b"tRNS", b"\x00"))
    return _png(len(indices[0]), len(indices), 3, indices, chunks)


# --- Colour quantisation -------------------------------------------------------------------------


def _box_error(box):
    """Population-weighted squared error of a box of (colour, count) around its mean."""
    total = sum(n for _, n in box)
    error = 0.0
    for channel in range(3):
        mean = sum(c[channel] * n for c, n in box) / total
        error += sum(n * (c[channel] - mean) ** 2 for c, n in box)
    return error


def _split(box):
    """Splits a box at the weighted median of the channel with the widest spread."""
    spreads = [max(c[i] for c, _ in box) - min(c[i] for c, _ in box) for i in range(3)]
    channel = spreads.index(max(spreads))
    box = sorted(box, key=lambda entry: (entry[0][channel], entry[0]))
    half, running = sum(n for _, n in box) / 2, 0
    for cut, (_, n) in enumerate(box[:-1], start=1):
        running += n
        if running >= half:
            break
    return box[:cut], box[cut:]


def median_cut(histogram, limit):
    """Reduces a {colour: count} histogram to at most `limit` colours (Heckbert's median cut,
    always splitting the box with the largest error). Exact when there are few enough colours."""
    boxes = [sorted(histogram.items())]
    while len(boxes) < limit:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        worst = max(splittable, key=_box_error)
        boxes.remove(worst)
        boxes.extend(_split(worst))
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(round(sum(c[i] * n for c, n in box) / total) for i in range(3)))
    return sorted(set(palette))


def quantise(rows):
    """Maps an RGBA image onto a palette of at most 256 entries whose entry 0 is transparent.
    Returns (rows of palette indices, palette as RGB tuples)."""
    histogram = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= OPAQUE_ALPHA:
                histogram[(r, g, b)] = histogram.get((r, g, b), 0) + 1
    colours = median_cut(histogram, PALETTE_SIZE - 1)
    nearest = {}
    for colour in histogram:
        distances = [sum((p - q) ** 2 for p, q in zip(colour, entry)) for entry in colours]
        nearest[colour] = 1 + distances.index(min(distances))
    indices = [
        [nearest[(r, g, b)] if a >= OPAQUE_ALPHA else 0 for r, g, b, a in row] for row in rows
    ]
    return indices, [(0, 0, 0)] + colours


# --- Windows icon images ---------------------------------------------------------------------


def _and_mask(transparent_rows):
    """The 1-bit mask, bottom-up, rows padded to 32 bits: 1 where the screen shows through."""
    out = bytearray()
    for row in reversed(transparent_rows):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for x, transparent in enumerate(row):
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def _bitmap_header(size, bit_count, image_bytes):
    # The height covers the colour bitmap and the AND mask stacked on it.
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bit_count, 0, image_bytes, 0, 0, 0, 0)


def icon_image_8bit(indices, palette):
    size = len(indices)
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    colours += bytes(4 * (PALETTE_SIZE - len(palette)))
    # Rows of a multiple of 4 pixels need no padding, which holds for 16, 32 and 48.
    pixels = b"".join(bytes(row) for row in reversed(indices))
    mask = _and_mask([[i == 0 for i in row] for row in indices])
    return _bitmap_header(size, 8, len(pixels) + len(mask)) + colours + pixels + mask


def icon_image_32bit(rows):
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask = _and_mask([[a < OPAQUE_ALPHA for *_, a in row] for row in rows])
    return _bitmap_header(size, 32, len(pixels) + len(mask)) + pixels + mask


def _directory_entry_head(size, bit_count):
    # Width, height, colour count (0 for 256 or more), reserved, planes, bits per pixel.
    colour_count = 0
    return struct.pack("<BBBBHH", size % 256, size % 256, colour_count, 0, 1, bit_count)


def ico_file(images):
    """images: (size, bit count, image bytes) in directory order."""
    offset = 6 + 16 * len(images)
    directory, data = bytearray(struct.pack("<HHH", 0, 1, len(images))), bytearray()
    for size, bit_count, image in images:
        directory += _directory_entry_head(size, bit_count)
        directory += struct.pack("<II", len(image), offset + len(data))
        data += image
    return bytes(directory + data)


def group_icon(images, first_id):
    """The RT_GROUP_ICON directory: like the .ico one, but naming RT_ICON resources by ID."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for number, (size, bit_count, image) in enumerate(images):
        out += _directory_entry_head(size, bit_count)
        out += struct.pack("<IH", len(image), first_id + number)
    return bytes(out)


# --- Driver ----------------------------------------------------------------------------------


def rasterise(rsvg, svg, size):
    result = subprocess.run(
        [rsvg, "--width", str(size), "--height", str(size), "--format", "png", str(svg)],
        check=True,
        capture_output=True,
    )
    rows = read_png_rgba(result.stdout)
    if len(rows) != size or len(rows[0]) != size:
        raise ValueError(f"{svg} did not rasterise to {size}x{size}; is it square?")
    return rows


def generate(svg, out_dir, rsvg):
    files = {}
    palette_images, rgba_images = [], []
    for size in SIZES:
        rows = rasterise(rsvg, svg, size)
        indices, palette = quantise(rows)
        files[f"kestrune-{size}.png"] = write_png_rgba(rows)
        files[f"kestrune-{size}-8bit.png"] = write_png_palette(indices, palette)
        palette_images.append((size, 8, icon_image_8bit(indices, palette)))
        rgba_images.append((size, 32, icon_image_32bit(rows)))
        print(f"{size:2d} px: {len(palette) - 1} opaque palette colours", file=sys.stderr)
    images = palette_images + rgba_images
    files["kestrune.ico"] = ico_file(images)
    for number, (_, _, image) in enumerate(images):
        files[f"rc/icon-{FIRST_IMAGE_ID + number}.bin"] = image
    files["rc/group-icon-1.bin"] = group_icon(images, FIRST_IMAGE_ID)
    for name, data in files.items():
        path = out_dir / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    return sorted(files)


def main():
    icons = pathlib.Path(__file__).resolve().parent.parent / "shell" / "icons"
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--svg", type=pathlib.Path, default=icons / "kestrune.svg")
    parser.add_argument("--output-dir", type=pathlib.Path, help="default: the SVG's folder")
    parser.add_argument("--rsvg-convert", default="rsvg-convert")
    args = parser.parse_args()
    rsvg = shutil.which(args.rsvg_convert)
    if rsvg is None:
        sys.exit(f"{args.rsvg_convert} not found; it comes with Debian's librsvg2-bin")
    out_dir = args.output_dir or args.svg.resolve().parent
    for name in generate(args.svg, out_dir, rsvg):
        print(out_dir / name)


if __name__ == "__main__":
    main()
