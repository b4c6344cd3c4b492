#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Draws Tilewright's own toolbar, menu and window images.

Each image is drawn at four times its size and scaled down, which gives clean anti-aliased
16 x 16 artwork. Run from this folder; it rewrites the PNG files next to it.
"""
from PIL import Image, ImageDraw

SCALE = 4
INK = (52, 64, 84, 255)
GREEN = (46, 160, 67, 255)
BLUE = (45, 112, 214, 255)
RED = (214, 57, 57, 255)
AMBER = (232, 168, 40, 255)
PAPER = (250, 250, 250, 255)


def canvas(size=16):
    image = Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))
    return image, ImageDraw.Draw(image)


def s(*values):
    return [v * SCALE for v in values]


def finish(image, size=16):
    return image.resize((size, size), Image.LANCZOS)


def plus(color=GREEN):
    image, d = canvas()
    d.rounded_rectangle(s(6.5, 2, 9.5, 14), radius=SCALE, fill=color)
    d.rounded_rectangle(s(2, 6.5, 14, 9.5), radius=SCALE, fill=color)
    return finish(image)


def arrow(left):
    image, d = canvas()
    points = [(2, 8), (8, 2.5), (8, 5.5), (14, 5.5), (14, 10.5), (8, 10.5), (8, 13.5)]
    if not left:
        points = [(16 - x, y) for x, y in points]
    d.polygon([(x * SCALE, y * SCALE) for x, y in points], fill=BLUE)
    return finish(image)


def cross():
    image, d = canvas()
    d.line(s(3.5, 3.5, 12.5, 12.5), fill=RED, width=3 * SCALE)
    d.line(s(12.5, 3.5, 3.5, 12.5), fill=RED, width=3 * SCALE)
    return finish(image)


def swatches():
    image, d = canvas()
    for (x, y), color in zip([(1.5, 1.5), (8.5, 1.5), (1.5, 8.5), (8.5, 8.5)],
                             [RED, GREEN, BLUE, AMBER]):
        d.rounded_rectangle(s(x, y, x + 6, y + 6), radius=SCALE, fill=color, outline=INK,
                            width=SCALE // 2)
    return finish(image)


def page(mark=None):
    image, d = canvas()
    d.polygon(s(3, 1.5, 10, 1.5, 13, 4.5, 13, 14.5, 3, 14.5), fill=PAPER, outline=INK,
              width=SCALE)
    d.line(s(10, 1.5, 10, 4.5, 13, 4.5), fill=INK, width=SCALE)
    if mark == "picture":
        d.polygon(s(4.5, 13, 7.5, 8, 9.5, 11, 10.5, 9.5, 11.5, 13), fill=GREEN)
        d.ellipse(s(5, 5, 7.5, 7.5), fill=AMBER)
    return finish(image)


def folder():
    image, d = canvas()
    d.polygon(s(1.5, 3.5, 6, 3.5, 7.5, 5, 14.5, 5, 14.5, 13.5, 1.5, 13.5), fill=AMBER,
              outline=INK, width=SCALE)
    d.line(s(1.5, 7, 14.5, 7), fill=INK, width=SCALE)
    return finish(image)


def module():
    image, d = canvas()
    d.rounded_rectangle(s(3.5, 3.5, 12.5, 12.5), radius=SCALE, fill=(90, 100, 120, 255),
                        outline=INK, width=SCALE)
    for i in (5.5, 8, 10.5):
        for a, b, c, e in ((i, 1, i, 3.5), (i, 12.5, i, 15), (1, i, 3.5, i), (12.5, i, 15, i)):
            d.line(s(a, b, c, e), fill=INK, width=SCALE)
    d.rectangle(s(6, 6, 10, 10), fill=AMBER)
    return finish(image)


def floppy(pencil=False):
    image, d = canvas()
    d.polygon(s(1.5, 1.5, 12, 1.5, 14.5, 4, 14.5, 14.5, 1.5, 14.5), fill=BLUE, outline=INK,
              width=SCALE)
    d.rectangle(s(4, 1.5, 11, 6), fill=PAPER, outline=INK, width=SCALE // 2)
    d.rectangle(s(4, 9, 12, 14.5), fill=PAPER)
    if pencil:
        d.line(s(8, 14, 15, 7), fill=AMBER, width=3 * SCALE)
        d.line(s(7, 15, 8.5, 13.5), fill=INK, width=2 * SCALE)
    return finish(image)


def globe():
    image, d = canvas()
    d.ellipse(s(1.5, 1.5, 14.5, 14.5), fill=(120, 180, 235, 255), outline=INK, width=SCALE)
    d.ellipse(s(5, 1.5, 11, 14.5), outline=INK, width=SCALE // 2 * 1)
    d.line(s(1.5, 8, 14.5, 8), fill=INK, width=SCALE // 2)
    d.line(s(8, 1.5, 8, 14.5), fill=INK, width=SCALE // 2)
    return finish(image)


def clipboard():
    image, d = canvas()
    d.rounded_rectangle(s(2.5, 2.5, 13.5, 15), radius=SCALE, fill=(196, 150, 98, 255),
                        outline=INK, width=SCALE)
    d.rectangle(s(4.5, 5, 11.5, 13), fill=PAPER)
    d.rounded_rectangle(s(5.5, 1, 10.5, 4), radius=SCALE // 2, fill=(150, 150, 160, 255),
                        outline=INK, width=SCALE // 2)
    return finish(image)


def gallery():
    image, d = canvas()
    colors = [RED, GREEN, BLUE, AMBER, BLUE, RED, GREEN, AMBER, RED]
    for i, color in enumerate(colors):
        x, y = 1.5 + (i % 3) * 4.6, 1.5 + (i // 3) * 4.6
        d.rounded_rectangle(s(x, y, x + 3.6, y + 3.6), radius=SCALE // 2, fill=color)
    return finish(image)


def strip_icon(size):
    image, d = canvas(size)
    unit = size / 16
    d.rounded_rectangle([v * SCALE * unit for v in (0.5, 3.5, 15.5, 12.5)], radius=SCALE * unit,
                        fill=PAPER, outline=INK, width=int(SCALE * unit))
    for i, color in enumerate([RED, GREEN, BLUE]):
        x = 2 + i * 4.3
        d.rounded_rectangle([v * SCALE * unit for v in (x, 5.5, x + 3.5, 10.5)],
                            radius=SCALE * unit / 2, fill=color)
    return finish(image, size)


def main():
    toolbar = [plus(), arrow(True), arrow(False), cross(), swatches()]
    strip = Image.new("RGBA", (16 * len(toolbar), 16), (0, 0, 0, 0))
    for i, image in enumerate(toolbar):
        strip.paste(image, (16 * i, 0))
    strip.save("toolbar.png")
    menu = [page(), folder(), module(), floppy(), floppy(True), plus(), page("picture"),
            globe(), clipboard(), arrow(True), arrow(False), cross(), gallery()]
    for i, image in enumerate(menu):
        image.save(f"custom_{i}.png")
    for size in (16, 32, 48, 256):
        strip_icon(size).save(f"icon_{size}.png")


if __name__ == "__main__":
    main()
