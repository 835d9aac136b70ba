#!/usr/bin/env bash
# Times vkd end to end on a 2048 x 1536 photo-like BMP beside two other text-art converters,
# and measures vkd's peak memory. Prints a markdown table.
#
# Usage: bench/vkd_compare.sh [RUNS]     (default 15 runs per command, medians reported)
# VKD=path/to/vkd picks the binary; otherwise build/native/cli/vkd, built if missing.
set -eu
cd "$(dirname "$0")/.."
runs=${1:-15}
targetSpeedup=3
targetMemoryMb=40

need() { # command, Debian package
    command -v "$1" >/dev/null 2>&1 && return
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "installing $2" >&2
    $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$2" >/dev/null
}
need img2txt caca-utils
need chafa chafa
[ -x /usr/bin/time ] || need /usr/bin/time time
need python3 python3

vkd=${VKD:-build/native/cli/vkd}
if [ ! -x "$vkd" ]; then
    cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/native -j "$(nproc)" --target vkd >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photo=$work/photo.bmp
python3 bench/make_photo.py "$photo"

names=("vkd --width 100" "vkd --width 220" "img2txt -W 100 -H 38" "chafa 100 columns")
commands=(
    "$vkd --width 100 $photo"
    "$vkd --width 220 $photo"
    "img2txt -W 100 -H 38 -f utf8 $photo"
    "chafa -f symbols -c none --symbols ascii --fill ascii -s 100x1000 $photo"
)

# Every command must work before it is timed: a fast failure is no result.
for c in "${commands[@]}"; do
    $c >/dev/null || { echo "failed: $c" >&2; exit 1; }
done

# Median, min and max wall time in milliseconds, one line per command.
times_ms() {
    if command -v hyperfine >/dev/null 2>&1; then
        hyperfine -N --warmup 3 --runs "$runs" --export-json "$work/h.json" "$@" >/dev/null 2>&1 ||
            hyperfine --warmup 3 --runs "$runs" --export-json "$work/h.json" "$@" >/dev/null
        python3 - "$work/h.json" <<'EOF'
import json, statistics, sys
for r in json.load(open(sys.argv[1]))["results"]:
    t = r["times"]
    print("%.1f %.1f %.1f" % (statistics.median(t) * 1e3, min(t) * 1e3, max(t) * 1e3))
EOF
    else
        local c i start t
        for c in "$@"; do
            t=()
            for i in $(seq "$runs"); do
                start=$(date +%s%N)
                $c >/dev/null
                t+=($(( ($(date +%s%N) - start) / 1000 )))
            done
            printf '%s\n' "${t[@]}" | sort -n | awk '{a[NR]=$1} END {
                m = NR % 2 ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2
                printf "%.1f %.1f %.1f\n", m/1000, a[1]/1000, a[NR]/1000 }'
        done
    fi
}

peak_mb() { # peak resident set of one run, in MB
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ {printf "%.1f", $2/1024}'
}

mapfile -t timing < <(times_ms "${commands[@]}")

echo "2048 x 1536 24-bit BMP ($(stat -c %s "$photo") bytes), $runs runs each, $(nproc) cores"
echo
echo "| Command | Median ms | Min ms | Max ms | Peak RSS MB |"
echo "|---|---:|---:|---:|---:|"
for i in "${!commands[@]}"; do
    read -r median min max <<<"${timing[$i]}"
    echo "| ${names[$i]} | $median | $min | $max | $(peak_mb ${commands[$i]}) |"
done
echo

read -r img2txtMs _ <<<"${timing[2]}"
status=0
for i in 0 1; do
    read -r vkdMs _ <<<"${timing[$i]}"
    mem=$(peak_mb ${commands[$i]})
    speedup=$(awk -v a="$img2txtMs" -v b="$vkdMs" 'BEGIN {printf "%.1f", a / b}')
    verdict=$(awk -v s="$speedup" -v m="$mem" -v ts=$targetSpeedup -v tm=$targetMemoryMb \
        'BEGIN {print (s >= ts && m <= tm) ? "met" : "MISSED"}')
    [ "$verdict" = met ] || status=1
    echo "- ${names[$i]}: ${speedup}x as fast as img2txt (target ${targetSpeedup}x), peak ${mem} MB (target <= ${targetMemoryMb} MB): $verdict"
done
exit $status
