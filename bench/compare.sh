#!/usr/bin/env bash
# The converter's speed end to end, as processes, beside other text-art converters on the same
# files, with alternating runs (bench/timing.py). Prints markdown tables:
#   1. a 2048 x 1536 photo-like BMP (24-bit) at 100 and 220 columns against img2txt;
#   2. the same picture as 8-bit palette, RLE8 and 32-bit bit-field BMPs;
#   3. a 4000 x 3000 JPEG and a 2560 x 1600 PNG against jp2a and chafa;
#   4. how the time grows with the picture's size and with the width.
#
# Usage: bench/compare.sh [RUNS]     (default 21 rounds; medians reported)
# VKD=path/to/vkd picks the binary; otherwise build/native/cli/vkd, built if missing.
# Pictures are made once into build/bench-pictures (by bench/make_photo.py and ImageMagick).
set -eu
cd "$(dirname "$0")/.."
runs=${1:-21}

need() { # command, Debian package
    command -v "$1" >/dev/null 2>&1 && return
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "installing $2" >&2
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$2" >/dev/null
}
need img2txt caca-utils
need chafa chafa
need jp2a jp2a
need convert imagemagick
need python3 python3

vkd=${VKD:-build/native/cli/vkd}
if [ ! -x "$vkd" ]; then
    cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/native -j "$(nproc)" --target vkd >/dev/null
fi

pics=build/bench-pictures
mkdir -p "$pics"
picture() { # file, width, height, format
    [ -f "$pics/$1" ] || python3 bench/make_photo.py "$pics/$1" "$2" "$3" "$4"
}
picture photo24.bmp 2048 1536 24
picture photo8.bmp 2048 1536 8
picture photo-rle8.bmp 2048 1536 rle8
picture photo32.bmp 2048 1536 32
picture phone.bmp 4000 3000 24
picture screen.bmp 2560 1600 24
[ -f "$pics/phone.jpg" ] || convert "$pics/phone.bmp" -quality 90 "$pics/phone.jpg"
[ -f "$pics/screen.png" ] || convert "$pics/screen.bmp" "$pics/screen.png"
for size in 64x48 128x96 256x192 512x384 1024x768; do
    picture "photo-$size.bmp" "${size%x*}" "${size#*x}" 24
done

chafa100() { echo "chafa -f symbols -c none --symbols ascii --fill ascii -s 100x1000 $1"; }

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $runs rounds"
echo
echo "### 2048 x 1536 24-bit BMP"
python3 bench/timing.py "$runs" \
    vkd --width 100 -- $vkd --width 100 "$pics/photo24.bmp" ";;" \
    vkd --width 220 -- $vkd --width 220 "$pics/photo24.bmp" ";;" \
    img2txt -W 100 -- img2txt -W 100 -H 38 -f utf8 "$pics/photo24.bmp"
echo
echo "### The same picture in other BMP layouts, 100 columns"
python3 bench/timing.py "$runs" \
    24-bit -- $vkd --width 100 "$pics/photo24.bmp" ";;" \
    8-bit palette -- $vkd --width 100 "$pics/photo8.bmp" ";;" \
    RLE8 -- $vkd --width 100 "$pics/photo-rle8.bmp" ";;" \
    32-bit bit fields -- $vkd --width 100 "$pics/photo32.bmp"
echo
beside_jp2a_and_chafa() { # TITLE PICTURE
    echo "### $1, 100 columns"
    python3 bench/timing.py "$runs" \
        vkd -- $vkd --width 100 "$2" ";;" \
        jp2a -- jp2a --width=100 "$2" ";;" \
        chafa -- $(chafa100 "$2")
}
beside_jp2a_and_chafa "4000 x 3000 JPEG" "$pics/phone.jpg"
echo
beside_jp2a_and_chafa "2560 x 1600 PNG" "$pics/screen.png"
echo
echo "### Refused before decoding: a 1 KB PNG claiming 30000 x 30000 (vkd exits 1)"
bomb=tests/data/pictures/bomb-30000x30000.png
python3 bench/timing.py "$runs" --allow-failure \
    "vkd, $(stat -c %s "$bomb") bytes" -- $vkd "$bomb"
echo
echo "### Time against the picture's size (24-bit BMP, 100 columns)"
args=()
for size in 64x48 128x96 256x192 512x384 1024x768; do
    args+=("$size" -- $vkd --width 100 "$pics/photo-$size.bmp" ";;")
done
args+=(2048x1536 -- $vkd --width 100 "$pics/photo24.bmp")
python3 bench/timing.py "$runs" "${args[@]}"
echo
echo "### Time against the width (2048 x 1536 24-bit BMP)"
args=()
for width in 20 60 100 160; do
    args+=("$width columns" -- $vkd --width "$width" "$pics/photo24.bmp" ";;")
done
args+=("220 columns" -- $vkd --width 220 "$pics/photo24.bmp")
python3 bench/timing.py "$runs" "${args[@]}"
