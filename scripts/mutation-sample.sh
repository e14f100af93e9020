#!/usr/bin/env bash
# Runs a fixed sample of small faults ("mutants") against the test suite and
# counts how many the suite notices. Each mutant in scripts/mutants.tsv is put
# into a private copy of the tree (build-mutants/tree), built incrementally in
# build-mutants/build and tested: first the tests of its own layer, then the
# other test programs, last the script tests (end to end, installation,
# package), stopping at the first failure.
#   --list           show the mutants and whether each still applies, run nothing
#   --only ID        run only this mutant (may be given more than once)
#   -j N             build and test jobs (default 2)
#   --timeout S      limit for each single test in seconds (default 120)
#   --no-clean-check skip building and testing the unchanged tree first
#   -h, --help       this text
# Per-mutant results go to build-mutants/results.txt; the last line printed is
# "N mutants: K killed, S survived, B did not build, X stale" (and timeouts).
# A mutant is located by a text that must occur exactly once in its file; when
# the file has moved, the file holding the text is searched with git grep. A
# mutant whose text is not found exactly once is "stale", never "killed".
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
table="$root/scripts/mutants.tsv"
work="$root/build-mutants"
tree="$work/tree"
build="$work/build"
results="$work/results.txt"
jobs=2
test_timeout=120
clean_check=1
list_only=0
only=()

usage() { sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; }

while [ $# -gt 0 ]; do
    case "$1" in
        --list) list_only=1 ;;
        --only) only+=("${2:?--only needs an id}"); shift ;;
        -j) jobs=${2:?-j needs a number}; shift ;;
        -j*) jobs=${1#-j} ;;
        --timeout) test_timeout=${2:?--timeout needs seconds}; shift ;;
        --no-clean-check) clean_check=0 ;;
        -h|--help) usage; exit 0 ;;
        *) echo "mutation-sample: unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
    shift
done

export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work}
export CCACHE_DIR=${CCACHE_DIR:-/work/.ccache}

# Prints how often TEXT occurs in FILE (literal text, not a pattern).
count_in_file() {
    python3 -c 'import sys; print(open(sys.argv[1], encoding="utf-8").read().count(sys.argv[2]))' "$1" "$2"
}

# Prints the path (relative to the developer's tree) that holds the mutant's
# search text exactly once, or nothing when the mutant is stale.
locate_mutant() {
    local file=$1 search=$2 candidates
    if [ -f "$root/$file" ] && [ "$(count_in_file "$root/$file" "$search")" = 1 ]; then
        echo "$file"
        return
    fi
    # The file may have moved or been split: look for the text elsewhere.
    candidates=$(cd "$root" && git grep -F -l -e "$search" -- '*.cpp' '*.h' 2>/dev/null)
    [ -n "$candidates" ] && [ "$(echo "$candidates" | wc -l)" = 1 ] || return 0
    [ "$(count_in_file "$root/$candidates" "$search")" = 1 ] && echo "$candidates"
}

# Makes the private copy equal to the developer's tree (tracked and new files,
# edits not yet committed included). Only changed files are written, so the
# build stays incremental; files gone from the tree are removed from the copy
# because the build collects some sources by pattern.
sync_copy() {
    local list
    list=$(mktemp)
    (cd "$root" && git ls-files -co --exclude-standard) | sort >"$list"
    mkdir -p "$tree"
    while IFS= read -r path; do
        [ -f "$root/$path" ] || continue
        if ! cmp -s "$root/$path" "$tree/$path"; then
            mkdir -p "$tree/$(dirname "$path")"
            cp -p "$root/$path" "$tree/$path"
            touch "$tree/$path" # newer than any object built from a mutant
        fi
    done <"$list"
    (cd "$tree" && find . -type f | sed 's|^\./||' | sort) | comm -13 "$list" - |
        while IFS= read -r gone; do rm -f "$tree/$gone"; done
    rm -f "$list"
}

# Replaces the single occurrence of SEARCH in FILE by REPLACEMENT.
apply_mutant() {
    python3 - "$1" "$2" "$3" <<'EOF'
import sys
path, search, replacement = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
if text.count(search) != 1:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(search, replacement))
EOF
}

restore_file() {
    cp "$root/$1" "$tree/$1" # plain cp: a fresh time stamp forces the rebuild
}

# Warnings stay warnings here: a mutant that leaves a variable unused is
# still a fault in behaviour, and the suite should notice it.
build_tree() {
    cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKODEXA_WERROR=OFF >"$1" 2>&1 &&
        cmake --build "$build" -j "$jobs" >>"$1" 2>&1
}

# A build that fails in the compiler or linker means the mutant is not valid
# C++; a build that fails later ran the mutated code (the catalogue import)
# and so counts as a kill.
build_failure_kind() {
    if grep -qE '^[^ ]+:[0-9]+:[0-9]+: (fatal )?error:|^cc1plus:|undefined reference|ld returned' "$1"; then
        echo stillborn
    else
        echo killed
    fi
}

# Test numbers per test program, from ctest's own list of tests.
declare -A tests_of_program
collect_tests() {
    local number program
    while IFS=$'\t' read -r number program; do
        tests_of_program[$program]+="$number,"
    done < <(ctest --test-dir "$build" --show-only=json-v1 2>/dev/null | python3 -c '
import json, os, sys
for number, test in enumerate(json.load(sys.stdin)["tests"], 1):
    command = test.get("command") or ["unknown"]
    print(f"{number}\t{os.path.basename(command[0])}")')
}

# Test programs to run first for a mutant in FILE: the tests of its layer.
first_programs() {
    case "$1" in
        store/*) echo kodexa_store_tests ;;
        index/*) echo kodexa_index_tests ;;
        check/*) echo kodexa_check_tests kodexa_index_tests kodexa_tools_tests ;;
        import/*|catalogue/import*|catalogue/catalogue_writer*|catalogue/catalogue_replace*)
            echo kodexa_catalogue_tests kodexa_tools_tests ;;
        catalogue/*) echo kodexa_catalogue_tests ;;
        ui/*) echo kodexa_ui_tests kodexa_app_tests ;;
        app/*) echo kodexa_app_tests kodexa_ui_tests ;;
        tools/*) echo kodexa_tools_tests ;;
    esac
}

# Runs the listed test numbers with ctest; prints "pass", "fail" or "timeout".
run_ctest_numbers() {
    local numbers=$1 log=$2 status
    [ -n "$numbers" ] || { echo pass; return; }
    ctest --test-dir "$build" -I "0,0,0,${numbers%,}" --stop-on-failure -j "$jobs" \
        --timeout "$test_timeout" --output-on-failure >>"$log" 2>&1
    status=$?
    if [ $status = 0 ]; then echo pass
    elif grep -q '\*\*\*Timeout' "$log"; then echo timeout
    else echo fail; fi
}

# Runs the suite in stages, likeliest killers first. Prints the outcome and the
# first failing test (if any).
run_staged_tests() {
    local file=$1 log=$2 program first="" gtest_rest="" scripts_rest="" outcome stage
    local -A is_first=()
    for program in $(first_programs "$file"); do
        is_first[$program]=1
        first+=${tests_of_program[$program]:-}
    done
    # The other programs go cheapest first; ones not named here come last.
    local cheap_first="kodexa_store_tests kodexa_fuzz_replay kodexa_app_tests kodexa_ui_tests
        kodexa_index_tests kodexa_tools_tests kodexa_catalogue_tests"
    local ordered=$(echo "$cheap_first" "${!tests_of_program[@]}" | tr ' ' '\n' | awk 'NF && !seen[$0]++')
    for program in $ordered; do
        [ -n "${tests_of_program[$program]:-}" ] || continue
        [ -n "${is_first[$program]:-}" ] && continue
        case "$program" in
            *.sh) scripts_rest+=${tests_of_program[$program]} ;;
            *) gtest_rest+=${tests_of_program[$program]} ;;
        esac
    done
    for stage in "$first" "$gtest_rest" "$scripts_rest"; do
        outcome=$(run_ctest_numbers "$stage" "$log")
        if [ "$outcome" != pass ]; then
            echo "$outcome $(grep -m1 -E '\*\*\*(Failed|Timeout|Exception)|Not Run' "$log" |
                sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/')"
            return
        fi
    done
    echo pass
}

# Reads the table: id, file, search text, replacement, kind (tab separated;
# blank lines and lines starting with # are skipped).
read_table() {
    grep -vE '^\s*(#|$)' "$table"
}

wanted() {
    [ ${#only[@]} = 0 ] && return 0
    local id
    for id in "${only[@]}"; do [ "$id" = "$1" ] && return 0; done
    return 1
}

if [ "$list_only" = 1 ]; then
    while IFS=$'\t' read -r -u 3 id file search replacement kind; do
        wanted "$id" || continue
        at=$(locate_mutant "$file" "$search")
        printf '%-6s %-8s %-6s %s\n' "$id" "$kind" "$([ -n "$at" ] && echo ok || echo stale)" "${at:-$file}"
    done 3< <(read_table)
    exit 0
fi

mkdir -p "$work/logs"
sync_copy
if ! build_tree "$work/logs/clean-build.log"; then
    echo "mutation-sample: the unchanged tree does not build (see $work/logs/clean-build.log)" >&2
    exit 1
fi
collect_tests
if [ "$clean_check" = 1 ]; then
    echo "mutation-sample: running the whole suite on the unchanged tree first"
    if ! ctest --test-dir "$build" -j "$jobs" --timeout "$test_timeout" >"$work/logs/clean-tests.log" 2>&1; then
        echo "mutation-sample: the suite fails without any mutant (see $work/logs/clean-tests.log)" >&2
        exit 1
    fi
fi

current_file=""
trap '[ -n "$current_file" ] && restore_file "$current_file"' EXIT
trap 'exit 130' INT TERM

total=0 killed=0 survived=0 stillborn=0 stale=0 timed_out=0
printf '# id\tresult\tfile\tkind\tdetail\tseconds\n' >"$results"
# The table comes in on descriptor 3: the build and the tests read stdin.
while IFS=$'\t' read -r -u 3 id file search replacement kind; do
    wanted "$id" || continue
    total=$((total + 1))
    started=$(date +%s)
    log="$work/logs/$id.log"
    : >"$log"
    at=$(locate_mutant "$file" "$search")
    detail=""
    if [ -z "$at" ]; then
        result=stale
        detail="search text not found exactly once"
    elif ! apply_mutant "$tree/$at" "$search" "$replacement"; then
        result=stale
        detail="private copy out of step"
    else
        current_file=$at
        if ! build_tree "$log"; then
            result=$(build_failure_kind "$log")
            # The step that failed, e.g. the import of the shipped catalogue.
            detail="build:$(grep -m1 -oE '\*\*\* \[[^]:]+' "$log" | sed -E 's|.*/([^/]+)\.dir/.*|\1|')"
        else
            read -r result detail < <(run_staged_tests "$at" "$log")
            case "$result" in
                fail) result=killed ;;
                pass) result=survived ;;
                timeout) result=timeout ;;
            esac
        fi
        restore_file "$at"
        current_file=""
    fi
    case "$result" in
        killed) killed=$((killed + 1)) ;;
        survived) survived=$((survived + 1)) ;;
        stillborn) stillborn=$((stillborn + 1)) ;;
        stale) stale=$((stale + 1)) ;;
        timeout) timed_out=$((timed_out + 1)) ;;
    esac
    seconds=$(($(date +%s) - started))
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$id" "$result" "${at:-$file}" "$kind" "${detail:--}" "$seconds" >>"$results"
    printf '%-6s %-10s %-40s %s (%ss)\n' "$id" "$result" "${at:-$file}" "${detail:-}" "$seconds"
done 3< <(read_table)

summary="$total mutants: $killed killed, $survived survived, $stillborn did not build, $stale stale"
[ "$timed_out" -gt 0 ] && summary+=", $timed_out timed out"
echo "# $summary" >>"$results"
echo "$summary"
