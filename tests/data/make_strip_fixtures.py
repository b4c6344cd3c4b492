#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the strip test images into tests/data/strip with Pillow and ImageMagick, the way real
toolbar strips come: 16 x 16 cells side by side.

straight32.bmp   32 bits, uncompressed, straight alpha (Pillow), with soft edges and colour under
                 fully transparent pixels, as most toolbar strips of real modules are stored
premult32.bmp    the same pixels premultiplied
grey4.bmp        4 bits, a ramp of 16 greys that the fixed 16-colour table does not hold
grey8.bmp        8 bits, a ramp of 251 greys (Pillow, as ImageMagick cuts it to 64)
two1.bmp         1 bit, navy and yellow
"""
import os
import subprocess
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "strip")
CONVERT = "/usr/bin/convert"


def straight_pixel(x, y):
    cell, cx = divmod(x, 16)
    edge = cx in (0, 15) or y in (0, 15)
    alpha = 0 if edge else (128, 64, 200, 255)[(cx + y + cell) % 4]
    return (208 - 9 * cx, 222 - 5 * y, 236 - 40 * cell, alpha)


def premultiplied(pixel):
    r, g, b, a = pixel
    return tuple(c * a // 255 for c in (r, g, b)) + (a,)


def rgba_strip(name, pixel):
    image = Image.new("RGBA", (48, 16))
    image.putdata([pixel(x, y) for y in range(16) for x in range(48)])
    image.save(os.path.join(OUT, name))


def palette_strip(name, mode, size, pixel):
    image = Image.new(mode, size)
    image.putdata([pixel(x, y) for y in range(size[1]) for x in range(size[0])])
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "source.png")
        image.save(source)
        subprocess.run([CONVERT, source, "-type", "Palette", "-compress", "None", "BMP3:" + os.path.join(OUT, name)],
                       check=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    rgba_strip("straight32.bmp", straight_pixel)
    rgba_strip("premult32.bmp", lambda x, y: premultiplied(straight_pixel(x, y)))
    palette_strip("grey4.bmp", "L", (48, 16), lambda x, y: 7 + 15 * ((x // 3 + y) % 16))
    grey8 = Image.new("P", (256, 16))
    grey8.putpalette([level for level in range(2, 253) for _ in range(3)])
    grey8.putdata([(x + y) % 251 for y in range(16) for x in range(256)])
    grey8.save(os.path.join(OUT, "grey8.bmp"))
    palette_strip("two1.bmp", "RGB", (48, 16),
                  lambda x, y: (0, 0, 128) if (x // 4 + y // 4) % 2 else (250, 230, 20))


if __name__ == "__main__":
    main()
