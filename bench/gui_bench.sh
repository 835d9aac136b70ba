#!/usr/bin/env bash
# Times the window's Open and Convert under Wine, inside the process (gui_tests --benchmark):
# Open of a 2048 x 1536 photo until both previews are on the pane, and Convert of the largest
# text picture (118 x 512, 61,440 bytes) until the editor has painted it. Prints a markdown table
# of medians with the load average.
#
# Usage: bench/gui_bench.sh [RUNS]     (default 15 runs of each, medians reported)
# VKD_WINDOWS_DIR picks the Windows build tree (default build/windows; configured and built here
# when needed); VKD_WINEPREFIX the Wine prefix (default build/wineprefix).
#
# Each figure is measured twice: with an X resource database, as every desktop session loads one,
# and on the bare Xvfb the tests use. Without one, Xlib looks for ~/.Xdefaults again each time
# Wine selects a font into a window's DC, which the editor does twice per line.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
targetMs=50
windowsDir=${VKD_WINDOWS_DIR:-build/windows}

if [ ! -f "$windowsDir/CMakeCache.txt" ]; then
    cmake -S . -B "$windowsDir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
fi
cmake --build "$windowsDir" -j "$(nproc)" --target gui_tests >/dev/null
exe=$(cd "$windowsDir/tests/gui" && pwd)/gui_tests.exe

export VKD_ROOT=$PWD
# shellcheck source=../scripts/wine-session
source scripts/wine-session # private Xvfb and wineserver, stopped on exit

work=$(mktemp -d)
trap 'rm -rf "$work"; wine_session_stop' EXIT
echo "Velkorandite.benchmark: on" >"$work/xresources"

loadBefore=$(cut -d' ' -f1-3 /proc/loadavg)
measure() { # output name; the program's own lines end in CR LF
    scripts/wine-run "$exe" --benchmark "$runs" | tr -d '\r' >"$work/$1.txt"
}
status=0 # a failed check still shows the table, then fails the script
(export XENVIRONMENT="$work/xresources" && measure resources) || status=1
(unset XENVIRONMENT && measure bare) || status=1
loadAfter=$(cut -d' ' -f1-3 /proc/loadavg)

# "name median_ms=M min_ms=A max_ms=B runs=N" -> "M A B"
figure() {
    awk -v name="$2" '$1 == name {
        for (i = 2; i <= NF; ++i) { split($i, kv, "="); v[kv[1]] = kv[2] }
        print v["median_ms"], v["min_ms"], v["max_ms"] }' "$work/$1.txt"
}

row() { # label, figure name, target?
    for setting in resources bare; do
        read -r median min max <<<"$(figure "$setting" "$2")"
        [ -n "${median:-}" ] || { echo "missing figure $2" >&2; exit 1; }
        local verdict=""
        if [ "$3" = target ]; then
            verdict=$(awk -v m="$median" -v t="$targetMs" 'BEGIN { print (m < t) ? "met" : "MISSED" }')
        fi
        local where="X resources"
        [ "$setting" = bare ] && where="bare Xvfb"
        echo "| $1 | $where | $median | $min | $max | $verdict |"
    done
}

echo "Window under Wine, $runs runs each; load average $loadBefore before, $loadAfter after (nproc $(nproc))"
echo
echo "| Figure | Display | Median ms | Min ms | Max ms | Under $targetMs ms |"
echo "|---|---|---:|---:|---:|---|"
row "Open 2048 x 1536 until both previews are drawn" open target
row "Convert 118 x 512 (61,440 bytes) until the editor has painted" convert target
row "- Open: loading the file (core)" open.part.load -
row "- Open: fit and previews on the canvas (core)" open.part.fit_core -
row "- Open: previews shown on the pane (blit)" open.part.previews_blit -
row "- Open: pane repaint (WM_PAINT)" open.part.pane_paint -
row "- Convert: previews redrawn (core)" convert.part.previews_core -
row "- Convert: text conversion (core)" convert.part.text_convert -
row "- Convert: grey feedback shown on the pane (blit)" convert.part.previews_blit -
row "- Convert: text into the editor (WM_SETTEXT inside Convert)" convert.in.editor_settext -
row "- Convert: editor repaint (WM_PAINT inside Convert)" convert.in.editor_paint -
echo
# The canvas, the editor's pixels and the text, to compare before and after a change of the code.
grep -h '^check' "$work/resources.txt" "$work/bare.txt" | sort -u
if [ "$status" -ne 0 ]; then
    echo "a check of the benchmark failed (the pane does not show the canvas, or the text is not" \
        "61,440 bytes)" >&2
    exit 1
fi
