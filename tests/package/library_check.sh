#!/usr/bin/env bash
# The library as a program outside the tree meets it: installed into a temporary prefix, the
# example built against it through pkg-config, converting the sample to vkd's very bytes.
# Usage: library_check.sh SOURCE_DIR BUILD_DIR VKD
set -eu
src=$1 build=$2 vkd=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
pc=$(find "$work/prefix" -name velkorandite.pc)
test -n "$pc" || { echo "no velkorandite.pc installed" >&2; exit 1; }
export PKG_CONFIG_PATH=$(dirname "$pc")
# shellcheck disable=SC2046 # the flags are words
c++ -std=c++17 -o "$work/convert" "$src/examples/convert.cpp" $(pkg-config --cflags --libs velkorandite)
"$work/convert" "$src/samples/sphere.bmp" 60 >"$work/got.txt"
"$vkd" --crlf --width 60 "$src/samples/sphere.bmp" >"$work/want.txt"
cmp "$work/got.txt" "$work/want.txt"
# And at the default width, the text the converter's own tests expect of the sample.
"$work/convert" "$src/samples/sphere.bmp" | cmp - "$src/tests/cli/data/sphere.txt"
