#!/usr/bin/env bash
# The window tests of an English Windows (English.*): gui_tests run in a prefix of its own made
# under en_US.UTF-8, with the Japanese fonts mapped as in every session, on a display of its
# own. A prefix made under Japanese keeps Japanese system fonts, which draw no Latin letters
# under English; the locale is set after anything that sets the Japanese one (wine-fonts).
#
# Usage: english_session.sh SOURCE_DIR GUI_TESTS WORK_PARENT
set -u
src=$1 tests=$2 parent=$3
mkdir -p "$parent"
export WINEPREFIX=$(mktemp -d "$parent/prefix.XXXXXX")
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
xvfb="" server=""
stop() {
    /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
    [ -z "$server" ] || wait "$server" 2>/dev/null
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap stop EXIT
# Never the session's display: a window of this prefix taking the focus there would keep the
# window tests' tips from showing.
display=120
while [ -e /tmp/.X$display-lock ] || [ -e /tmp/.X11-unix/X$display ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$display
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
/usr/lib/wine/wineserver64 -f -p >/dev/null 2>&1 &
server=$!
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 </dev/null
/usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
VKD_WINEPREFIX=$WINEPREFIX "$src/scripts/wine-fonts"
export LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
/usr/lib/wine/wine64 "$tests" --gtest_filter='English.*' </dev/null
