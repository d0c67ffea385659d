#!/usr/bin/env bash
# The files an install adds besides the programs: the desktop entry and the
# AppStream metainfo validate, the release history and the manual pages name
# the project's version, the manual pages render without warnings and cover
# every command the CLI has, and each icon PNG has the size of its folder.
#   tests/install/data_files_test.sh SOURCE_DIR BUILD_DIR VERSION CLI
set -uo pipefail
src=$1
build=$2
version=$3
cli=$4
app_id=org.example.tessaly.Tessaly

# shellcheck source=tests/install/checks.sh
source "$(dirname "$0")/checks.sh"
require "apt-get install desktop-file-utils appstream man-db" desktop-file-validate appstreamcli man

# --- desktop entry and metainfo: no errors and no warnings
out=$(desktop-file-validate "$src/data/$app_id.desktop" 2>&1) || fail "desktop-file-validate failed"
[[ -z $out ]] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net --no-color "$src/data/$app_id.metainfo.xml" 2>&1) ||
    fail "appstreamcli validate failed: $out"
grep -E '^[EW]: ' <<<"$out" && fail "appstreamcli validate reports errors or warnings"

# --- the newest release is this version, in the metainfo and the changelog
newest=$(grep -o '<release version="[^"]*"' "$src/data/$app_id.metainfo.xml" | head -n1 | cut -d'"' -f2)
[[ $newest == "$version" ]] || fail "the metainfo's newest release is '$newest', the project is $version"
newest=$(head -n1 "$src/packaging/deb/changelog" | sed -n 's/^tessaly (\([^)]*\)).*/\1/p')
[[ $newest == "$version" ]] || fail "packaging/deb/changelog starts at '$newest', the project is $version"

# --- manual pages: rendered without a warning, with the version
for page in "$build"/data/man/*.1; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/page.txt")
    [[ -z $warnings ]] || fail "$(basename "$page"): $warnings"
    grep -q "Tessaly $version" "$work/page.txt" || fail "$(basename "$page") does not name $version"
done

# --- tessaly-cli(1) covers every command and every command of `address`
cli_page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$build/data/man/tessaly-cli.1" 2>&1 | col -b)
while read -r command; do
    grep -Eq "^ +$command( |$)" <<<"$cli_page" || fail "tessaly-cli(1) has no section for '$command'"
done < <("$cli" --help | sed -n 's/^ *tessaly-cli \([a-z][a-z-]*\).*/\1/p')
for command in $("$cli" address 2>&1 | sed -n 's/^Commands://p'); do
    grep -q -- "$command" <<<"$cli_page" || fail "tessaly-cli(1) does not name the address command '$command'"
done

# --- icons: each PNG is as large as its folder says (width and height from IHDR)
for png in "$src"/data/icons/hicolor/*/apps/tessaly.png; do
    folder=$(basename "$(dirname "$(dirname "$png")")")
    size=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
    [[ $size == "$folder" ]] || fail "$png is $size"
done

finish "desktop entry, metainfo, release history, manual pages and icons are in order"
