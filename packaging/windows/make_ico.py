#!/usr/bin/env python3
"""Packs the generator's square PNG icons into one Windows .ico (PNG-compressed entries,
which Windows reads since Vista).

usage: make_ico.py <out.ico> <icon.png>...
"""

import struct
import sys


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise SystemExit("make_ico.py: not a PNG file")
    return struct.unpack(">II", data[16:24])


def main():
    out, files = sys.argv[1], sys.argv[2:]
    images = []
    for name in files:
        with open(name, "rb") as f:
            data = f.read()
        width, height = png_size(data)
        if width != height or width > 256:
            raise SystemExit("make_ico.py: %s is %dx%d, not square up to 256" % (name, width, height))
        images.append((width, data))
    images.sort()
    offset = 6 + 16 * len(images)
    head = struct.pack("<HHH", 0, 1, len(images))
    entries, body = b"", b""
    for size, data in images:
        # A size of 256 is written as 0.
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    with open(out, "wb") as f:
        f.write(head + entries + body)


if __name__ == "__main__":
    main()
