#!/usr/bin/env bash
# Installs what is missing, builds Kodexa into build/ and starts it.
set -euo pipefail
source "$(dirname "$0")/common.sh"

kodexa_install_missing
kodexa_build "$KODEXA_ROOT/build"

if [ -x "$KODEXA_ROOT/build/bin/kodexa" ]; then
    exec "$KODEXA_ROOT/build/bin/kodexa" "$@"
fi
echo "kodexa: built into build/. The window is not there yet; so far the record store,"
echo "the index layer, the catalogue and the command-line tools in build/bin/ are."
