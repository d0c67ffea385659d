#!/bin/bash
# tessaly-cli.exe under Wine prints what the Linux tessaly-cli prints: find,
# extract and records (in every format) on the real samples and on a
# generated tree, with the same exit status. Paths aside: both outputs have
# '\' (and its escaped form '\\') turned into '/' before they are compared
# (in both, so a backslash in the data itself stays a difference only when
# the programs differ), and a
# folder's listing is compared as a set, since the order of a directory read
# is the file system's.
#
# Usage: wine_parity.sh LINUX_CLI WINDOWS_CLI SAMPLES_FOLDER SAMPLE_WRITER
set -u
linux=$1
windows=$2
samples=$3
writer=$4
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64

for program in "$linux" "$windows" "$writer" "$wine"; do
  [ -x "$program" ] || { echo "SKIP: $program is missing"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# The generated tree: nested folders, a hidden one, a name in UTF-8, a link,
# and a chain deeper than MAX_PATH.
long=$(printf 'l%.0s' {1..60})
for at in tree/index.dat tree/a/index.dat tree/a/b/oldindex.dat "tree/caf\xc3\xa9/index.dat" \
          tree/.hidden/index.dat "tree/$long/$long/$long/$long/$long/index.dat"; do
  "$writer" "$(printf "$at")" || exit 1
done
printf 'not an index' > tree/a/index.dat.bak
if [ -d "$samples" ]; then
  mkdir -p samples
  cp "$samples"/*.dat samples/
fi

failures=0
# A separator in a path, also as the TSV and JSON formats escape it ("\\").
normal() { LC_ALL=C sed 's#\\\\#/#g; s#\\#/#g'; }
# compare NAME SORTED ARGS...: runs both programs with ARGS and compares.
compare() {
  local name=$1 sorted=$2
  shift 2
  "$linux" "$@" > linux.out 2> linux.err
  local linuxStatus=$?
  "$wine" "$windows" "$@" > windows.out 2> windows.err
  local windowsStatus=$?
  normal < linux.out > linux.txt
  normal < windows.out > windows.txt
  if [ "$sorted" = sorted ]; then
    LC_ALL=C sort -o linux.txt linux.txt
    LC_ALL=C sort -o windows.txt windows.txt
  fi
  if [ "$linuxStatus" != "$windowsStatus" ] || ! cmp -s linux.txt windows.txt; then
    echo "DIFFERS: $name (exit $linuxStatus on Linux, $windowsStatus under Wine)"
    diff linux.txt windows.txt | head -5
    head -3 windows.err
    failures=$((failures + 1))
  else
    echo "same: $name"
  fi
}

compare "find tree" sorted find tree
files=$(find tree samples -name '*.dat' -not -path '*/.hidden/*' 2>/dev/null | LC_ALL=C sort)
while IFS= read -r file; do
  [ -n "$file" ] || continue
  compare "extract $file" plain extract "$file"
  compare "extract --format html $file" plain extract --format html "$file"
  for format in tsv csv jsonl bodyfile html; do
    compare "records --format $format $file" plain records --format "$format" "$file"
  done
  compare "records --fragments $file" plain records --fragments "$file"
done <<< "$files"
compare "records tree" sorted records tree
compare "extract of a missing file" plain extract tree/absent.dat
compare "records of a missing file" plain records tree/absent.dat

if [ "$failures" -ne 0 ]; then
  echo "$failures outputs differ"
  exit 1
fi
echo "every output is the same"
