#!/usr/bin/env bash
# The program as a user meets it: started from bin/ on a private X server
# with a fresh HOME, first-start window, the tree, copying by key and menu,
# pasting with xclip, quitting, and a second start without the first-start
# window. Screenshots are left in the build directory.
#   usage: kodexa_e2e.sh BUILD_DIR
# Exits 77 (skipped) while the default catalogue is not in BUILD_DIR/bin.
set -euo pipefail
build=$(cd "$1" && pwd)
program=$build/bin/kodexa
if [ ! -f "$build/bin/data3.dat" ] || [ ! -f "$build/bin/data3.ndx" ]; then
    echo "kodexa_e2e: no default catalogue in $build/bin; skipped"
    exit 77
fi
for tool in Xvfb xdotool xclip import identify; do
    command -v "$tool" >/dev/null || { echo "kodexa_e2e: $tool missing" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
kodexa_pid=
cleanup() {
    [ -n "$kodexa_pid" ] && kill "$kodexa_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "kodexa_e2e: FAIL: $*" >&2; exit 1; }

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$work/xvfb.log" &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
export HOME=$work/home
mkdir -p "$HOME"

find_window() {  # find_window NAME: waits up to 20 s, prints the id
    timeout 20 xdotool search --sync --name "^$1\$" 2>/dev/null | head -1
}
geometry_of() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p'; }
clip() { sleep 0.3; xclip -selection clipboard -o -t "$1"; }
# The plain type carries the text and its NUL; compare byte for byte.
expect_clip() {  # expect_clip TEXT
    [ "$(clip UTF8_STRING)" = "$1" ] || fail "UTF8_STRING gave '$(clip UTF8_STRING)', not '$1'"
    printf '%s\0' "$1" >"$work/expected"
    clip STRING >"$work/got"
    cmp -s "$work/expected" "$work/got" || fail "STRING gave $(od -c "$work/got" | head -3), not '$1' and NUL"
}
screenshot() {  # screenshot WINDOW FILE SIZE
    import -window "$1" "$2"
    [ "$(identify -format '%wx%h' "$2")" = "$3" ] || fail "$2 is $(identify -format '%wx%h' "$2"), not $3"
    [ "$(identify -format '%k' "$2")" -gt 16 ] || fail "$2 looks blank"
    echo "kodexa_e2e: screenshot $2 ($3)"
}
start_program() { "$program" >"$work/stdout" 2>&1 & kodexa_pid=$!; }
menu_command() {  # menu_command ALT-KEY DOWN-COUNT
    xdotool mousemove 1 1
    xdotool key "alt+$1"
    sleep 0.2
    for _ in $(seq "$2"); do xdotool key Down; done
    xdotool key Return
}
quit_program() {
    menu_command d 1
    local status=0
    timeout 20 tail --pid="$kodexa_pid" -f /dev/null || fail "the program did not end"
    wait "$kodexa_pid" || status=$?
    kodexa_pid=
    [ "$status" -eq 0 ] || fail "exit status $status"
}

# First start.
start_program
first=$(find_window 'Erster Start \.\.\.')
[ -n "$first" ] || fail "no first-start window"
[ "$(geometry_of "$first")" = 558x376 ] || fail "first-start window is $(geometry_of "$first")"
screenshot "$first" "$build/e2e-first-start.png" 558x376
xdotool windowfocus --sync "$first"
xdotool key Return

main=$(find_window 'Taviron Kodexa 1\.0')
[ -n "$main" ] || fail "no main window"
[ "$(geometry_of "$main")" = 600x400 ] || fail "main window is $(geometry_of "$main")"
xdotool windowfocus --sync "$main"
xdotool key ctrl+c
expect_clip A00-B99

# Into the tree, then down to A00.9 with the keyboard.
xdotool mousemove --window "$main" 150 66 click 1
for key in Right Down Right Down Right Down; do xdotool key "$key"; done
for _ in $(seq 12); do
    xdotool key ctrl+c
    [ "$(clip UTF8_STRING)" = A00.9 ] && break
    xdotool key Down
done
expect_clip A00.9

menu_command b 2
expect_clip 'Cholera, nicht näher bezeichnet'
menu_command b 3
expect_clip 'A00.9 - Cholera, nicht näher bezeichnet'
menu_command b 1
expect_clip A00.9
screenshot "$main" "$build/e2e-main-window.png" 600x400
quit_program
[ -f "$HOME/.foxrc/Taviron/Kodexa" ] || fail "no settings file after quitting"

# Second start: straight to the main window.
start_program
main=$(find_window 'Taviron Kodexa 1\.0')
[ -n "$main" ] || fail "no main window at the second start"
[ -z "$(xdotool search --name '^Erster Start' 2>/dev/null)" ] || fail "first-start window at the second start"
xdotool windowfocus --sync "$main"
quit_program
echo "kodexa_e2e: passed"
