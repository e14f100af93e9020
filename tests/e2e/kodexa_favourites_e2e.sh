#!/usr/bin/env bash
# Favourites as a user keeps them: two codes added with Ctrl+D in the tree,
# the program killed a moment later, started again; Alt+F and Ctrl+C copy
# the first favourite without the mouse, and Tab reaches the codes copied
# last, which survived the kill too. A screenshot of the page is left in
# the build directory.
#   usage: kodexa_favourites_e2e.sh BUILD_DIR
# Exits 77 (skipped) while the default catalogue is not in BUILD_DIR/bin.
set -euo pipefail
source "$(dirname "$0")/e2e_start.sh"
e2e_start kodexa_favourites_e2e "$1" data3.dat data3.ndx
settings=$HOME/.foxrc/Taviron/Kodexa
# Not the first start: the first-start window is the other test's.
mkdir -p "$(dirname "$settings")"
printf '[1.0]\nfirststart=1\n' >"$settings"

clip() { sleep 0.3; xclip -selection clipboard -o -t UTF8_STRING; }
expect_clip() { [ "$(clip)" = "$1" ] || fail "the clipboard holds '$(clip)', not '$1'"; }
start_main() {
    "$program" >"$work/stdout" 2>&1 &
    kodexa_pid=$!
    main=$(timeout 20 xdotool search --sync --onlyvisible --limit 1 --name '^Taviron Kodexa 1\.0$' 2>/dev/null || true)
    [ -n "$main" ] || fail "no main window"
    xdotool windowfocus --sync "$main"
}
# Down the tree until Ctrl+C copies the code.
walk_to() {
    for _ in $(seq 12); do
        xdotool key ctrl+c
        [ "$(clip)" = "$1" ] && return 0
        xdotool key Down
    done
    fail "$1 not reached in the tree"
}

start_main
xdotool mousemove --window "$main" 150 66 click 1
for key in Right Down Right Down Right Down; do xdotool key "$key"; done
walk_to A00.0
xdotool key ctrl+d
walk_to A00.9
xdotool key ctrl+d
# Killed, not quit: the lists must be on disk already.
kill -KILL "$kodexa_pid"
wait "$kodexa_pid" 2>/dev/null || true
kodexa_pid=
grep -q '^\[favourites\]' "$settings" || fail "no favourites in the settings after the kill"

start_main
xdotool key alt+f
sleep 0.3
xdotool key ctrl+c
expect_clip A00.0
import -window "$main" "$build/e2e-favourites.png"
# The codes copied last, newest first: A00.0 just now, A00.9, then A00.1,
# which only the walk before the kill copied and is no favourite.
xdotool key Tab Down Down ctrl+c
expect_clip A00.1
xdotool key Tab ctrl+c
expect_clip A00.0
kill "$kodexa_pid"
wait "$kodexa_pid" 2>/dev/null || true
kodexa_pid=
echo "kodexa_favourites_e2e: passed"
