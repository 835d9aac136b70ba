#!/usr/bin/env bash
# Takes the README's two screenshots from the release package as a user gets it: the zip
# unpacked into an empty folder, the program started from there under Wine (fresh prefix,
# virtual desktop in a private Xvfb), sample.bmp opened through the open dialog, then Convert.
#
# Usage: tests/package/pictures.sh [WINDOWS_TREE [OUT_DIR]]   (defaults: build/windows, docs)
# Writes OUT_DIR/screenshot-window.png (after Open) and OUT_DIR/screenshot-convert.png.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
tree=$(realpath -m "${1:-$root/build/windows}")
out=$(realpath -m "${2:-$root/docs}")
width=1000 height=720

cmake --build "$tree" --target package_driver >/dev/null
work=$(mktemp -d)
prefix=$work/prefix
xvfb=""
stop() {
    WINEPREFIX=$prefix /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap stop EXIT

zip=$("$root/scripts/package" "$tree" "$work/dist")
mkdir "$work/user"
(cd "$work/user" && cmake -E tar xf "$zip")
app=$work/user/Velkorandite
winpath() { printf 'Z:%s' "${1//\//\\}"; }

display=90
while [ -e /tmp/.X$display-lock ] || [ -e /tmp/.X11-unix/X$display ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 ${width}x${height}x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$display
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done

export WINEPREFIX=$prefix VKD_WINEPREFIX=$prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64
mkdir -p "$prefix"
/usr/lib/wine/wineserver64 -p >/dev/null 2>&1 </dev/null
$wine wineboot -i >/dev/null 2>&1 </dev/null
"$root/scripts/wine-fonts"

signals=$work/signals
mkdir "$signals"
cp "$tree/tests/package/package_driver.exe" "$work/"
# The virtual desktop draws the window frames, which a bare X server would leave out.
$wine explorer /desktop=vkd,${width}x${height} "$(winpath "$work/package_driver.exe")" pictures \
    "$(winpath "$app/Velkorandite.exe")" "$(winpath "$app/sample.bmp")" "$(winpath "$signals")" \
    $width $height >"$work/driver.log" 2>&1 </dev/null &
driver=$!

shot() { # waits for the driver's signal, then takes the screen
    for _ in $(seq 1200); do
        if [ -e "$signals/$1" ]; then
            mkdir -p "$out"
            import -window root "$out/$2"
            rm "$signals/$1"
            echo "$out/$2"
            return 0
        fi
        kill -0 "$driver" 2>/dev/null || break
        sleep 0.1
    done
    echo "pictures: no '$1' step: $(cat "$work/driver.log")" >&2
    return 1
}
shot opened screenshot-window.png
shot converted screenshot-convert.png
wait "$driver"
