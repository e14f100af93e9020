#!/usr/bin/env bash
# Builds the Debian package build/kodexa_VERSION_amd64.deb (installing under
# /usr, run-time dependencies found by dpkg-shlibdeps) and has lintian look
# it over. Install it with: apt-get install ./build/kodexa_*_amd64.deb
#   --no-lintian   skip the lintian run
set -euo pipefail
source "$(dirname "$0")/common.sh"

lint=1
for arg in "$@"; do
    case "$arg" in
        --no-lintian) lint=0 ;;
        -h|--help) sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "package.sh: unknown option $arg (see --help)" >&2; exit 2 ;;
    esac
done

# Files and directories in the package get their modes from the build tree.
umask 022
kodexa_install_missing
kodexa_build "$KODEXA_ROOT/build"
cd "$KODEXA_ROOT/build"
rm -f kodexa_*_amd64.deb
cpack --config CPackConfig.cmake
deb=$(ls kodexa_*_amd64.deb)
echo "package.sh: $KODEXA_ROOT/build/$deb ($(stat -c %s "$deb") bytes)"
dpkg-deb -f "$deb" Package Version Depends
if [ "$lint" = 1 ]; then
    echo "package.sh: lintian $deb"
    lintian "$deb" && echo "package.sh: lintian found no errors"
fi
