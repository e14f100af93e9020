#!/usr/bin/env bash
# The program with an alphabetical index, as a user meets it: a catalogue
# imported with --alpha from the hand-made sample lies beside a copy of the
# program; a search for a term lists its code, and Ctrl+C copies it.
#   usage: kodexa_alpha_e2e.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
source_dir=$(cd "$2" && pwd)
source "$(dirname "$0")/e2e_start.sh"
e2e_start kodexa_alpha_e2e "$1"

# The program reads the catalogue in its own directory.
mkdir -p "$work/prog" "$HOME/.foxrc/Taviron"
cp "$build/bin/kodexa" "$work/prog/"
"$build/bin/kodexa-import" --quiet --alpha "$source_dir/tests/data/alpha/icd10gm2099alpha_edvtxt_20990101.txt" \
    "$source_dir/tests/import/data/mini-utf8" "$work/prog" || fail "import"
printf '[1.0]\nfirststart=1\n' >"$HOME/.foxrc/Taviron/Kodexa"

clip() { sleep 0.3; xclip -selection clipboard -o -t UTF8_STRING; }
dark_in() {  # dark_in WINDOW WxH+X+Y: 1 when that part holds text pixels
    import -window "$1" -crop "$2" +repage "$work/part.png"
    identify -format '%[fx:minima.intensity<0.2?1:0]' "$work/part.png"
}
until_true() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.2; done
}

"$work/prog/kodexa" >"$work/stdout" 2>"$work/stderr" &
kodexa_pid=$!
main=$(timeout 20 xdotool search --sync --onlyvisible --limit 1 --name '^Taviron Kodexa 1\.0$' 2>/dev/null || true)
[ -n "$main" ] || fail "no main window"
# A normal start prints nothing; that the index is open the term line shows.
[ ! -s "$work/stdout" ] || fail "the program wrote to standard output: $(cat "$work/stdout")"
xdotool windowfocus --sync "$main"

# "asiatica" is in no title: the one line is the term's. Alt+S opens the
# search page with the keys in the field.
xdotool key alt+s
sleep 0.3
xdotool type --delay 20 asiatica
xdotool key Return
first_row_has_code() { [ "$(dark_in "$main" 60x17+30+120)" = 1 ]; }
until_true 30 first_row_has_code || fail "no term line"
[ "$(dark_in "$main" 500x17+10+139)" = 0 ] || fail "more than one line"
import -window "$main" "$build/e2e-alpha-search.png"
xdotool mousemove --window "$main" 50 128 click 1
xdotool key ctrl+c
[ "$(clip)" = A00.9 ] || fail "Ctrl+C gave '$(clip)', not A00.9"
echo "kodexa_alpha_e2e: passed"
