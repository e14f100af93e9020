#!/usr/bin/env bash
# Takes the README's pictures of the real program: builds it, runs it on a
# private X server with a fresh HOME, opens the tree down to the cholera
# codes (docs/kodexa.png), then searches for "grippe" on the search page
# (docs/kodexa-suche.png).
#   usage: screenshot.sh [OUT-DIR]     (default: docs/)
#   needs: xvfb xdotool imagemagick (scripts/common.sh installs them)
set -euo pipefail
source "$(dirname "$0")/common.sh"
out=${1:-$KODEXA_ROOT/docs}
mkdir -p "$out"

kodexa_install_missing
kodexa_build "$KODEXA_ROOT/build" >/dev/null
program=$KODEXA_ROOT/build/bin/kodexa

fail() { echo "screenshot.sh: $*" >&2; exit 1; }

source "$KODEXA_ROOT/scripts/private_x.sh"
kodexa_start_private_x

find_window() { timeout 20 xdotool search --sync --onlyvisible --limit 1 --name "^$1\$" 2>/dev/null || true; }
"$program" >"$work/kodexa.log" 2>&1 &
kodexa_pid=$!
first=$(find_window 'Erster Start \.\.\.')
[ -n "$first" ] || fail "no first-start window"
xdotool windowfocus --sync "$first" key Return
main=$(find_window 'Taviron Kodexa 1\.0')
[ -n "$main" ] || fail "no main window"
xdotool windowfocus --sync "$main" mousemove --window "$main" 150 66 click 1
# Chapter I, its first group and A00 opened; the cursor on A00.1.
xdotool key Right Down Right Down Right Down Down
xdotool mousemove 1 1
sleep 0.5
import -window "$main" "$work/tree.png"

xdotool mousemove --window "$main" 90 41 click 1
sleep 0.3
xdotool mousemove --window "$main" 250 71 click 1
xdotool type --delay 20 grippe
xdotool mousemove --window "$main" 550 71 click 1
xdotool mousemove 1 1
# The search takes a moment on a busy machine: wait until result lines
# show in the list instead of guessing a delay.
for _ in $(seq 40); do
    sleep 0.5
    import -window "$main" "$work/search.png"
    colours=$(convert "$work/search.png" -crop 560x200+20+130 +repage -format %k info:)
    [ "$colours" -gt 8 ] && break
done

# No time stamps in the files, so that an unchanged window repeats them.
for picture in tree:kodexa search:kodexa-suche; do
    convert "$work/${picture%%:*}.png" -strip -define png:exclude-chunks=date,time "$out/${picture#*:}.png"
    echo "screenshot.sh: $out/${picture#*:}.png ($(identify -format '%wx%h' "$out/${picture#*:}.png"))"
done
xdotool mousemove 1 1 key alt+d
sleep 0.2
xdotool key Down Down Down Down Return  # "Beenden", after "Katalog wählen" and the favourites' export and import
wait "$kodexa_pid" || true
kodexa_pid=
