#!/usr/bin/python3
"""Turns an X window dump (xwd, 24/32 bits per pixel TrueColor) into a PNG, with the standard
library only.

    xwd_to_png.py IN.xwd OUT.png
"""

import struct
import sys
import zlib


def shift_of(mask):
    shift = 0
    while mask and not mask & 1:
        mask >>= 1
        shift += 1
    return shift


def main():
    data = open(sys.argv[1], "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, _, width, height = fields[:6]
    byte_order, bpp, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    ncolors = fields[19]
    if bpp not in (24, 32):
        sys.exit("only 24 and 32 bits per pixel are read, not %d" % bpp)
    start = header_size + 12 * ncolors
    step = bpp // 8
    order = "little" if byte_order == 0 else "big"
    shifts = [shift_of(m) for m in masks]
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + width * step]
        row = bytearray([0])  # PNG filter: none
        for x in range(0, len(line), step):
            pixel = int.from_bytes(line[x:x + step], order)
            row += bytes((pixel & m) >> s for m, s in zip(masks, shifts))
        rows.append(bytes(row))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                                                 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    open(sys.argv[2], "wb").write(png)


if __name__ == "__main__":
    main()
