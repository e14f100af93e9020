#!/usr/bin/env bash
# The desktop entry and the AppStream file pass their validators, and they
# name the program, the icon and each other consistently; the licence files
# agree.
#   usage: desktop_files_test.sh SOURCE_DIR
# Exits 77 (skipped) without desktop-file-validate or appstreamcli.
set -euo pipefail
dir=$1/packaging
fail() { echo "desktop_files_test: FAIL: $*" >&2; exit 1; }
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "desktop_files_test: skipped: $tool missing"; exit 77; }
done
entry=$dir/kodexa.desktop
metainfo=$dir/com.example.taviron.kodexa.metainfo.xml

# Hints are suggestions; warnings and errors fail.
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
if grep -v ': hint: ' <<<"$report" | grep -q .; then fail "desktop-file-validate: $report"; fi
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"

value() { sed -n "s/^$1=//p" "$entry"; }
[ "$(value Exec)" = kodexa ] || fail "Exec is '$(value Exec)'"
[ "$(value Icon)" = kodexa ] || fail "Icon is '$(value Icon)'"
grep -qE '(^|;)(Office|MedicalSoftware);' <<<"$(value Categories)" || fail "Categories: $(value Categories)"
for size in 16 32 48 128; do
    [ -f "$dir/icons/kodexa-$size.png" ] || fail "no $size pixel icon"
done
grep -q '<launchable type="desktop-id">kodexa.desktop</launchable>' "$metainfo" || fail "metainfo launches no kodexa.desktop"
grep -q '<id>com.example.taviron.kodexa</id>' "$metainfo" || fail "metainfo id does not match its file name"
# The code is under the MIT licence wherever a licence is named; the data
# keeps the BfArM's terms.
grep -q '^MIT License$' "$1/LICENSE" || fail "LICENSE is not the MIT licence"
grep -q 'Copyright (c) .* the Kodexa developers$' "$1/LICENSE" || fail "LICENSE names no copyright holder"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "metainfo project_license is not MIT"
copyright_licences=$(sed -n 's/^License: //p' "$dir/copyright" | sort -u | tr '\n' ' ')
[ "$copyright_licences" = "BfArM-Downloadbedingungen Expat " ] || fail "copyright names the licences $copyright_licences"
echo "desktop_files_test: passed"
