#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the images that resources.rc puts into the test module. Run from this folder.
set -euo pipefail
convert=/usr/bin/convert
# Strips of three 16 x 16 cells framed in magenta: red, blue and green squares.
$convert -size 16x16 xc:magenta -fill red -draw 'rectangle 2,2 13,13' \
    \( -size 16x16 xc:magenta -fill blue -draw 'rectangle 2,2 13,13' \) \
    \( -size 16x16 xc:magenta -fill lime -draw 'rectangle 2,2 13,13' \) +append strip.png
$convert strip.png -type Palette BMP3:strip4.bmp
/usr/bin/python3 - <<'PY'
from PIL import Image
strip = Image.open("strip.png").convert("RGB")
strip.quantize(colors=256).save("strip8.bmp")
strip.save("strip24.bmp")
alpha = Image.new("RGBA", (32, 16), (0, 0, 0, 0))
alpha.paste((0, 0, 255, 128), (2, 2, 14, 14))
alpha.paste((255, 0, 0, 255), (18, 2, 30, 14))
alpha.save("strip32.bmp")
PY
rm strip.png
# An icon with 16, 32 and 48 pixel images and a 256 pixel PNG image; a cursor.
for size in 16 32 48 256; do
    $convert -size ${size}x${size} xc:none -fill orange \
        -draw "circle $((size / 2)),$((size / 2)) $((size / 2)),2" icon$size.png
done
$convert icon16.png icon32.png icon48.png icon256.png multi.ico
# The cursor: a one-image icon turned into a cursor file (type 2, hot spot 2,2 in place of the
# planes and bit count).
$convert -size 32x32 xc:none -fill black -draw 'polygon 2,2 2,28 20,20' arrow.ico
/usr/bin/python3 - <<'PY'
import struct
data = bytearray(open("arrow.ico", "rb").read())
struct.pack_into("<H", data, 2, 2)
struct.pack_into("<HH", data, 10, 2, 2)
open("arrow.cur", "wb").write(data)
PY
rm arrow.ico icon16.png icon32.png icon48.png icon256.png
