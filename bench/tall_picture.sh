#!/usr/bin/env bash
# Times the converter on 1-pixel-wide PNG pictures of growing height: the reduction to the
# source surface must take time in proportion to the rows that come in (a doubled height, about
# double the time), and the tallest a PNG may be, 1 x 1,000,000, within 2 seconds.
# Usage: bench/tall_picture.sh [RUNS]   (VKD: the converter, default build/native/cli/vkd)
set -eu
cd "$(dirname "$0")/.."
vkd="${VKD:-build/native/cli/vkd}"
runs="${1:-3}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT

# 1-bit grey, one pixel a row, rows alternating black and white in runs of 1000 rows.
python3 - "$dir" <<'EOF'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
for height in (125000, 250000, 500000, 1000000):
    rows = b"".join((b"\x00\x00" if (y // 1000) % 2 else b"\x00\x80") for y in range(0, 2000))
    raw = rows * (height // 2000) + rows[: 2 * (height % 2000)]
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, height, 1, 0, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    open(f"{sys.argv[1]}/1x{height}.png", "wb").write(png)
EOF

args=()
for f in "$dir"/1x125000.png "$dir"/1x250000.png "$dir"/1x500000.png "$dir"/1x1000000.png; do
    name="$(basename "$f" .png)"
    args+=("$name" -- "$vkd" --width 20 -o /dev/null "$f" ";;")
done
bench/timing.py "$runs" "${args[@]}"

# The goal, once more on its own: processor time (user and system), which other work on a
# shared machine does not stretch as it does the wall time above.
read -r wall cpu < <(/usr/bin/time -f "%e %U %S" "$vkd" --width 20 -o /dev/null \
    "$dir/1x1000000.png" 2>&1 >/dev/null | tail -1 | awk '{print $1, $2 + $3}')
echo "1 x 1000000: ${wall} s wall, ${cpu} s processor (goal: under 2 s)"
awk -v t="$cpu" 'BEGIN { exit !(t < 2) }'
