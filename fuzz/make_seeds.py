#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the seed inputs of every fuzz target into OUT/<target>/ (default fuzz/seeds): the test
fixtures, small generated icons, GIFs, zlib streams and a resource-only module, each behind the
parameter bytes its target takes first. fuzz/run.sh merges them into the committed corpus.
"""
import glob
import io
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "tests", "data")


def fixtures(pattern):
    return sorted(glob.glob(os.path.join(DATA, pattern)))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def bitmap_entry(size, depth):
    """The header, colour table, colour bits and AND mask of one icon image."""
    colors = 1 << depth if depth <= 8 else 0
    stride = (size * depth + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, depth, 0, 0, 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", i * 37 % 256, i * 91 % 256, i * 13 % 256, 0)
                     for i in range(colors))
    bits = bytes((x * 7 + y * 3) % 256 for y in range(size) for x in range(stride))
    mask = bytes(0xAA if y % 2 else 0x00 for y in range(size) for _ in range(mask_stride))
    return header + table + bits + mask


def icon_file(images, kind=1):
    """images: (width, depth, bytes); the directory is followed by the images in order."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for width, depth, data in images:
        w = 0 if width >= 256 else width
        out += struct.pack("<BBBBHHII", w, w, 0, 0, 1, depth, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def icons():
    png = read(fixtures("png/ct6_d8.png")[0])
    yield "ico_all_depths", icon_file([(16, d, bitmap_entry(16, d)) for d in (1, 4, 8, 24, 32)])
    yield "ico_png", icon_file([(256, 32, png), (8, 4, bitmap_entry(8, 4))])
    yield "cur_small", icon_file([(8, 1, bitmap_entry(8, 1))], kind=2)
    for path in fixtures("pe/*.ico") + fixtures("pe/*.cur"):
        yield os.path.basename(path), read(path)


def gifs():
    image = Image.new("P", (9, 7))
    image.putpalette([v for i in range(16) for v in (i * 16, 255 - i * 16, i * 8)])
    image.putdata([(x + y) % 16 for y in range(7) for x in range(9)])
    for name, options in (("plain", {}), ("transparent", {"transparency": 3}),
                          ("interlaced", {"interlace": True})):
        out = io.BytesIO()
        image.save(out, "GIF", **options)
        yield "gif_" + name, out.getvalue()
    frames = [image, image.transpose(Image.Transpose.FLIP_LEFT_RIGHT)]
    out = io.BytesIO()
    frames[0].save(out, "GIF", save_all=True, append_images=frames[1:], duration=50, loop=0)
    yield "gif_animated", out.getvalue()


def zlib_streams():
    texts = [b"", b"a", bytes(range(256)) * 3, b"tilewright " * 40,
             bytes((i * i) % 251 for i in range(2000))]
    for index, text in enumerate(texts):
        for level in (0, 1, 9):
            stream = zlib.compress(text, level)
            yield "zlib_%d_%d" % (index, level), struct.pack("<H", len(text)) + stream
    for path in fixtures("png/filtered_*.png")[:2]:
        data = read(path)
        idat, position = b"", 8
        while position + 8 <= len(data):
            length, kind = struct.unpack(">I4s", data[position:position + 8])
            if kind == b"IDAT":
                idat += data[position + 8:position + 8 + length]
            position += length + 12
        inflated = zlib.decompress(idat)
        yield "idat_" + os.path.basename(path), struct.pack("<H", len(inflated) - 1) + idat


def small_module(folder):
    """A resource-only module with one small strip and one icon, made by the MinGW tools."""
    strip = Image.new("RGB", (8, 4))
    strip.putdata([(x * 30, 0, 255 - x * 30) for _ in range(4) for x in range(8)])
    strip.quantize(colors=16).save(os.path.join(folder, "strip.bmp"))
    with open(os.path.join(folder, "small.ico"), "wb") as f:
        f.write(icon_file([(8, 4, bitmap_entry(8, 4))]))
    with open(os.path.join(folder, "small.rc"), "w") as f:
        f.write('1 BITMAP "strip.bmp"\nSTRIP BITMAP "strip.bmp"\n1 ICON "small.ico"\n')
    subprocess.run(["x86_64-w64-mingw32-windres", "--preprocessor=cpp", "small.rc", "-O", "coff",
                    "-o", "small.o"],
                   cwd=folder, check=True)
    subprocess.run(["x86_64-w64-mingw32-ld", "--dll", "-e", "0", "-s", "-o", "small.dll",
                    "small.o"], cwd=folder, check=True)
    return read(os.path.join(folder, "small.dll"))


def projects():
    """Projects with every field, cells of every kind, and a later version."""
    cells = [{"source": "icons/a.png", "alpha": "preserve:ffffff"}, {"source": "m.dll:icon:2"},
             {"source": "m.dll:bitmap:#133", "cell": 1, "cellWidth": 16},
             {"source": "https://example.org/a.png"}, {"png": "iVBORw0KGgo=", "alpha": "remove"}]
    full = {"format": "tilewright-project", "version": 1, "cellSizes": ["16x16", "24x20"],
            "depth": 8, "background": "ff00ff", "keepAspectRatio": True, "exportSizes": ["48x48"],
            "output": "s_{w}.bmp", "cells": cells, "future": {"x": [1, None]}}
    yield "full.tilewright", json.dumps(full).encode()
    yield "newer.tilewright", json.dumps({**full, "version": 2}).encode()
    yield "empty.tilewright", b'{"format": "tilewright-project", "version": 1, "cells": []}'


def write(out, target, name, data):
    folder = os.path.join(out, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "seeds")
    shutil.rmtree(out, ignore_errors=True)
    pngs = [(os.path.basename(p), read(p)) for p in fixtures("png/*.png")]
    bmps = [(os.path.basename(p), read(p)) for p in fixtures("bmp/*.bmp") + fixtures("pe/*.bmp")]
    icos = list(icons())
    all_images = pngs + bmps + icos + list(gifs())
    for name, data in pngs:
        write(out, "png", name, data)
    for name, data in bmps:
        write(out, "bmp", name, data)
        write(out, "strip", name, struct.pack("<HH", 16, 16) + data)
    for name, data in icos:
        write(out, "ico", name, bytes([16, 16, 32]) + data)
    for name, data in gifs():
        write(out, "gif", name, data)
        write(out, "bmp", name, data)
    for name, data in zlib_streams():
        write(out, "inflate", name, data)
    for name, data in all_images:
        write(out, "load_picture", name, struct.pack("<hhb", 16, 16, 32) + data)
    for name, data in projects():
        write(out, "project", name, data)
    with tempfile.TemporaryDirectory() as folder:
        write(out, "pe", "small.dll", small_module(folder))


if __name__ == "__main__":
    main()
