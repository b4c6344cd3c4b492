#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the PNG test images into tests/data/png with independent encoders (pypng for every
pairing of colour type and bit depth, ImageMagick for rows that use every filter type), and next
to each image ImageMagick's decoding of it: straight 16-bit RGBA, big-endian, top row first."""
import os
import random
import struct
import subprocess
import zlib

import png

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "png")
WIDTH, HEIGHT = 13, 11
CONVERT = "/usr/bin/convert"

PAIRINGS = [(0, 1), (0, 2), (0, 4), (0, 8), (0, 16), (2, 8), (2, 16), (3, 1), (3, 2), (3, 4),
            (3, 8), (4, 8), (4, 16), (6, 8), (6, 16)]


def channels(color_type):
    return {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[color_type]


def alpha_sample(rng, depth):
    top = (1 << depth) - 1
    return rng.choice([0, top, rng.randint(1, top - 1), rng.randint(1, top - 1)])


def make_rows(rng, color_type, depth, key):
    """Random samples; alpha channels get plenty of 0 and full values. With a 16-bit key no
    other pixel shares the key's high byte in its first sample, so comparing high bytes and
    comparing whole samples agree."""
    top = (1 << depth) - 1
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            if key is not None and (x + y) % 4 == 0:
                pixel = list(key) if isinstance(key, tuple) else [key]
            else:
                pixel = [rng.randint(0, top) for _ in range(channels(color_type))]
                if color_type in (4, 6):
                    pixel[-1] = alpha_sample(rng, depth)
                if key is not None and depth == 16 and (pixel[0] >> 8) == 0x12:
                    pixel[0] ^= 0x4000
            row.extend(pixel)
        rows.append(row)
    return rows


def palette_for(rng, depth, with_transparency):
    entries = min(1 << depth, 200)
    palette = [(rng.randint(0, 255), rng.randint(0, 255), rng.randint(0, 255))
               for _ in range(entries)]
    if with_transparency:
        alphas = [0, 128, 200]  # a short tRNS: the other entries stay opaque
        palette = [color + (alphas[i],) if i < 3 else color + (255,)
                   for i, color in enumerate(palette)]
    return palette


def write_pairing(color_type, depth, interlaced, with_transparency):
    rng = random.Random(color_type * 1000 + depth * 10 + interlaced * 2 + with_transparency)
    key = None
    options = dict(bitdepth=depth, interlace=interlaced)
    if color_type == 0 and with_transparency:
        key = 0x1234 if depth == 16 else (1 << depth) - 1 - (depth > 1)
        options["transparent"] = key
    if color_type == 2 and with_transparency:
        key = (0x1234, 0x5678, 0x9ABC) if depth == 16 else (18, 52, 86)
        options["transparent"] = key
    if color_type == 3:
        options["palette"] = palette_for(rng, depth, with_transparency)
        rows = [[rng.randrange(len(options["palette"])) for _ in range(WIDTH)]
                for _ in range(HEIGHT)]
    else:
        options["greyscale"] = color_type in (0, 4)
        options["alpha"] = color_type in (4, 6)
        rows = make_rows(rng, color_type, depth, key)
    name = "ct%d_d%d%s%s" % (color_type, depth, "_i" if interlaced else "", "_t" if with_transparency else "")
    path = os.path.join(OUT, name + ".png")
    with open(path, "wb") as out:
        png.Writer(WIDTH, HEIGHT, **options).write(out, rows)
    return path, (color_type, depth, interlaced, with_transparency)


def write_filtered(name, output_format, *arguments):
    path = os.path.join(OUT, name + ".png")
    subprocess.run([CONVERT, "-seed", "7", "-size", "40x30", "plasma:fractal", *arguments,
                    "-quality", "95", "-strip", output_format + ":" + path], check=True)
    return path


def chunks(data):
    position = 8
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        yield kind, data[position + 8:position + 8 + length]
        position += length + 12


def header_of(path):
    data = open(path, "rb").read()
    kinds = {kind for kind, _ in chunks(data)}
    width, height, depth, color_type, _, _, interlaced = struct.unpack(">IIBBBBB", data[16:29])
    return (color_type, depth, interlaced, b"tRNS" in kinds), data


def filter_types(path):
    """The filter byte of every row of a non-interlaced image."""
    (color_type, depth, _, _), data = header_of(path)
    width, height = struct.unpack(">II", data[16:24])
    raw = zlib.decompress(b"".join(body for kind, body in chunks(data) if kind == b"IDAT"))
    stride = (width * depth * channels(color_type) + 7) // 8 + 1
    return {raw[row * stride] for row in range(height)}


def write_decoding(path):
    raw = subprocess.run([CONVERT, path, "-depth", "16", "-endian", "MSB", "rgba:-"],
                         check=True, capture_output=True).stdout
    with open(path[:-4] + ".rgba16", "wb") as out:
        out.write(raw)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name in os.listdir(OUT):
        os.remove(os.path.join(OUT, name))
    for color_type, depth in PAIRINGS:
        for interlaced in (False, True):
            for with_transparency in ((False, True) if color_type in (0, 2, 3) else (False,)):
                path, wanted = write_pairing(color_type, depth, interlaced, with_transparency)
                got, _ = header_of(path)
                assert got == wanted, (path, got, wanted)
                write_decoding(path)
    filtered = [write_filtered("filtered_rgba8", "PNG32", "-alpha", "set", "-channel", "A", "-fx",
                               "i/w", "+channel"),
                write_filtered("filtered_rgb16", "PNG48", "-depth", "16"),
                write_filtered("filtered_gray8", "PNG", "-colorspace", "gray", "-depth", "8")]
    used = set()
    for path in filtered:
        used |= filter_types(path)
        write_decoding(path)
    assert {1, 2, 3, 4} <= used, used
    interlaced = write_filtered("filtered_rgba8_i", "PNG32", "-alpha", "set", "-channel", "A",
                                "-fx", "j/h", "+channel", "-interlace", "PNG")
    write_decoding(interlaced)


if __name__ == "__main__":
    main()
