#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds a strip of eight run-length bitmaps of 220 bytes that each declare 8192 x 8192 pixels
# (256 MiB decoded) with one worker and with eight, and prints the median time and peak memory
# of each; the two strips must be the same bytes.
# Usage: bench/large-decodes.sh [RUNS] [BUILD-FOLDER]   (a Release build of tilewright-cli)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
build=${2:-build-bench}
if [[ ! -x $build/src/tilewright-cli ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTILEWRIGHT_TESTS=OFF >/dev/null
  cmake --build "$build" --target tilewright-cli >/dev/null
fi
cli=$build/src/tilewright-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work" <<'PY'
import struct, sys
for i in range(8):
    palette = bytes([0, 0, 0, 0, 30 * i, 0, 255 - 30 * i, 0])
    data = bytes([255, 1, 255, 1, 0, 0]) * 8 + bytes([0, 1])
    data += bytes(220 - 62 - len(data))
    info = struct.pack("<IiiHHIIiiII", 40, 8192, 8192, 1, 8, 1, len(data), 2835, 2835, 2, 0)
    head = struct.pack("<2sIHHI", b"BM", 220, 0, 0, 62)
    open(f"{sys.argv[1]}/rle{i}.bmp", "wb").write(head + info + palette + data)
PY

printf '%5s | %9s %9s\n' jobs seconds "peak MiB"
for jobs in 1 8; do
  : >"$work/rec"
  for ((run = 0; run < runs; ++run)); do
    start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/peak" "$cli" build --quiet --cell 16x16 --jobs "$jobs" \
      -o "$work/j$jobs.bmp" "$work"/rle?.bmp
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v p="$(cat "$work/peak")" 'BEGIN {print e - s, p}' >>"$work/rec"
  done
  sort -g -k1 "$work/rec" | awk -v j="$jobs" '{t[NR] = $1} END {m = int((NR + 1) / 2); printf "%5s | %8.2fs", j, t[m]}'
  sort -g -k2 "$work/rec" | awk '{p[NR] = $2} END {m = int((NR + 1) / 2); printf " %9.0f\n", p[m] / 1024}'
done
cmp "$work/j1.bmp" "$work/j8.bmp" && echo "the strips of 1 and 8 workers are the same bytes"
