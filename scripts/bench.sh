#!/usr/bin/env bash
# Builds the benchmark in build-bench/ (Release), installs what it needs, and
# prints one Markdown table comparing Kodexa with SQLite, the sqlite3 shell,
# grep and an empty FOX window on the same data. The table is also written
# to build/bench.md. Not part of the test run.
#   --quick            few repetitions and figure 5 without 1,000,000 keys
#   --figures LIST     only these figures, e.g. 1,5
#   --reps N           repetitions per measurement (default 7)
#   Any other option is handed to kodexa-bench (see its --help).
set -euo pipefail
source "$(dirname "$0")/common.sh"

reps=7
scale=10000,100000,1000000
scale_reps=2
extra=()
while [ $# -gt 0 ]; do
    case "$1" in
        --quick) reps=3; scale=10000,100000; scale_reps=1 ;;
        --reps) reps=$2; shift ;;
        --figures) extra+=(--figures "$2"); shift ;;
        -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) extra+=("$1") ;;
    esac
    shift
done

KODEXA_PACKAGES+=(libsqlite3-dev sqlite3 libfox-1.6-dev libx11-dev xvfb grep valgrind)
kodexa_install_missing

bench_dir="$KODEXA_ROOT/build-bench"
cmake -S "$KODEXA_ROOT" -B "$bench_dir" -DCMAKE_BUILD_TYPE=Release -DKODEXA_BUILD_BENCH=ON >/dev/null
cmake --build "$bench_dir" -j "$(nproc)"

bin_dir="$bench_dir/bin"
[ -d "$bin_dir" ] || bin_dir="$bench_dir"
source_dir="$KODEXA_ROOT/data/icd10gm2024"
[ -d "$source_dir" ] || source_dir="$KODEXA_ROOT/../shared/data/icd10gm2024"

# The window figures run on their own virtual display, with a settings
# entry that says the first-start window was already shown.
work_dir=$(mktemp -d /tmp/kodexa-bench.XXXXXX)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work_dir"
}
trap cleanup EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
mkdir -p "$work_dir/home/.foxrc/Taviron"
settings_section=$(kodexa_version)  # the program keeps its settings under its version
printf '[%s]\nfirststart=1\n' "$settings_section" >"$work_dir/home/.foxrc/Taviron/Kodexa"

mkdir -p "$KODEXA_ROOT/build"
DISPLAY=$display HOME=$work_dir/home LC_ALL=C nice -n "${KODEXA_BENCH_NICE:-0}" \
    "$bin_dir/kodexa-bench" \
    --bin "$bin_dir" --source "$source_dir" --work "$work_dir" \
    --empty-window "$bin_dir/kodexa-bench-empty-window" \
    --reps "$reps" --scale "$scale" --scale-reps "$scale_reps" \
    --out "$KODEXA_ROOT/build/bench.md" "${extra[@]}"
