#!/usr/bin/env bash
# Builds 24-bit and 32-bit strips of 1000 32 x 32 RGBA PNG icons with tilewright-cli (Release
# build) and with ImageMagick, and prints the time and peak memory of each.
# Usage: bench/strip-build.sh [ICON_COUNT]
set -euo pipefail
cd "$(dirname "$0")/.."

count=${1:-1000}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTILEWRIGHT_TESTS=OFF \
  -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=OFF >/dev/null
cmake --build build-bench --target tilewright-cli >/dev/null
cli=build-bench/src/tilewright-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work" "$count" <<'PY'
import random, sys
from PIL import Image, ImageDraw
folder, count = sys.argv[1], int(sys.argv[2])
random.seed(7)
with open(f"{folder}/list.txt", "w") as listing:
    for i in range(count):
        icon = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
        draw = ImageDraw.Draw(icon)
        for _ in range(4):
            box = sorted(random.sample(range(32), 2)), sorted(random.sample(range(32), 2))
            colour = tuple(random.randrange(256) for _ in range(3)) + (random.choice([96, 160, 255]),)
            draw.ellipse((box[0][0], box[1][0], box[0][1], box[1][1]), fill=colour)
        path = f"{folder}/icon{i:04d}.png"
        icon.save(path)
        listing.write(path + "\n")
PY

# Prints "<label> <seconds> s <peak> MiB" from /usr/bin/time -v of the command.
measure() {
  local label=$1
  shift
  /usr/bin/time -v "$@" 2>"$work/time.txt" >/dev/null
  local seconds peak
  seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, t, ":"); s = 0;
            for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s}' "$work/time.txt")
  peak=$(awk -F': ' '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' "$work/time.txt")
  printf '%-34s %8.2f s %8s MiB\n' "$label" "$seconds" "$peak"
}

# Debian's ImageMagick policy stops at 16000 pixels wide; a strip of 1000 icons is 32000.
cat >"$work/policy.xml" <<'XML'
<policymap>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="area" value="1GP"/>
  <policy domain="resource" name="memory" value="2GiB"/>
</policymap>
XML
export MAGICK_CONFIGURE_PATH="$work"

mapfile -t icons <"$work/list.txt"
echo "$count icons of 32 x 32"
measure "tilewright-cli, 24 bits" "$cli" build --quiet --cell 32x32 --depth 24 --alpha preserve \
  --from-list "$work/list.txt" -o "$work/cli24.bmp"
measure "ImageMagick, 24 bits (flattened)" /usr/bin/convert "${icons[@]}" +append \
  -background '#ff00ff' -flatten BMP3:"$work/im24.bmp"
measure "tilewright-cli, 32 bits" "$cli" build --quiet --cell 32x32 --depth 32 \
  --from-list "$work/list.txt" -o "$work/cli32.bmp"
measure "ImageMagick, 32 bits" /usr/bin/convert "${icons[@]}" +append BMP:"$work/im32.bmp"
