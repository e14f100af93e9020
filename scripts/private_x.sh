# Sourced by the scripts and tests that run the window without a display: a
# private X server and a fresh HOME in a temporary directory, both gone when
# the script exits. A script that starts the program keeps its process id in
# kodexa_pid, so that the program is ended with them.

kodexa_stop_private_x() {
    [ -n "${kodexa_pid:-}" ] && kill "$kodexa_pid" 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}

# Sets work (the temporary directory), DISPLAY and HOME.
kodexa_start_private_x() {
    work=$(mktemp -d)
    xvfb_pid=
    kodexa_pid=
    trap kodexa_stop_private_x EXIT
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$work/xvfb.log" &
    xvfb_pid=$!
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "kodexa: Xvfb did not start (see $work/xvfb.log)" >&2; return 1; }
    export DISPLAY=:$(head -1 "$work/display")
    # A settings directory of its own, so the user's first start stays theirs.
    export HOME=$work/home
    mkdir -p "$HOME"
}
