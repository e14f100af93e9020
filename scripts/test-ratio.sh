#!/usr/bin/env bash
# Prints how many non-blank C++ lines the tests hold against the product:
# t = tests/ (fuzz targets and support included), p = every other tracked
# *.cpp/*.h outside tests/ and bench/, and t / (t + p). The project keeps the
# ratio at or below a third.
set -euo pipefail
cd "$(dirname "$0")/.."

count_lines() { xargs -r cat -- | grep -c '[^[:space:]]' || true; }

t=$(git ls-files -- 'tests/*.cpp' 'tests/*.h' | count_lines)
p=$(git ls-files -- '*.cpp' '*.h' ':!tests/*' ':!bench/*' | count_lines)
awk -v t="$t" -v p="$p" 'BEGIN { printf "t=%d p=%d ratio=%.3f\n", t, p, t / (t + p) }'
