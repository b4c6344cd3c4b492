#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds 24-bit and 32-bit strips of three sets of RGBA PNG icons (1000 of 32 x 32, 10,000 of
# 16 x 16, 200 of 256 x 256) with tilewright-cli (Release build; one worker and the default),
# ImageMagick's convert +append, a short Pillow script and the floor (bench/strip-floor.c: read
# and inflate every icon, write a file of the strip's size, sync it once), in interleaved runs.
# Prints the median times, tilewright-cli's as multiples of the floor, its peak memory against
# the memory allowed to it (twice the strip's pixel bytes plus 24 MiB), and how many times
# slower ImageMagick and Pillow are than tilewright-cli's default.
# Usage: bench/strip-build.sh [RUNS] [SET...]
#   a SET is COUNTxSIZE (e.g. 1000x32: generated icons) or the path of a file that lists PNG
#   icons of one size, one a line (e.g. real theme icons).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
shift || true
sets=("$@")
[[ ${#sets[@]} -gt 0 ]] || sets=(1000x32 10000x16 200x256)
python=/usr/bin/python3
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTILEWRIGHT_TESTS=OFF \
  -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=OFF >/dev/null
cmake --build build-bench --target tilewright-cli >/dev/null
cli=build-bench/src/tilewright-cli
floor=build-bench/strip-floor
cc -O2 -o "$floor" bench/strip-floor.c -lz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# COUNT icons of SIZE x SIZE into FOLDER, listed in FOLDER/list.txt.
make_icons() {
  "$python" - "$1" "$2" "$3" <<'PY'
import os, random, sys
from PIL import Image, ImageDraw
folder, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
os.makedirs(folder, exist_ok=True)
random.seed(7)
with open(f"{folder}/list.txt", "w") as listing:
    for i in range(count):
        icon = Image.new("RGBA", (size, size), (0, 0, 0, 0))
        draw = ImageDraw.Draw(icon)
        for _ in range(4):
            box = sorted(random.sample(range(size), 2)), sorted(random.sample(range(size), 2))
            colour = tuple(random.randrange(256) for _ in range(3)) + (random.choice([96, 160, 255]),)
            draw.ellipse((box[0][0], box[1][0], box[0][1], box[1][1]), fill=colour)
        path = f"{folder}/icon{i:05d}.png"
        icon.save(path)
        listing.write(path + "\n")
PY
}

# Pastes the decoded icons side by side into one image and saves it as a bitmap: at 24 bits
# blended over magenta, at 32 bits with their alpha.
cat >"$work/pillow.py" <<'PY'
import sys
from PIL import Image
depth, listing, out = sys.argv[1], sys.argv[2], sys.argv[3]
paths = open(listing).read().split()
with Image.open(paths[0]) as first:
    width, height = first.size
if depth == "24":
    strip = Image.new("RGB", (width * len(paths), height), (255, 0, 255))
else:
    strip = Image.new("RGBA", (width * len(paths), height), (0, 0, 0, 0))
for i, path in enumerate(paths):
    with Image.open(path) as icon:
        icon = icon.convert("RGBA")
        strip.paste(icon, (i * width, 0), icon if depth == "24" else None)
strip.save(out, "BMP")
PY

# Debian's ImageMagick policy stops at 16000 pixels wide; the strips here reach 160000.
cat >"$work/policy.xml" <<'XML'
<policymap>
  <policy domain="resource" name="width" value="256KP"/>
  <policy domain="resource" name="area" value="1GP"/>
  <policy domain="resource" name="memory" value="2GiB"/>
</policymap>
XML
export MAGICK_CONFIGURE_PATH="$work"

# Appends "<seconds> <peak KiB>" of one run of the command to the file named first.
measure() {
  local record=$1
  shift
  local start end
  start=$(date +%s.%N)
  /usr/bin/time -f '%M' -o "$work/peak.txt" "$@" >/dev/null 2>"$work/stderr.txt" ||
    { cat "$work/stderr.txt" >&2; return 1; }
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" -v p="$(cat "$work/peak.txt")" 'BEGIN {print e - s, p}' >>"$record"
}

# The median of column N of a file.
median() {
  sort -g -k"$2" "$1" | awk -v n="$2" '{v[NR] = $n} END {print v[int((NR + 1) / 2)]}'
}

# The size of the first icon of a list.
icon_size() {
  "$python" -c 'import sys; from PIL import Image; print(Image.open(sys.argv[1]).size[0])' "$1"
}

printf '%-12s %5s | %7s | %17s | %17s %7s | %8s | %9s %6s | %9s %6s\n' set depth floor \
  "tilewright -j1" "tilewright" MiB "MiB max" ImageMagick ratio Pillow ratio
for set in "${sets[@]}"; do
  if [[ -f $set ]]; then
    folder=$work/listed
    mkdir -p "$folder"
    cp "$set" "$folder/list.txt"
    mapfile -t icons <"$folder/list.txt"
    count=${#icons[@]} size=$(icon_size "${icons[0]}")
  else
    count=${set%x*} size=${set#*x}
    folder=$work/icons$set
    make_icons "$folder" "$count" "$size"
    mapfile -t icons <"$folder/list.txt"
  fi
  for depth in 24 32; do
    rm -f "$work"/*.rec
    if [[ $depth == 24 ]]; then
      tilewright=("$cli" build --quiet --cell "${size}x${size}" --depth 24 --alpha preserve
        --from-list "$folder/list.txt" -o "$work/cli.bmp")
      # +append keeps the first icon's page, which -flatten would crop the strip to.
      magick=(/usr/bin/convert "${icons[@]}" +append +repage -background '#ff00ff' -flatten
        BMP3:"$work/im.bmp")
    else
      tilewright=("$cli" build --quiet --cell "${size}x${size}" --depth 32
        --from-list "$folder/list.txt" -o "$work/cli.bmp")
      magick=(/usr/bin/convert "${icons[@]}" +append BMP:"$work/im.bmp")
    fi
    pillow=("$python" "$work/pillow.py" "$depth" "$folder/list.txt" "$work/pil.bmp")
    # ImageMagick takes the icons on its command line, which a long list does not fit on (and
    # Debian's policy refuses a list file): such a set is timed without it.
    listBytes=$(wc -c <"$folder/list.txt")
    for ((run = 0; run < runs; ++run)); do
      measure "$work/floor.rec" "$floor" "$depth" "$folder/list.txt" "$work/floor.bmp"
      measure "$work/one.rec" "${tilewright[@]}" --jobs 1
      measure "$work/cli.rec" "${tilewright[@]}"
      ((listBytes > 1000000)) || measure "$work/im.rec" "${magick[@]}"
      measure "$work/pil.rec" "${pillow[@]}"
    done
    stripBytes=$((size * ((count * size * depth / 8 + 3) / 4 * 4)))
    floorTime=$(median "$work/floor.rec" 1) oneTime=$(median "$work/one.rec" 1)
    cliTime=$(median "$work/cli.rec" 1) cliPeak=$(median "$work/cli.rec" 2)
    imTime=0 pilTime=$(median "$work/pil.rec" 1)
    [[ -s $work/im.rec ]] && imTime=$(median "$work/im.rec" 1)
    awk -v set="$(basename "$set")" -v d="$depth" -v ft="$floorTime" -v ot="$oneTime" \
      -v ct="$cliTime" -v cp="$cliPeak" -v it="$imTime" -v pt="$pilTime" -v sb="$stripBytes" '
      BEGIN {
        im = it > 0 ? sprintf("%8.3fs %5.1fx", it, it / ct) : sprintf("%16s", "n/a")
        printf "%-12s %5s | %6.3fs | %7.3fs (%4.1fx) | %7.3fs (%4.1fx) %7.1f | %8.1f | %s | %8.3fs %5.1fx\n",
          set, d, ft, ot, ot / ft, ct, ct / ft, cp / 1024, (2 * sb) / 1048576 + 24, im,
          pt, pt / ct }'
  done
  rm -rf "$folder"
done
