"""Decodes a bitmap file with Pillow and prints what the cross-check test compares.

Output: one line "WIDTH HEIGHT MODE PALETTE_ENTRIES BITS", then one line of "r,g,b" per pixel,
top row first.
"""
import struct
import sys

from PIL import Image

path = sys.argv[1]
with open(path, "rb") as f:
    bits = struct.unpack_from("<H", f.read(30), 28)[0]
image = Image.open(path)
palette = image.getpalette()
entries = len(palette) // 3 if palette else 0
print(image.width, image.height, image.mode, entries, bits)
rgb = image.convert("RGB")
for y in range(image.height):
    print(" ".join("%d,%d,%d" % rgb.getpixel((x, y)) for x in range(image.width)))
