# bash completion for vkd: its options, the values of those that take a word, files for the
# rest (pictures and folders for the pictures). Installed as
# share/bash-completion/completions/vkd; works without the bash-completion package too.
_vkd_files() { # names of files matching the regular expression $1 (any case), and folders
    local name
    COMPREPLY=()
    compopt -o filenames 2>/dev/null
    while IFS= read -r name; do
        [[ -d $name || ${name,,} =~ $1 ]] && COMPREPLY+=("$name")
    done < <(compgen -f -- "$2")
}

_vkd() {
    local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}
    local options="-o --output --format --color --width --height --max-bytes --ratio --brightness
        --mode --lf --crlf --encoding --invert --look --dither --chars --target --font --ini -j
        --jobs --help --version"
    case $previous in
    --format) COMPREPLY=($(compgen -W "text png html" -- "$current")) ;;
    --mode) COMPREPLY=($(compgen -W "stretch original" -- "$current")) ;;
    --look) COMPREPLY=($(compgen -W "standard photo shape trace" -- "$current")) ;;
    --encoding) COMPREPLY=($(compgen -W "utf-8 cp932" -- "$current")) ;;
    --target) COMPREPLY=($(compgen -W "terminal window board" -- "$current")) ;;
    --width | --height | --max-bytes | --ratio | --brightness | -j | --jobs | --chars) COMPREPLY=() ;;
    -o | --output) _vkd_files '' "$current" ;; # a file, or a folder ending in /
    --font) _vkd_files '\.(ttf|otf|ttc)$' "$current" ;;
    --ini) _vkd_files '\.ini$' "$current" ;;
    *)
        if [[ $current == -* ]]; then
            COMPREPLY=($(compgen -W "$options" -- "$current"))
        else
            _vkd_files '\.(bmp|png|jpe?g|gif)$' "$current"
        fi
        ;;
    esac
}
complete -F _vkd vkd vkd.exe
