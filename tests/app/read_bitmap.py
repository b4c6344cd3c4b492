"""Decodes a bitmap file with Pillow and prints what the cross-check test compares.

Output: one line of "r,g,b" per pixel row, top row first.
"""
import sys

from PIL import Image

rgb = Image.open(sys.argv[1]).convert("RGB")
for y in range(rgb.height):
    print(" ".join("%d,%d,%d" % rgb.getpixel((x, y)) for x in range(rgb.width)))
