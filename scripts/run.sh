#!/usr/bin/env bash
# Installs what is missing, builds Kodexa into build/ and starts it on the
# default catalogue in build/bin/. Without a display it runs the program on a
# private X server, saves a screenshot of the main window as
# build/kodexa-screenshot.png and ends the program again.
set -euo pipefail
source "$(dirname "$0")/common.sh"

kodexa_install_missing
kodexa_build "$KODEXA_ROOT/build"
program=$KODEXA_ROOT/build/bin/kodexa

if [ -n "${DISPLAY:-}" ]; then
    exec "$program" "$@"
fi

shot=$KODEXA_ROOT/build/kodexa-screenshot.png
source "$KODEXA_ROOT/scripts/private_x.sh"
kodexa_start_private_x

echo "kodexa: no display set; running on the private X server $DISPLAY"
"$program" "$@" &
kodexa_pid=$!
first=$(timeout 20 xdotool search --sync --name '^Erster Start' | head -1 || true)
if [ -n "$first" ]; then
    xdotool windowfocus --sync "$first"
    xdotool key Return
fi
main=$(timeout 60 xdotool search --sync --name '^Taviron Kodexa 1\.0$' | head -1 || true)
if [ -z "$main" ]; then
    echo "kodexa: the main window did not appear" >&2
    exit 1
fi
sleep 0.5
import -window "$main" "$shot"
xdotool windowfocus --sync "$main"
xdotool mousemove 1 1 key alt+d
sleep 0.2
xdotool key Down Down Down Down Return  # "Beenden", after "Katalog wählen" and the favourites' export and import
status=0
wait "$kodexa_pid" || status=$?
kodexa_pid=
echo "kodexa: ended with status $status; screenshot of the main window: $shot"
