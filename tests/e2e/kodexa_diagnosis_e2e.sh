#!/usr/bin/env bash
# The Diagnosen page as a user meets it, on the default catalogue in bin/:
# Alt+G opens it with the line field ready, a typed line goes into the list,
# a result of the search page goes there through "Zur Diagnoseliste", the
# selected line's Fehler shows in red, and "Liste kopieren" (Alt+K) puts the
# lines on the clipboard as practice programs take them. A screenshot is
# left in the build directory.
#   usage: kodexa_diagnosis_e2e.sh BUILD_DIR
# Exits 77 (skipped) while the default catalogue is not in BUILD_DIR/bin.
set -euo pipefail
source "$(dirname "$0")/e2e_start.sh"
e2e_start kodexa_diagnosis_e2e "$1" data5.dat data3.dat

find_window() { timeout 20 xdotool search --sync --onlyvisible --limit 1 --name "^$1\$" 2>/dev/null || true; }
is_mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
until_true() {  # until_true SECONDS COMMAND...
    local end=$((SECONDS + $1))
    shift
    until "$@"; do [ "$SECONDS" -lt "$end" ] || return 1; sleep 0.2; done
}
# The number of pixels of a part of the window that are clearly red.
red_pixels() {  # red_pixels WINDOW WxH+X+Y
    import -window "$1" -crop "$2" +repage -depth 8 "$work/part.ppm"
    python3 - "$work/part.ppm" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace(): pos += 1
    start = pos
    while not data[pos:pos + 1].isspace(): pos += 1
    fields.append(data[start:pos])
pixels = data[pos + 1:]
print(sum(1 for i in range(0, len(pixels) - 2, 3) if pixels[i] > 150 and pixels[i + 1] < 60 and pixels[i + 2] < 60))
PY
}
clip_is() { [ "$(xclip -selection clipboard -o -t UTF8_STRING 2>/dev/null)" = "$1" ]; }
context_menu() {
    local X Y id
    eval "$(xdotool getmouselocation --shell)"
    for id in $(xwininfo -root -children | awk -v at="+$X+$Y" '$0 ~ /Kodexa/ && index($0, at " ") {print $1}'); do
        is_mapped "$id" && { echo "$id"; return; }
    done
}

"$program" >"$work/stdout" 2>&1 &
kodexa_pid=$!
first=$(find_window 'Erster Start \.\.\.')
[ -n "$first" ] || fail "no first-start window"
for _ in $(seq 20); do
    is_mapped "$first" || break
    xdotool windowfocus --sync "$first" 2>/dev/null && is_mapped "$first" && xdotool key Return
    sleep 0.5
done
main=$(find_window 'Taviron Kodexa 1\.0')
[ -n "$main" ] || fail "no main window"
xdotool windowfocus --sync "$main"

# Alt+G: the page, the focus in its line field.
xdotool key alt+g
sleep 0.3
xdotool type --delay 20 'e11.30 g'
xdotool key Return
sleep 0.3

# A search result to the list through the context menu, its fourth entry.
xdotool key alt+s
sleep 0.3
xdotool type --delay 20 'retinopathia diabetica'
xdotool key Return
sleep 1
xdotool mousemove --window "$main" 150 128 click 3
sleep 0.5
popup=$(context_menu)
[ -n "$popup" ] || fail "no context menu on the result"
xdotool key Down Down Down Down Return
sleep 0.3
! is_mapped "$popup" || fail "the context menu stayed open"

# Back on the page: the line added has no certainty, a Fehler shown in red.
xdotool key alt+g
sleep 0.5
import -window "$main" "$build/e2e-diagnosen.png"
[ "$(red_pixels "$main" 580x110+10+280)" -gt 20 ] || fail "no Fehler in red below the list"
xdotool key alt+k
until_true 10 clip_is $'E11.30 G\nH36.0' || fail "Liste kopieren gave '$(xclip -selection clipboard -o -t UTF8_STRING)'"
echo "kodexa_diagnosis_e2e: screenshot $build/e2e-diagnosen.png"

kill "$kodexa_pid"
wait "$kodexa_pid" 2>/dev/null || true
kodexa_pid=
echo "kodexa_diagnosis_e2e: passed"
