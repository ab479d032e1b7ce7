#!/usr/bin/env python3
"""Splits an .ico into the resources of one icon group: each image as an RT_ICON resource
numbered from FIRST_ID on, and the RT_GROUP_ICON directory naming them. windres' ICON statement
does the same but numbers the images itself.
usage: icon_resources.py ICO FIRST_ID OUTPUT_DIR  (writes icon-<id>.bin and group-icon.bin)"""

import struct
import sys
from pathlib import Path

ico, first_id, out = Path(sys.argv[1]).read_bytes(), int(sys.argv[2]), Path(sys.argv[3])
out.mkdir(parents=True, exist_ok=True)
count = struct.unpack_from("<H", ico, 4)[0]
group = bytearray(ico[:6])
for index in range(count):
    entry = 6 + 16 * index
    # An entry: size, colours, planes, bits and byte count as in the group, then the file offset,
    # which the group replaces by the image's resource ID.
    size, offset = struct.unpack_from("<II", ico, entry + 8)
    (out / f"icon-{first_id + index}.bin").write_bytes(ico[offset : offset + size])
    group += ico[entry : entry + 12] + struct.pack("<H", first_id + index)
(out / "group-icon.bin").write_bytes(group)
