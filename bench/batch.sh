#!/usr/bin/env bash
# The converter on a batch: 200 pictures like phone photos reduced for sharing (BMP, PNG, JPEG and
# GIF, 640 x 480 to 2048 x 1536, landscape and portrait, none larger than a bitmap may be), a few
# of them broken, converted into a folder with -j 1 and with -j 2. Prints the best of 3 runs of
# each and their ratio (the target on a 2-core machine: -j 2 takes at most 0.55 of -j 1's time),
# and beside them two -j 1 runs of half the pictures each at the same time: what the machine
# gives two processes just then. Fails when a good picture was not converted or a broken one
# not named on standard error.
#
# Usage: bench/batch.sh [RUNS]   (default 3)
# VKD=path/to/vkd picks the binary; otherwise build/native/cli/vkd, built if missing. The
# pictures are made once into build/bench-batch, or VKD_BATCH_PICTURES (by bench/make_photo.py
# and ImageMagick).
set -eu
cd "$(dirname "$0")/.."
runs=${1:-3}
command -v convert >/dev/null || { echo "batch.sh needs ImageMagick's convert" >&2; exit 1; }

vkd=${VKD:-build/native/cli/vkd}
if [ ! -x "$vkd" ]; then
    cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/native --target vkd -j"$(nproc)" >/dev/null
fi

pictures=${VKD_BATCH_PICTURES:-build/bench-batch}
count=200
broken=(p018.jpg p057.png p099.gif p124.bmp p162.jpg p197.png)
if [ ! -f "$pictures/done" ]; then
    rm -rf "$pictures"
    mkdir -p "$pictures/base"
    sizes=(1024x768 1600x1200 768x1024 1280x960 2048x1536 640x480 1152x1536 960x720)
    for size in "${sizes[@]}"; do
        python3 bench/make_photo.py "$pictures/base/$size.bmp" "${size%x*}" "${size#*x}"
        for format in png jpg gif; do
            convert "$pictures/base/$size.bmp" "$pictures/base/$size.$format"
        done
    done
    formats=(bmp png jpg gif)
    for i in $(seq 0 $((count - 1))); do
        format=${formats[i % 4]}
        cp "$pictures/base/${sizes[(i / 4) % 8]}.$format" "$(printf '%s/p%03d.%s' "$pictures" "$i" "$format")"
    done
    # Broken: cut short, not a picture at all, empty, a damaged header.
    head -c 20000 "$pictures/base/1024x768.jpg" >"$pictures/p018.jpg"
    echo "not a picture" >"$pictures/p057.png"
    : >"$pictures/p099.gif"
    printf 'BM\0\0\0\0' >"$pictures/p124.bmp"
    head -c 300 "$pictures/base/640x480.jpg" >"$pictures/p162.jpg"
    head -c 5000 "$pictures/base/960x720.png" >"$pictures/p197.png"
    touch "$pictures/done"
fi
inputs=("$pictures"/p*.*)

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'; }
least() { awk -v t="$1" -v b="$2" 'BEGIN { print (b == "" || t < b) ? t : b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# One run: seconds on standard output; converted and refused pictures checked.
run() {
    rm -f "$out"/*.txt
    local start end
    start=$(date +%s%N)
    "$vkd" -j "$1" -o "$out/" "${inputs[@]}" 2>"$out/messages" && { echo "exit 0 despite broken pictures" >&2; exit 1; }
    end=$(date +%s%N)
    for input in "${inputs[@]}"; do
        name=$(basename "$input")
        if [[ " ${broken[*]} " == *" $name "* ]]; then
            grep -q "^vkd: $input: " "$out/messages" || { echo "$name is not named" >&2; exit 1; }
            [ ! -e "$out/${name%.*}.txt" ] || { echo "$name was written" >&2; exit 1; }
        else
            [ -s "$out/${name%.*}.txt" ] || { echo "$name was not converted" >&2; exit 1; }
        fi
    done
    [ "$(wc -l <"$out/messages")" -eq ${#broken[@]} ] || { cat "$out/messages" >&2; exit 1; }
    seconds "$start" "$end"
}

best() {
    local best="" t
    for _ in $(seq "$runs"); do
        t=$(run "$1")
        best=$(least "$t" "$best")
    done
    echo "$best"
}

# What the machine gives two processes now: each half of the pictures by a -j 1 of its own, at
# the same time. On a busy machine -j 2 cannot beat it.
halves() {
    local start end best=""
    for _ in $(seq "$runs"); do
        rm -f "$out"/*.txt
        start=$(date +%s%N)
        "$vkd" -j 1 -o "$out/" "${inputs[@]:0:count/2}" 2>/dev/null &
        "$vkd" -j 1 -o "$out/" "${inputs[@]:count/2}" 2>/dev/null &
        wait
        end=$(date +%s%N)
        t=$(seconds "$start" "$end")
        best=$(least "$t" "$best")
    done
    echo "$best"
}

one=$(best 1)
two=$(best 2)
apart=$(halves)
echo "| pictures | broken | -j 1 (s) | -j 2 (s) | ratio | two halves apart (s) | their ratio |"
echo "|---|---|---|---|---|---|---|"
echo "| ${#inputs[@]} | ${#broken[@]} | $one | $two | $(ratio "$two" "$one") |" \
     "$apart | $(ratio "$apart" "$one") |"
