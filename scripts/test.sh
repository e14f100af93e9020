#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the normal
# build in build/, then the same tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize/.
# Last, each fuzz target runs for a short while (scripts/fuzz.sh, clang).
#   --no-sanitize      only the normal build (or KODEXA_SANITIZE=0)
#   --sanitize-only    only the sanitizer build
#   --no-fuzz          no fuzzing (or KODEXA_FUZZ_SECONDS=0; default 60 per target)
set -euo pipefail
source "$(dirname "$0")/common.sh"

normal=1
sanitize=${KODEXA_SANITIZE:-1}
fuzz_seconds=${KODEXA_FUZZ_SECONDS:-60}
for arg in "$@"; do
    case "$arg" in
        --no-sanitize) sanitize=0 ;;
        --sanitize-only) normal=0; sanitize=1 ;;
        --no-fuzz) fuzz_seconds=0 ;;
        -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "test.sh: unknown option $arg (see --help)" >&2; exit 2 ;;
    esac
done

jobs=$(nproc)
run_tests() {
    ctest --test-dir "$1" --output-on-failure --no-tests=error -j "$jobs" --timeout 600
}

if [ "$normal" = 1 ]; then
    kodexa_install_missing
    kodexa_build "$KODEXA_ROOT/build"
    run_tests "$KODEXA_ROOT/build"
fi
if [ "$sanitize" = 1 ]; then
    kodexa_install_missing
    kodexa_build "$KODEXA_ROOT/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DKODEXA_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_tests "$KODEXA_ROOT/build-sanitize"
fi
if [ "$fuzz_seconds" -gt 0 ]; then
    "$KODEXA_ROOT/scripts/fuzz.sh" "$fuzz_seconds"
fi
echo "kodexa: all tests passed"
