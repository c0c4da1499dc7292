#!/usr/bin/env python3
"""Writes the small hand-made BMP pairs of this folder: an input the reader
must normalise and the plain bottom-up, uncompressed file that saving it
must produce. The expected rows are written out by hand, not decoded."""
import struct


def bmp(width, height, bits, compression, table, data, size_image=None):
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, compression,
                       len(data) if size_image is None else size_image, 2835, 2835, len(table), 0)
    palette = b''.join(bytes((b, g, r, 0)) for (r, g, b) in table)
    offset = 14 + 40 + len(palette)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + info + palette + data


# 16 colours, width 5 (stride 8), 4 rows; the stream uses every escape.
table = [(i * 16, 255 - i * 16, i) for i in range(16)]
stream = bytes([
    5, 1, 0, 0,                 # row 0: 1 1 1 1 1
    0, 3, 2, 3, 4, 0,           # row 1: literal 2 3 4 (padded)
    2, 5, 0, 0,                 #        5 5
    0, 2, 2, 1,                 # row 2 skipped: x 2 of row 3
    0, 3, 6, 7, 8, 0,           # row 3: _ _ 6 7 8
    0, 1,                       # end of bitmap
])
rows = bytes([
    1, 1, 1, 1, 1, 0, 0, 0,
    2, 3, 4, 5, 5, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 6, 7, 8, 0, 0, 0,
])
open('rle8_5x4.bmp', 'wb').write(bmp(5, 4, 8, 1, table, stream))
open('rle8_5x4_plain.bmp', 'wb').write(bmp(5, 4, 8, 0, table, rows))

# 24 bits, width 3 (stride 12), 2 rows stored top row first.
top = bytes([10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0])
bottom = bytes([1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0])
open('topdown_24bit_3x2.bmp', 'wb').write(bmp(3, -2, 24, 0, [], top + bottom))
open('topdown_24bit_3x2_plain.bmp', 'wb').write(bmp(3, 2, 24, 0, [], bottom + top))
