# Sourced by the end-to-end scripts: what each does before it starts the
# program.
#   e2e_start NAME BUILD_DIR [FILE...]
# sets build and program (BUILD_DIR/bin/kodexa), exits 77 (skipped) while a
# FILE is not in BUILD_DIR/bin, checks the X tools, defines fail, makes a
# step that fails without its own message name itself, and starts a private
# X server with a fresh HOME (work, DISPLAY, HOME).

e2e_start() {
    e2e_name=$1
    build=$(cd "$2" && pwd)
    program=$build/bin/kodexa
    shift 2
    local file tool
    for file in "$@"; do
        if [ ! -f "$build/bin/$file" ]; then
            echo "$e2e_name: no default catalogue in $build/bin; skipped"
            exit 77
        fi
    done
    for tool in Xvfb xdotool xclip import identify; do
        command -v "$tool" >/dev/null || { echo "$e2e_name: $tool missing" >&2; exit 1; }
    done
    trap 'echo "$e2e_name: FAIL: line $LINENO: $BASH_COMMAND ended with status $?" >&2' ERR
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/private_x.sh"
    kodexa_start_private_x
}

fail() { echo "$e2e_name: FAIL: $*" >&2; exit 1; }
