#!/usr/bin/env bash
# The converter on every hostile picture (scripts/make-test-pictures.py --hostile): natively,
# and through vkd.exe under Wine where the Windows tree is built. Each must be refused or
# converted within 2 s of CPU and 256 MiB, and both builds must give the same verdict (exit
# status and message). Prints one markdown table; exits 1 when a bound is passed or the builds
# disagree. Under Wine the CPU and memory are those of the Wine process (its start-up included;
# the wineserver's own are not).
#
# Then screenshots opened from the clipboard (bench/clipboard_peak.cpp, the window's loading of a
# DIB where it lies), each within 256 MiB with the DIB itself.
#
# Usage: bench/hostile.sh   (VKD, VKD_EXE: the converters, by default build/native/cli/vkd and
# build/windows/cli/vkd.exe; CLIPBOARD_PEAK, by default build/bench/bench/clipboard_peak, built
# with -DVKD_BENCHMARKS=ON; the pictures are made once into build/bench-hostile, or
# VKD_HOSTILE_PICTURES)
set -eu
cd "$(dirname "$0")/.."
vkd=${VKD:-build/native/cli/vkd}
exe=${VKD_EXE:-build/windows/cli/vkd.exe}
pictures=${VKD_HOSTILE_PICTURES:-build/bench-hostile}
if [ ! -f "$pictures/done" ]; then
    mkdir -p "$pictures"
    scripts/make-test-pictures.py --hostile "$pictures"
    touch "$pictures/done"
fi
wine=
if [ -x "$exe" ] && [ -x /usr/lib/wine/wine64 ]; then
    export VKD_ROOT=$PWD
    # shellcheck source=/dev/null
    source scripts/wine-session
    wine=/usr/lib/wine/wine64
fi
export LC_ALL=ja_JP.UTF-8 # both builds word their messages alike
work=$(mktemp -d)
trap 'rm -rf "$work"; [ -z "$wine" ] || wine_session_stop' EXIT

# One run: "exit cpu-seconds peak-MiB message" of the converter on a picture.
run() {
    local name=$1
    shift
    /usr/bin/time -f "%x %U %S %M" -o "$work/time" "$@" --width 40 -o "$work/out.txt" \
        "$pictures/$name" >/dev/null 2>"$work/err" || true
    local message
    message=$(tr -d '\r' <"$work/err" | sed -e "s|^vkd: [^:]*$name: ||" | tr '\n' ' ')
    awk -v m="$message" 'END { printf "%d %.2f %.0f %s\n", $1, $2 + $3, $4 / 1024, m }' "$work/time"
}

failed=0
echo "| Picture | Exit | CPU s | Peak MiB | Windows exit | CPU s | Peak MiB | Verdict |"
echo "|---|---:|---:|---:|---:|---:|---:|---|"
for path in "$pictures"/*.*; do
    name=$(basename "$path")
    read -r code cpu mib message < <(run "$name" "$vkd") || true
    verdict=${message:-converted}
    over=$(awk -v c="$cpu" -v m="$mib" 'BEGIN { print (c > 2 || m > 256) ? 1 : 0 }')
    wcode=- wcpu=- wmib=-
    if [ -n "$wine" ]; then
        read -r wcode wcpu wmib wmessage < <(run "$name" "$wine" "$exe") || true
        over=$(awk -v o="$over" -v c="$wcpu" -v m="$wmib" 'BEGIN { print (o || c > 2 || m > 256) ? 1 : 0 }')
        if [ "$wcode" != "$code" ] || [ "$wmessage" != "$message" ]; then
            verdict="DIFFERENT: $verdict / ${wmessage:-converted}"
            failed=1
        fi
    fi
    [ "$over" = 0 ] || { verdict="OVER BOUND: $verdict"; failed=1; }
    echo "| $name | $code | $cpu | $mib | $wcode | $wcpu | $wmib | $verdict |"
done

peak=${CLIPBOARD_PEAK:-build/bench/bench/clipboard_peak}
if [ -x "$peak" ]; then
    echo
    for size in "11520 2160" "7680 4320" "6000 6000"; do
        # shellcheck disable=SC2086
        line=$("$peak" $size || true)
        echo "- $line"
        mib=$(echo "$line" | sed -e 's/.*peak \([0-9]*\) MiB/\1/')
        [ "$mib" -le 256 ] || failed=1
    done
fi
exit $failed
