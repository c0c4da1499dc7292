#!/usr/bin/env python3
"""Builds the seed corpus of the fuzz targets in fuzz/corpus/<target>/.

image_open: the files under 20 KB in tests/data/formats and tiny pictures
in every format and kind Lintra reads, written by Pillow (Debian's
python3-pil: run this script with /usr/bin/python3). bmp_open: every BMP file under 20 KB in tests/data (the samples, the BMP
suite and the tests' own files), plus the hand-made pictures below. palettor: the 24-bit files
among them (the suite's 127 x 64 ones too, at 24 to 26 KB), a few refused
depths, and the hand-made 24-bit pictures. commands: hand-made scripts (see
commands_fuzz.cpp for their layout). Run from anywhere:
    python3 fuzz/make_seeds.py
"""
import os
import shutil
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data")
# Named after their place within these folders (b_badrle.bmp), the rest of
# tests/data after theirs within it (bmp_rle8_5x4.bmp).
OWN_NAMED = ("samples", "bmpsuite")
CORPUS = os.path.join(ROOT, "fuzz", "corpus")
SMALL = 20 * 1024


def bmp(width, height, bits, pixel, colours=256):
    """A bottom-up BMP of 8 bits (grey table of `colours` entries) or 24 bits;
    pixel(x, y) gives an index or a (b, g, r) triple."""
    per = 3 if bits == 24 else 1
    stride = (width * per + 3) // 4 * 4
    table = b"" if bits == 24 else b"".join(bytes((i, i, i, 0)) for i in range(colours))
    offset = 54 + len(table)
    rows = bytearray()
    for y in range(height):
        row = bytearray()
        for x in range(width):
            v = pixel(x, y)
            row += bytes(v) if bits == 24 else bytes((v,))
        rows += row + bytes(stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(rows), 2835, 2835,
                       0 if bits == 24 else colours, 0)
    return header + info + table + bytes(rows)


def hand_made():
    """Small pictures that reach what the samples and the suite rarely do."""
    ring = lambda x, y: 0 if 3 <= abs(x - 8) + abs(y - 8) <= 4 else 255
    yield "grey_1x1.bmp", bmp(1, 1, 8, lambda x, y: 0)
    yield "grey_3x2_16colours.bmp", bmp(3, 2, 8, lambda x, y: (x + y) % 16, colours=16)
    yield "ring_17x17.bmp", bmp(17, 17, 8, ring)
    yield "strokes_24x12.bmp", bmp(24, 12, 8, lambda x, y: 0 if y == 6 or x in (3, 20) else 255)
    yield "colour_5x3.bmp", bmp(5, 3, 24, lambda x, y: (x * 50, y * 80, 255 - x * 40))
    yield "colour_1x1.bmp", bmp(1, 1, 24, lambda x, y: (10, 20, 30))
    # More than 256 distinct colour codes: the nearest-entry search runs.
    yield "colour_20x16_320codes.bmp", bmp(20, 16, 24, lambda x, y: ((x * 16) % 256, (y * 16) % 256, ((x + y) * 37) % 256))
    yield "colour_ring_17x17.bmp", bmp(17, 17, 24, lambda x, y: (0, 0, 0) if ring(x, y) == 0 else (255, 255, 255))


def small_bmps():
    for folder in [os.path.join(DATA, name) for name in OWN_NAMED] + [DATA]:
        for base, _, files in sorted(os.walk(folder)):
            if folder == DATA and os.path.relpath(base, DATA).split(os.sep)[0] in OWN_NAMED:
                continue
            for name in sorted(files):
                path = os.path.join(base, name)
                if name.lower().endswith(".bmp"):
                    yield os.path.relpath(path, folder).replace(os.sep, "_"), path


def bit_count(data):
    return struct.unpack_from("<H", data, 28)[0] if len(data) >= 30 else -1


def commands():
    """Scripts for the commands target: flags, width-1, height-1, count,
    command bytes, then the pixel source."""
    script = ["sobel", "roberts", "prewitt", "kirsch", "gauss_laplace", "gradient", "binarise1",
              "binarise2", "binarise3", "invert", "bw_points", "thin", "contour1", "contour2",
              "outermost", "short_branches", "small_blobs", "isolated", "white_border",
              "restore_original", "restore_previous", "show_bitmap", "show_vector",
              "param_binarise1", "param_binarise2", "param_blobs", "param_branches", "move", "move2",
              "move3", "vectorise1", "peel", "vectorise2", "dxf", "save", "draw", "reopen"]
    op = {name: i for i, name in enumerate(script)}

    def seed(flags, width, height, steps, pixels):
        body = bytearray()
        count = 0
        for step in steps:
            if isinstance(step, tuple):
                body += bytes((op[step[0]],) + step[1:])
            else:
                body.append(op[step])
            count += 1
        return bytes((flags, width - 1, height - 1, count)) + bytes(body) + bytes(pixels)

    gradient = [(i * 7) % 256 for i in range(32 * 32)]
    lines = [0x00, 0x10, 0x10, 0xFF, 0x10, 0x10, 0x00, 0x3C]
    yield "edges_thin_vectorise1.bin", seed(0, 32, 32, ["sobel", "binarise1", "thin", "short_branches",
                                                        "vectorise1", "dxf", "draw"], gradient)
    yield "bits_vectorise2.bin", seed(2, 40, 40, ["vectorise2", "draw", "dxf", "show_bitmap", "save"], lines)
    yield "colour_param_peel.bin", seed(1, 16, 16, ["param_binarise2", ("move", 100), ("move", 200),
                                                    "restore_previous", "peel", "peel", "peel",
                                                    "vectorise1", "show_vector", "draw"], gradient)
    yield "blobs_contours.bin", seed(0, 64, 48, ["binarise3", "param_blobs", ("move", 5), ("move", 40),
                                                 "outermost", "contour1", "contour2", "isolated",
                                                 "white_border", "save"], gradient)
    yield "branches_dialog.bin", seed(2, 24, 24, ["thin", "param_branches", ("move", 255), ("move", 0),
                                                  "invert", "bw_points", "restore_original",
                                                  "vectorise2", "peel", "dxf"], lines)
    yield "one_pixel.bin", seed(0, 1, 1, ["sobel", "kirsch", "gauss_laplace", "roberts", "prewitt",
                                          "gradient", "vectorise1", "peel", "vectorise2", "thin",
                                          "contour2", "outermost", "small_blobs", "dxf"], [0])
    yield "reopen_smaller.bin", seed(2, 40, 40, ["binarise2", "vectorise1", ("reopen", 0x80 | 9, 4), "draw",
                                                 "show_vector", "peel", "dxf", ("reopen", 60, 70),
                                                 "param_blobs", ("move", 9), "restore_previous",
                                                 "vectorise2"], lines)
    yield "thin_strip.bin", seed(2, 128, 2, ["thin", "outermost", "vectorise1", "peel", "vectorise2",
                                             "short_branches", "draw"], lines)


def formats():
    """Tiny pictures in the formats beside BMP: each mode a reader handles."""
    folder = os.path.join(DATA, "formats")
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.isfile(path) and not name.endswith((".csv", ".md")) and os.path.getsize(path) < SMALL:
            with open(path, "rb") as f:
                yield name, f.read()
    import io
    from PIL import Image
    rgb = Image.new("RGB", (9, 6))
    rgb.putdata([((x * 28) % 256, (y * 40) % 256, (x * y * 9) % 256) for y in range(6) for x in range(9)])
    rgba = rgb.copy()
    rgba.putalpha(Image.linear_gradient("L").resize((9, 6)))
    grey = rgb.convert("L")
    pictures = {"rgb": rgb, "rgba": rgba, "grey": grey, "bilevel": grey.convert("1"),
                "pal": rgb.quantize(5), "grey16": grey.point(lambda v: v * 257, "I").convert("I;16"),
                "greya": rgba.convert("LA")}
    saves = [("png", "PNG", {}, ["rgb", "rgba", "grey", "bilevel", "pal", "grey16", "greya"]),
             ("interlaced.png", "PNG", {"interlace": 1}, ["rgb"]),
             ("tif", "TIFF", {}, ["rgb", "grey", "pal", "bilevel", "rgba"]),
             ("g4.tif", "TIFF", {"compression": "group4"}, ["bilevel"]),
             ("lzw.tif", "TIFF", {"compression": "tiff_lzw"}, ["grey"]),
             ("jpeg.tif", "TIFF", {"compression": "jpeg"}, ["rgb"]),
             ("jpg", "JPEG", {}, ["rgb", "grey", "cmyk"]),
             ("progressive.jpg", "JPEG", {"progressive": True}, ["rgb"]),
             ("webp", "WEBP", {"lossless": True}, ["rgb", "rgba"]),
             ("lossy.webp", "WEBP", {"quality": 50}, ["rgb"]),
             ("pbm", "PPM", {}, ["bilevel"]), ("pgm", "PPM", {}, ["grey"]), ("ppm", "PPM", {}, ["rgb"])]
    pictures["cmyk"] = rgb.convert("CMYK")
    for suffix, kind, options, modes in saves:
        for mode in modes:
            out = io.BytesIO()
            pictures[mode].save(out, kind, **options)
            yield "%s.%s" % (mode, suffix), out.getvalue()
    pages = io.BytesIO()
    grey.save(pages, "TIFF", save_all=True, append_images=[rgb])
    yield "two_pages.tif", pages.getvalue()
    yield "plain.pbm", b"P1\n# plain\n3 2\n1 0 1\n0 1 0\n"
    yield "plain.pgm", b"P2 3 2 1000\n0 500 1000 1 2 3\n"
    yield "plain.ppm", b"P3 2 1 255 10 20 30 40 50 60\n"
    yield "raw16.pgm", b"P5 2 1 65535\n\x80\x80\xff\xff"


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def main():
    for target in ("bmp_open", "palettor", "commands", "image_open"):
        shutil.rmtree(os.path.join(CORPUS, target), ignore_errors=True)
    for name, path in small_bmps():
        with open(path, "rb") as f:
            data = f.read()
        if len(data) < SMALL:
            write("bmp_open", name, data)
        depth = bit_count(data)
        if (depth == 24 and len(data) < 27 * 1024) or (len(data) < 2048 and depth in (0, 1, 8, 32)):
            write("palettor", name, data)
    for name, data in hand_made():
        write("bmp_open", name, data)
        if bit_count(data) == 24:
            write("palettor", name, data)
    for name, data in commands():
        write("commands", name, data)
    for name, data in formats():
        write("image_open", name, data)


if __name__ == "__main__":
    main()
