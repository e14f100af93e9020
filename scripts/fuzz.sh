#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each for SECONDS
# (default 300), starting from the real files kept in tests/fuzz/seeds/, with
# a time-out per input and a memory limit; what the code under test prints to
# stdout is dropped. Inputs that crash, hang or blow up are left in
# build-fuzz/findings/<target>/; copy them to tests/fuzz/regressions/<target>/
# once fixed. The corpus grows in build-fuzz/corpus/<target>/ from run to run.
#   fuzz.sh [SECONDS] [TARGET...]     targets: store index check catalogue import mapped alpha transitions lines (default all)
#   KODEXA_FUZZ_JOBS=N                parallel fuzzing processes per target (default 1)
set -euo pipefail
source "$(dirname "$0")/common.sh"

case "${1:-}" in
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
seconds=${1:-300}
[ $# -gt 0 ] && shift
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
    echo "fuzz.sh: SECONDS must be a whole number, not '$seconds' (see --help)" >&2
    exit 2
fi

build="$KODEXA_ROOT/build-fuzz"
kodexa_install_missing
CC=clang CXX=clang++ kodexa_build "$build" -DKODEXA_FUZZ=ON -DKODEXA_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=()
    for exe in "$build"/bin/fuzz_*; do targets+=("$(basename "$exe" | sed 's/^fuzz_//')"); done
fi

# The targets write every input to a file, so in memory when they can.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
failed=()
summary="$build/fuzz-summary.txt"
: >"$summary"
for target in "${targets[@]}"; do
    exe="$build/bin/fuzz_$target"
    [ -x "$exe" ] || { echo "fuzz.sh: no target '$target'" >&2; exit 2; }
    corpus="$build/corpus/$target"
    findings="$build/findings/$target"
    mkdir -p "$corpus" "$findings"
    inputs=("$corpus")
    # The checker starts from the store's and the index's files as well.
    kinds=("$target")
    [ "$target" = check ] && kinds+=(store index)
    for kind in "${kinds[@]}"; do
        for dir in "$KODEXA_ROOT/tests/fuzz/seeds/$kind" "$KODEXA_ROOT/tests/fuzz/regressions/$kind"; do
            [ -d "$dir" ] && inputs+=("$dir")
        done
    done
    log="$build/fuzz-$target.log"
    echo "kodexa: fuzzing $target for ${seconds}s (log: $log)"
    parallel=()
    jobs=${KODEXA_FUZZ_JOBS:-1}
    [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
    # The import targets write, sync and check a whole catalogue per input:
    # a large one takes most of a second on a busy machine (seen 0.65 s for
    # 41 KB), so they get more time; a hang still shows.
    per_input=1
    case "$target" in import|alpha|transitions) per_input=10 ;; esac
    status=0
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        nice -n 10 "$exe" -max_total_time="$seconds" -timeout="$per_input" -rss_limit_mb=512 \
        -max_len=131072 -close_fd_mask=1 "${parallel[@]}" -artifact_prefix="$findings/" -print_final_stats=1 "${inputs[@]}" >"$log" 2>&1 || status=$?
    line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1 || true)
    execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{s+=$2} END {print s+0}')
    cov=$(echo "$line" | grep -oE 'cov: [0-9]+' | awk '{print $2}')
    ft=$(echo "$line" | grep -oE 'ft: [0-9]+' | awk '{print $2}')
    echo "$target: ${seconds}s, executions ${execs:-?}, coverage ${cov:-?} edges, ${ft:-?} features, exit $status" |
        tee -a "$summary"
    if [ "$status" != 0 ] || [ -n "$(ls -A "$findings")" ]; then
        failed+=("$target")
        grep -E 'ERROR|broken at|SUMMARY|timeout|out-of-memory' "$log" | head -5 || true
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "kodexa: fuzzing found inputs that fail in: ${failed[*]} (see $build/findings/)" >&2
    exit 1
fi
echo "kodexa: fuzzing found nothing"
