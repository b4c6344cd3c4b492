#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the BMP test images into tests/data/bmp with independent encoders (ImageMagick and
Pillow), plus a few byte-level rewrites of their files for layouts neither tool writes (52, 56
and 108-byte headers, 40-byte headers with separate masks, 16-bit BI_RGB, top-down rows) and an
RLE4 encoder, since neither tool writes RLE4 (ImageMagick writes RLE8 even for 16 colours).

Next to each NAME.bmp: NAME.rgb, the picture as ImageMagick decodes it (8-bit R G B, top row
first), and NAME.alpha (one byte per pixel) where the file carries alpha. Every rewritten file is
checked to decode, in ImageMagick or Pillow, to the same pixels as the file it came from; every
file is checked against Pillow's decoding too, except the 16-bit ones: Pillow widens 5 and 6-bit
channels by shifting, ImageMagick by repeating the high bits."""
import os
import random
import struct
import subprocess
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "bmp")
WIDTH, HEIGHT = 13, 7
CONVERT = "/usr/bin/convert"


def run(*args):
    return subprocess.run([CONVERT, *args], check=True, capture_output=True).stdout


def source_pixels(rng):
    """Random colours with runs of one colour in some rows, so that RLE has runs to find."""
    pixels = []
    for y in range(HEIGHT):
        row = []
        while len(row) < WIDTH:
            color = tuple(rng.randrange(256) for _ in range(3))
            row.extend([color] * (rng.choice([1, 1, 1, 5]) if y % 2 == 0 else 1))
        pixels.extend(row[:WIDTH])
    return pixels


def save_sources(rng, folder):
    opaque = Image.new("RGB", (WIDTH, HEIGHT))
    opaque.putdata(source_pixels(rng))
    translucent = Image.new("RGBA", (WIDTH, HEIGHT))
    translucent.putdata([c + (rng.choice([0, 255, rng.randrange(256)]),)
                         for c in source_pixels(rng)])
    paths = {"rgb": os.path.join(folder, "rgb.png"), "rgba": os.path.join(folder, "rgba.png")}
    opaque.save(paths["rgb"])
    translucent.save(paths["rgba"])
    return paths


def imagemagick(source, target, *options):
    run(source, *options, target)
    return target.split(":", 1)[1]


# --- header access -------------------------------------------------------------------------

def header_size(data):
    return struct.unpack_from("<I", data, 14)[0]


def info_fields(data):
    """width, height, bit count, compression of a 40-byte-or-larger header."""
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    return width, height, bits, compression


def bits_offset(data):
    return struct.unpack_from("<I", data, 10)[0]


def file_with(dib_header, extra, pixels):
    """A bitmap file: file header, info header, masks or colour table, then the pixels."""
    offset = 14 + len(dib_header) + len(extra)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + dib_header +
            extra + pixels)


def resized_header(data, size):
    """The first `size` bytes of the file's info header with its size field changed; a 40-byte
    header taken from a larger one keeps its mask words outside of it."""
    header = bytearray(data[14:14 + size])
    header[0:4] = struct.pack("<I", size)
    return bytes(header)


def table_and_pixels(data):
    start = 14 + header_size(data)
    return data[start:bits_offset(data)], data[bits_offset(data):]


# --- rewrites ------------------------------------------------------------------------------

def with_header_size(data, size):
    """A bit-field or plain file moved to a header of `size` bytes (40, 52, 56 or 108)."""
    table, pixels = table_and_pixels(data)
    old = data[14:14 + header_size(data)]
    masks = old[40:52] if info_fields(data)[3] == 3 and size == 40 else b""
    return file_with(resized_header(data, size), masks + table, pixels)


def as_plain_rgb(data):
    """A 5-5-5 bit-field file rewritten as BI_RGB with a 40-byte header (the same pixels)."""
    header = bytearray(resized_header(data, 40))
    header[16:20] = struct.pack("<I", 0)
    return file_with(bytes(header), b"", table_and_pixels(data)[1])


def as_top_down(data):
    width, height, bits, _ = info_fields(data)
    stride = (width * bits + 31) // 32 * 4
    header = bytearray(data[14:14 + header_size(data)])
    header[8:12] = struct.pack("<i", -height)
    table, pixels = table_and_pixels(data)
    rows = [pixels[i * stride:(i + 1) * stride] for i in range(height)]
    return file_with(bytes(header), table, b"".join(reversed(rows)))


# --- RLE4 ----------------------------------------------------------------------------------

def alternating_run(row, start):
    """Length of the run from `start` that repeats the pair row[start], row[start + 1]."""
    length = 1
    while (start + length < len(row) and length < 255 and
           row[start + length] == row[start + length % 2]):
        length += 1
    return length


def packed_nibbles(indices):
    padded = indices + [0] * (len(indices) % 2)
    return bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))


def rle4_row(row):
    out = bytearray()
    i = 0
    while i < len(row):
        run = alternating_run(row, i)
        if run >= 4 or len(row) - i < 3:
            out += bytes([run, (row[i] << 4) | (row[i + 1] if run > 1 else 0)])
            i += run
            continue
        end = i + 3
        while end < len(row) and alternating_run(row, end) < 4:
            end += 1
        literal = packed_nibbles(row[i:end])
        out += bytes([0, end - i]) + literal + b"\0" * (len(literal) % 2)
        i = end
    return bytes(out)


def rle4_file(rng):
    """A 4-bit RLE file: runs of one colour, alternating pairs and odd-length literals."""
    palette = [tuple(rng.randrange(256) for _ in range(3)) for _ in range(16)]
    rows = []
    for y in range(HEIGHT):
        if y % 3 == 0:
            rows.append([rng.randrange(16) for _ in range(WIDTH)])
        elif y % 3 == 1:
            a, b = rng.randrange(16), rng.randrange(16)
            rows.append([a] * 5 + [b, a] * 3 + [rng.randrange(16) for _ in range(2)])
        else:
            rows.append([rng.randrange(16)] * 4 + [rng.randrange(16) for _ in range(WIDTH - 4)])
    stream = b"\0\0".join(rle4_row(row) for row in reversed(rows)) + b"\0\1"
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 2, len(stream), 0, 0, 16, 0)
    table = b"".join(bytes([b, g, r, 0]) for r, g, b in palette)
    expected = bytes(c for row in rows for index in row for c in palette[index])
    return file_with(header, table, stream), expected


# --- references ----------------------------------------------------------------------------

def decode_imagemagick(path, channels):
    return run(path, "-depth", "8", channels + ":-")


def decode_pillow(path):
    with Image.open(path) as image:
        return image.convert("RGBA").tobytes()


def reads_like(path, original, has_alpha):
    """True when at least one decoder reads the rewritten file, and each that does gives the
    colours (and alpha, when the file has it) that it gives for the original. ImageMagick finds
    alpha in 52-byte headers that have none."""
    readers = 0
    for decode in (decode_pillow, lambda p: decode_imagemagick(p, "rgba")):
        try:
            pixels = decode(path)
        except (OSError, subprocess.CalledProcessError):
            continue
        expected = decode(original)
        if not has_alpha:
            pixels, expected = rgb_of(pixels), rgb_of(expected)
        if pixels != expected:
            return False
        readers += 1
    return readers > 0


def rgb_of(rgba):
    return bytes(b for i, b in enumerate(rgba) if i % 4 != 3)


def write_reference(name, has_alpha, same_as=None, check_pillow=True, pillow_alpha=True):
    path = os.path.join(OUT, name + ".bmp")
    if same_as is not None:
        assert reads_like(path, os.path.join(OUT, same_as + ".bmp"), has_alpha), name
    rgba = decode_imagemagick(path, "rgba")
    if check_pillow:
        pillow = decode_pillow(path)
        assert rgb_of(pillow) == rgb_of(rgba), name
        assert not (has_alpha and pillow_alpha) or pillow[3::4] == rgba[3::4], name
    with open(os.path.join(OUT, name + ".rgb"), "wb") as out:
        out.write(rgb_of(rgba))
    if has_alpha:
        with open(os.path.join(OUT, name + ".alpha"), "wb") as out:
            out.write(rgba[3::4])


def write(name, data):
    with open(os.path.join(OUT, name + ".bmp"), "wb") as out:
        out.write(data)


def read(name):
    with open(os.path.join(OUT, name + ".bmp"), "rb") as source:
        return source.read()


def pillow_palette_image(rng, colors):
    image = Image.new("P", (WIDTH, HEIGHT))
    image.putpalette(bytes(rng.randrange(256) for _ in range(3 * colors)))
    image.putdata([rng.randrange(colors) for _ in range(WIDTH * HEIGHT)])
    return image


def imagemagick_fixtures(src):
    made = [
        ("d1", src["rgb"], "BMP3", ["-colors", "2"], False),
        ("d4", src["rgb"], "BMP3", ["-colors", "12"], False),
        ("d24", src["rgb"], "BMP3", [], False),
        ("d24_v5", src["rgb"], "BMP", [], False),
        ("rle8", src["rgb"], "BMP3", ["-colors", "200", "-compress", "RLE"], False),
        ("core4", src["rgb"], "BMP2", ["-colors", "12"], False),
        ("core24", src["rgb"], "BMP2", [], False),
        ("bf16_555_v5", src["rgb"], "BMP", ["-define", "bmp:subtype=RGB555"], False),
        ("bf16_565_v5", src["rgb"], "BMP", ["-define", "bmp:subtype=RGB565"], False),
        ("bf16_4444_v5", src["rgba"], "BMP", ["-define", "bmp:subtype=ARGB4444"], True),
        ("bf32_v5", src["rgba"], "BMP", [], True),
    ]
    for name, source, writer, options, has_alpha in made:
        imagemagick(source, writer + ":" + os.path.join(OUT, name + ".bmp"), *options)
        write_reference(name, has_alpha, check_pillow="bf16" not in name)


def pillow_fixtures(rng, src):
    pillow_palette_image(rng, 256).save(os.path.join(OUT, "d8.bmp"))
    pillow_palette_image(rng, 20).save(os.path.join(OUT, "d8_short.bmp"))
    with Image.open(src["rgba"]) as image:
        image.save(os.path.join(OUT, "d32.bmp"))
    write_reference("d8", False)
    write_reference("d8_short", False)
    # Pillow reads 32-bit BI_RGB without alpha; ImageMagick's alpha must be the one written.
    write_reference("d32", True, pillow_alpha=False)
    with Image.open(src["rgba"]) as image:
        assert decode_imagemagick(os.path.join(OUT, "d32.bmp"), "rgba") == image.tobytes()


def rewritten_fixtures():
    rewrites = [
        ("d16_555", as_plain_rgb(read("bf16_555_v5")), "bf16_555_v5", False),
        ("bf16_565_40", with_header_size(read("bf16_565_v5"), 40), "bf16_565_v5", False),
        ("bf16_565_52", with_header_size(read("bf16_565_v5"), 52), "bf16_565_v5", False),
        ("bf32_56", with_header_size(read("bf32_v5"), 56), "bf32_v5", True),
        ("bf32_v4", with_header_size(read("bf32_v5"), 108), "bf32_v5", True),
        ("d24_v4", with_header_size(read("d24_v5"), 108), "d24_v5", False),
        ("td24", as_top_down(read("d24")), "d24", False),
        ("td8", as_top_down(read("d8")), "d8", False),
        ("td32_v5", as_top_down(read("bf32_v5")), "bf32_v5", True),
    ]
    for name, data, original, has_alpha in rewrites:
        write(name, data)
        write_reference(name, has_alpha, same_as=original, check_pillow=False)


def rle4_fixture(rng):
    data, expected = rle4_file(rng)
    write("rle4", data)
    path = os.path.join(OUT, "rle4.bmp")
    # Pillow 9 reads one byte too few for odd-length RLE4 literals, so only ImageMagick checks.
    assert decode_imagemagick(path, "rgb") == expected
    write_reference("rle4", False, check_pillow=False)


def main():
    os.makedirs(OUT, exist_ok=True)
    for old in os.listdir(OUT):
        os.remove(os.path.join(OUT, old))
    rng = random.Random(20240611)
    with tempfile.TemporaryDirectory() as folder:
        src = save_sources(rng, folder)
        imagemagick_fixtures(src)
        pillow_fixtures(rng, src)
    rewritten_fixtures()
    rle4_fixture(rng)


if __name__ == "__main__":
    main()
