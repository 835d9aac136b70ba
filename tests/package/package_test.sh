#!/usr/bin/env bash
# The release package as a user meets it: built by scripts/package, unpacked into an empty
# folder, its programs checked for DLLs a user would lack, then run under Wine in a fresh prefix:
# the window comes up with its caption, Help opens the index.html beside it, closing writes
# vkd.ini there, and vkd.exe converts the sample.
#
# Usage: package_test.sh SOURCE_DIR WINDOWS_TREE WORK_PARENT DRIVER RECORDER VERSION
# Runs under ctest in the Windows tree, on an Xvfb display of its own.
set -u
src=$1 tree=$2 parent=$3 driver=$4 recorder=$5 version=$6

failures=0
expect() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }
crlf_only() { # every line, empty ones too, ends with CR LF
    ! LC_ALL=C grep -aq $'[^\r]$' "$1" && ! LC_ALL=C grep -aq '^$' "$1" &&
        [ "$(tail -c 2 "$1" | od -An -tx1 | tr -d ' ')" = 0d0a ]
}

mkdir -p "$parent"
work=$(mktemp -d "$parent/run.XXXXXX")
xvfb=""
prefix=$work/prefix
wine_stop() {
    WINEPREFIX=$prefix /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$prefix"
    [ "$failures" -gt 0 ] || rm -rf "$work" # kept for a look when something failed
}
trap wine_stop EXIT

# The package itself.
cmake --build "$tree" --target package_driver open_recorder >/dev/null || exit 1
zip=$("$src/scripts/package" "$tree" "$work/dist") || { echo "FAILED: scripts/package"; exit 1; }
expect "the zip is named for version $version" test "$(basename "$zip")" = "Velkorandite-$version-win64.zip"
listing=$(cd "$work" && cmake -E tar tf "$zip" | sort)
wanted=$(printf '%s\n' Velkorandite/ Velkorandite/LICENSE.txt Velkorandite/Velkorandite.exe \
    Velkorandite/index-en.html Velkorandite/index.html Velkorandite/readme-en.txt \
    Velkorandite/readme.txt Velkorandite/sample.bmp Velkorandite/vkd.exe)
expect "the zip holds exactly the listed files (got: $(echo $listing))" test "$listing" = "$wanted"

user=$work/user
mkdir "$user"
(cd "$user" && cmake -E tar xf "$zip") || { echo "FAILED: unpacking"; exit 1; }
app=$user/Velkorandite

# Nothing beside the programs: only DLLs every Windows has.
system='^(advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32|uxtheme|version|windowscodecs)\.dll$'
for exe in Velkorandite.exe vkd.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$app/$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
    others=$(echo "$dlls" | grep -Ev "$system" | tr '\n' ' ')
    expect "$exe imports only system DLLs (others: ${others:-none})" test -n "$dlls" -a -z "$others"
done

# Each program's icon (48, 32 and 16 pixels, each in 32-bit and 256 colours) and its version.
for exe in Velkorandite.exe vkd.exe; do
    rc=$(x86_64-w64-mingw32-windres -i "$app/$exe" -O rc 2>/dev/null)
    icons=$(echo "$rc" | sed -n 's/^ *"\\\([0-7]*\)\\[0-7]*\\000\\000", 1, \([0-9]*\),.*/\1x\2/p' | sort | tr '\n' ' ')
    expect "$exe has its icon in 6 sizes and depths (got: $icons)" test "$icons" = "020x32 020x8 040x32 040x8 060x32 060x8 "
    for key in CompanyName FileDescription LegalCopyright ProductName; do
        expect "$exe's version resource has $key" grep -q "VALUE \"$key\", L\?\"." <<<"$rc"
    done
    for key in FileVersion ProductVersion; do
        expect "$exe's $key is $version" grep -q "VALUE \"$key\", \"$version\"" <<<"$rc"
    done
done

# The texts: version filled in, read-me in CP932 with CR LF for Notepad.
expect "readme.txt is CP932 text" iconv -f CP932 -t UTF-8 -o "$work/readme-utf8.txt" "$app/readme.txt"
expect "readme.txt ends every line with CR LF" crlf_only "$app/readme.txt"
expect "readme.txt names version $version" grep -q "Velkorandite $version" "$app/readme.txt"
expect "LICENSE.txt ends every line with CR LF" crlf_only "$app/LICENSE.txt"
expect "index.html names version $version" grep -q "バージョン $version" "$app/index.html"
expect "readme-en.txt ends every line with CR LF" crlf_only "$app/readme-en.txt"
expect "readme-en.txt names version $version" grep -q "Velkorandite $version" "$app/readme-en.txt"
expect "index-en.html names version $version" grep -q "Version $version" "$app/index-en.html"

# Under Wine, in a prefix nobody has used before.
export WINEPREFIX=$prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES=mscoree,mshtml=
wine=/usr/lib/wine/wine64
# A display of its own: the unpacked program taking the focus on the session's display would keep
# the window tests' tips from showing.
display=140
while [ -e /tmp/.X$display-lock ] || [ -e /tmp/.X11-unix/X$display ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$display
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
# Output always to files: Wine's services inherit the standard handles and outlive the program.
mkdir -p "$prefix"
/usr/lib/wine/wineserver64 -p >/dev/null 2>&1 </dev/null
$wine wineboot -i >"$work/wineboot.log" 2>&1 </dev/null

tools=$work/tools
mkdir "$tools"
cp "$driver" "$recorder" "$tools/"
$wine "$tools/$(basename "$driver")" check "$(winpath "$app/Velkorandite.exe")" \
    "$(winpath "$work/report.txt")" "$(winpath "$tools/$(basename "$recorder")")" \
    >"$work/driver.log" 2>&1 </dev/null
expect "the driver started, used and closed the program $(cat "$work/driver.log")" test -f "$work/report.txt"
report() { sed -n "s/^$1=//p" "$work/report.txt" 2>/dev/null | tr -d '\r'; }
expect "the caption is 無題 - Velkorandite (got '$(report caption)')" \
    test "$(report caption)" = "無題 - Velkorandite"
help=$(report help | tr 'A-Z' 'a-z')
wantedHelp=$(winpath "$app/index.html" | tr 'A-Z' 'a-z')
expect "Help opens the index.html beside the program (got '$help')" test "$help" = "$wantedHelp"
expect "the program ends with exit code 0 (got '$(report exit)')" test "$(report exit)" = 0
expect "closing wrote vkd.ini beside the program" grep -q '^\[' "$app/vkd.ini"

(cd "$app" && $wine vkd.exe sample.bmp >"$work/sample.txt" 2>"$work/vkd.log" </dev/null)
expect "vkd.exe sample.bmp prints the sample's text picture" \
    cmp -s "$work/sample.txt" "$src/tests/cli/data/sphere.txt"
(cd "$app" && $wine vkd.exe --version >"$work/version.txt" 2>&1 </dev/null)
expect "vkd.exe --version says $version" grep -q "^vkd (Velkorandite) $version.\?$" "$work/version.txt"

echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
