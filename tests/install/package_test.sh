#!/usr/bin/env bash
# The Debian package on this machine: built with CPack from the build tree,
# looked over by lintian, installed with dpkg, used by an unprivileged user
# (kodexa-find from /usr/bin, and the window on a private X server copying a
# code from the catalogue it may only read), then removed without a trace.
#   usage: package_test.sh BUILD_DIR
# Exits 77 (skipped) when not root, when a tool is missing, or when a
# package kodexa is installed already (it is left alone).
set -euo pipefail
build=$(cd "$1" && pwd)
skip() { echo "package_test: skipped: $*"; exit 77; }
fail() { echo "package_test: FAIL: $*" >&2; exit 1; }
# A step that fails without its own message still names itself.
trap 'echo "package_test: FAIL: line $LINENO: $BASH_COMMAND ended with status $?" >&2' ERR

[ "$(id -u)" = 0 ] || skip "needs root to install the package"
for tool in dpkg dpkg-deb dpkg-shlibdeps cpack runuser Xvfb xdotool xclip; do
    command -v "$tool" >/dev/null || skip "$tool missing"
done
known() { dpkg-query -W -f='${Status}' kodexa 2>/dev/null | grep -qv 'not-installed$'; }
if known; then
    skip "a package kodexa is installed already"
fi

umask 022
work=$(mktemp -d)
chmod 755 "$work"
user=nobody
home=$work/home
mkdir "$home"
chown "$user:" "$home"
installed=0
xvfb_pid=
kodexa_pid=
cleanup() {
    [ -n "$kodexa_pid" ] && kill "$kodexa_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ "$installed" = 1 ] && dpkg_waiting -r kodexa || true
    rm -rf "$work"
}
trap cleanup EXIT
# dpkg refuses at once while another dpkg or apt holds its lock (an upgrade
# run at boot, another build's test); wait up to a minute for it.
dpkg_waiting() {
    for _ in $(seq 60); do
        dpkg "$@" >"$work/dpkg.log" 2>&1 && return 0
        grep -q 'lock' "$work/dpkg.log" || return 1
        sleep 1
    done
    return 1
}
as_user() { runuser -u "$user" -- env HOME="$home" DISPLAY="${DISPLAY:-}" "$@"; }

# Build.
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/package/kodexa_*_amd64.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no single kodexa_*_amd64.deb: ${debs[*]}"
deb=${debs[0]}
echo "package_test: $(basename "$deb"), $(stat -c %s "$deb") bytes"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package_test: Depends: $depends"
for package in libfox-1.6-0 libc6 libstdc++6 zlib1g; do
    grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package"
done
dpkg-deb -c "$deb" >"$work/contents"
grep -q ' \./usr/lib/kodexa/data3\.ndx$' "$work/contents" && grep -q ' \./usr/lib/kodexa/data5\.ndx$' "$work/contents" || fail "the package lacks the catalogue"
grep -q ' \./usr/bin/kodexa -> \.\./lib/kodexa/kodexa$' "$work/contents" || fail "the package lacks the link"
if command -v lintian >/dev/null; then
    lintian_status=0
    as_user lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
    echo "package_test: lintian: $(grep -c '^E:' "$work/lintian" || true) errors," \
        "$(grep -c '^W:' "$work/lintian" || true) warnings"
    [ -s "$work/lintian" ] && sed 's/^/    /' "$work/lintian"
    grep -q '^E:' "$work/lintian" && fail "lintian reports errors"
    [ "$lintian_status" = 0 ] || fail "lintian ended with status $lintian_status"
fi

# What of the package's paths is there before; all else must go again.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' | sort -r >"$work/paths"
while read -r path; do
    if [ -e "$path" ] || [ -L "$path" ]; then echo "$path"; fi
done <"$work/paths" >"$work/there-before"

# Install, and use it as an ordinary user.
dpkg_waiting -i "$deb" || { cat "$work/dpkg.log"; installed=1; fail "dpkg -i failed"; }
installed=1
cd /
as_user /usr/bin/kodexa-find cholera >"$work/found" 2>&1 || fail "kodexa-find cholera: $(cat "$work/found")"
grep -qP '^A00\.0\tCholera durch Vibrio cholerae O:1, Biovar cholerae$' "$work/found" ||
    fail "kodexa-find cholera said: $(cat "$work/found")"
[ -f /usr/share/man/man1/kodexa-import.1.gz ] || fail "no manual page for kodexa-import"

exec 3>"$work/display"
runuser -u "$user" -- Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>"$work/xvfb.log" &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -1 "$work/display")

# Empty when no window shows within 20 s; the caller says what is missing.
find_window() { as_user timeout 20 xdotool search --sync --onlyvisible --limit 1 --name "^$1\$" 2>/dev/null || true; }
clip() { sleep 0.3; as_user xclip -selection clipboard -o -t UTF8_STRING 2>/dev/null || true; }
as_user /usr/bin/kodexa >"$work/kodexa.log" 2>&1 &
kodexa_pid=$!
first=$(find_window 'Erster Start \.\.\.')
[ -n "$first" ] || fail "no first-start window: $(cat "$work/kodexa.log")"
# Focus may not arrive at the first try on a busy machine: Return goes again
# while the window is still up.
for _ in $(seq 20); do
    as_user xwininfo -id "$first" 2>/dev/null | grep -q 'Map State: IsViewable' || break
    as_user xdotool windowfocus --sync "$first" key Return 2>/dev/null || true
    sleep 0.5
done
main=$(find_window 'Taviron Kodexa 1\.0')
[ -n "$main" ] || fail "no main window: $(cat "$work/kodexa.log")"
[ -z "$(as_user xdotool search --name '^Katalogdatei$' 2>/dev/null)" ] || fail "the window could not open the catalogue"
as_user xdotool windowfocus --sync "$main" mousemove --window "$main" 150 66 click 1
# Open the first chapter, its first group and A00: the cursor lands on A00.0.
as_user xdotool key Right Down Right Down Right Down
copied=
for _ in $(seq 8); do
    as_user xdotool key ctrl+c
    copied=$(clip)
    [ "$copied" = A00.0 ] && break
    as_user xdotool key Down
done
[ "$copied" = A00.0 ] || fail "Ctrl+C copied '$copied', not A00.0"
as_user xdotool mousemove 1 1 key alt+d
sleep 0.2
as_user xdotool key Down Down Return  # "Katalog wählen", then "Beenden"
timeout 20 tail --pid="$kodexa_pid" -f /dev/null || fail "the window did not close"
status=0
wait "$kodexa_pid" || status=$?
kodexa_pid=
[ "$status" = 0 ] || fail "kodexa ended with status $status: $(cat "$work/kodexa.log")"
[ -f "$home/.foxrc/Taviron/Kodexa" ] || fail "no settings file in the user's home"
# The user could only read the catalogue, so every file is as shipped.
verify=$(dpkg --verify kodexa 2>&1) || true
[ -z "$verify" ] || fail "installed files changed: $verify"

# Remove: nothing of the package may stay behind.
dpkg_waiting -r kodexa || { cat "$work/dpkg.log"; fail "dpkg -r failed"; }
installed=0
! known || fail "after dpkg -r the package is '$(dpkg-query -W -f='${Status}' kodexa)'"
left=
while read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    grep -qxF "$path" "$work/there-before" && [ -d "$path" ] && [ ! -L "$path" ] && continue
    left+=" $path"
done <"$work/paths"
[ -z "$left" ] || fail "left after dpkg -r:$left"
[ ! -e /usr/lib/kodexa ] || fail "/usr/lib/kodexa is still there"
echo "package_test: passed"
