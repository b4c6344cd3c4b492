#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the small fixtures of the command-line tests into tests/data/misc.

photo.jpg: an 8 x 6 JPEG (Pillow), a format that only the fallback loader reads.
"""
import os

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "misc")


def main():
    os.makedirs(OUT, exist_ok=True)
    image = Image.new("RGB", (8, 6))
    image.putdata([(x * 30, y * 40, 128) for y in range(6) for x in range(8)])
    image.save(os.path.join(OUT, "photo.jpg"), quality=90)


if __name__ == "__main__":
    main()
