#!/usr/bin/env python3
"""Writes a seeded synthetic scan of a line drawing as an 8-bit grey BMP:
noisy paper, a grid of ruled lines and rings of several sizes in dark,
uneven ink. With --colour the scan is a 24-bit BMP on faintly tinted paper
(blue, green and red drawn from the grey by three different curves).

    make_drawing.py [--colour] WIDTH HEIGHT OUT.bmp
"""
import random
import struct
import sys


def main():
    args = sys.argv[1:]
    colour = args[0] == "--colour"
    if colour:
        args = args[1:]
    width, height, path = int(args[0]), int(args[1]), args[2]
    bits = 24 if colour else 8
    stride = (width * bits // 8 + 3) // 4 * 4
    tints = [bytes(min(255, g * k // 16 + c) for g in range(256)) for k, c in ((15, 0), (16, 2), (16, 9))]
    rng = random.Random(8)
    paper = bytes(196 + i % 56 for i in range(256))  # random bytes to paper greys
    ink = bytes(12 + i % 64 for i in range(256))  # and to ink greys
    spacing = 240
    columns = range(spacing // 2, width - 3, spacing)
    rings = [(rng.randrange(width), rng.randrange(height), rng.randrange(30, 400))
             for _ in range(max(1, width * height // 400000))]
    pixel_bytes = stride * height
    offset = 14 + 40 + (0 if colour else 1024)
    with open(path, "wb") as out:
        out.write(struct.pack("<2sIHHI", b"BM", offset + pixel_bytes, 0, 0, offset))
        out.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, pixel_bytes, 11811, 11811,
                              0 if colour else 256, 0))
        if not colour:
            out.write(b"".join(bytes((i, i, i, 0)) for i in range(256)))
        padding = bytes(stride - width * bits // 8)
        wide = bytearray(3 * width)
        for y in range(height):
            row = bytearray(rng.randbytes(width).translate(paper))
            dark = rng.randbytes(width).translate(ink)
            if y % spacing < 3 and spacing // 2 < y < height - spacing // 2:
                row[spacing // 2:width - spacing // 2] = dark[spacing // 2:width - spacing // 2]
            for x in columns:
                row[x:x + 3] = dark[x:x + 3]
            for cx, cy, r in rings:
                dy = y - cy
                if abs(dy) > r:
                    continue
                outer = int((r * r - dy * dy) ** 0.5)
                inner = int(max(0, (r - 3) ** 2 - dy * dy) ** 0.5) if abs(dy) < r - 3 else 0
                for a, b in ((cx - outer, cx - inner + 1), (cx + inner, cx + outer + 1)):
                    a, b = max(a, 0), min(b, width)
                    if a < b:
                        row[a:b] = dark[a:b]
            if colour:
                for channel, tint in enumerate(tints):
                    wide[channel::3] = row.translate(tint)
                out.write(wide)
            else:
                out.write(row)
            out.write(padding)


if __name__ == "__main__":
    main()
