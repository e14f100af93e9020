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
work=$(mktemp -d)
xvfb_pid=
kodexa_pid=
cleanup() {
    [ -n "$kodexa_pid" ] && kill "$kodexa_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$work/xvfb.log" &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
# A settings directory of its own, so the user's first start stays theirs.
export HOME=$work/home
mkdir -p "$HOME"

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
xdotool key Down Return
status=0
wait "$kodexa_pid" || status=$?
kodexa_pid=
echo "kodexa: ended with status $status; screenshot of the main window: $shot"
