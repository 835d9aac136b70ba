#!/usr/bin/env bash
# The bash completion offers every option vkd --help lists and no other, the words the valued
# options take, and pictures and folders for the rest. Usage: completion_check.sh VKD COMPLETION
set -u
vkd=$1
source "$2"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
complete_words() { # the words offered for the command line "$@" with the last word being typed
    COMP_WORDS=(vkd "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _vkd
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' '
}

helpOptions=$("$vkd" --help | grep -E '^  -' | cut -c1-27 | grep -oE -- '-{1,2}[a-z]+(-[a-z]+)*' | LC_ALL=C sort -u | tr '\n' ' ')
offered=$(complete_words -)
[ "$offered" = "$helpOptions" ] || fail "options offered: '$offered'; --help lists: '$helpOptions'"
[ "$(complete_words --he)" = "--height --help " ] || fail "--he: $(complete_words --he)"
[ "$(complete_words --look '')" = "photo shape standard trace " ] || fail "--look: $(complete_words --look '')"
[ "$(complete_words --target '')" = "board terminal window " ] || fail "--target: $(complete_words --target '')"
[ "$(complete_words --format p)" = "png " ] || fail "--format p: $(complete_words --format p)"
[ "$(complete_words --width '')" = "" ] || fail "--width offers $(complete_words --width '')"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir shots && touch a.PNG b.jpeg c.txt d.gif.txt vkd.ini
[ "$(complete_words '')" = "a.PNG b.jpeg shots " ] || fail "pictures: $(complete_words '')"
[ "$(complete_words --ini '')" = "shots vkd.ini " ] || fail "--ini: $(complete_words --ini '')"
[ "$(complete_words -o s)" = "shots " ] || fail "-o s: $(complete_words -o s)"
[ $failures -eq 0 ] && echo "the completion offers what vkd --help lists"
exit $((failures > 0))
