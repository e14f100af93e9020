#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would:
# every file in its place, the links in PREFIX/bin relative and leading to
# PREFIX/lib/kodexa, each program answering --help and --version through its
# link, kodexa-find finding the installed catalogue from another working
# directory, and the manual pages readable.
#   usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_test: FAIL: $*" >&2; exit 1; }
prefix=$work/prefix
programs=(kodexa kodexa-find kodexa-import kodexa-check)

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "install failed"; }

expected=(share/applications/kodexa.desktop share/metainfo/com.example.taviron.kodexa.metainfo.xml
          share/doc/kodexa/copyright share/doc/kodexa/changelog.Debian.gz)
for n in 1 2 3 5 6; do expected+=(lib/kodexa/data$n.dat lib/kodexa/data$n.ndx); done
for size in 16 32 48 128; do expected+=(share/icons/hicolor/${size}x$size/apps/kodexa.png); done
for program in "${programs[@]}"; do expected+=(lib/kodexa/$program share/man/man1/$program.1.gz); done
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] && [ ! -L "$prefix/$file" ] || fail "$file not installed"
done
for size in 16 32 48 128; do
    got=$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/kodexa.png")
    [ "$got" = "${size}x$size" ] || fail "the ${size}x$size icon is $got"
done
# Nothing installed beyond what is expected and the four links.
unexpected=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort |
             grep -vxF -f <(printf '%s\n' "${expected[@]}" "${programs[@]/#/bin/}") || true)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"

for program in "${programs[@]}"; do
    link=$prefix/bin/$program
    [ -L "$link" ] || fail "bin/$program is not a link"
    target=$(readlink "$link")
    [ "$target" = "../lib/kodexa/$program" ] || fail "bin/$program leads to $target"
    [ -x "$prefix/lib/kodexa/$program" ] || fail "lib/kodexa/$program is not executable"
done
for file in "$prefix"/lib/kodexa/data*; do
    [ "$(stat -c %a "$file")" = 644 ] || fail "$file has mode $(stat -c %a "$file")"
done

# From elsewhere, with the build tree out of reach of the working directory.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
for program in "${programs[@]}"; do
    "$prefix/bin/$program" --version >"$work/out" 2>&1 || fail "$program --version failed: $(cat "$work/out")"
    grep -q '1\.0' "$work/out" || fail "$program --version said: $(cat "$work/out")"
    "$prefix/bin/$program" --help >"$work/out" 2>&1 || fail "$program --help failed: $(cat "$work/out")"
    grep -qi "usage: $program" "$work/out" || fail "$program --help said: $(cat "$work/out")"
done

"$prefix/bin/kodexa-find" --code A00.0 >"$work/out" 2>&1 || fail "kodexa-find --code A00.0: $(cat "$work/out")"
grep -qx 'code: A00.0' "$work/out" || fail "kodexa-find --code A00.0 said: $(cat "$work/out")"
grep -qx 'title: Cholera durch Vibrio cholerae O:1, Biovar cholerae' "$work/out" ||
    fail "kodexa-find --code A00.0 said: $(cat "$work/out")"
grep -qx 'edition: 2024' "$work/out" || fail "kodexa-find --code A00.0 named no edition: $(cat "$work/out")"
"$prefix/bin/kodexa-check" "$prefix"/lib/kodexa/data* >"$work/out" || fail "installed catalogue: $(cat "$work/out")"
[ "$(grep -c 'result: sound' "$work/out")" = 10 ] || fail "kodexa-check said: $(cat "$work/out")"

# The link is followed to the real directory: without the installed index
# the program must miss it there, not find another catalogue.
mv "$prefix/lib/kodexa/data3.ndx" "$work/data3.ndx"
status=0
"$prefix/bin/kodexa-find" cholera >"$work/out" 2>&1 || status=$?
[ "$status" = 1 ] && grep -qF "no catalogue in $prefix/lib/kodexa/" "$work/out" ||
    fail "without data3.ndx kodexa-find gave status $status: $(cat "$work/out")"
mv "$work/data3.ndx" "$prefix/lib/kodexa/data3.ndx"

# Manual pages: valid gzip, and rendered without a single complaint.
for program in "${programs[@]}"; do
    page=$prefix/share/man/man1/$program.1.gz
    gzip -t "$page" || fail "$program.1.gz is no gzip file"
    if command -v man >/dev/null; then
        warnings=$(man --warnings -E UTF-8 -l "$page" 2>&1 >"$work/page") || fail "man $program failed: $warnings"
        [ -z "$warnings" ] || fail "man $program: $warnings"
        grep -q "^NAME" <(col -b <"$work/page") || fail "man $program has no NAME section"
    fi
done
echo "install_test: passed ($(du -sh "$prefix" | cut -f1) installed)"
