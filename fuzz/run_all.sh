#!/usr/bin/env bash
# Runs every fuzz target for SECONDS over a scratch copy of its seed corpus
# (the committed corpus never grows) and fails when any target finds a crash.
#   fuzz/run_all.sh BUILD_DIR SECONDS
set -u
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

failed=""
for corpus in "$here"/corpus/*/; do
  name=$(basename "$corpus")
  target="$build/fuzz/fuzz_$name"
  if [ ! -x "$target" ]; then
    echo "fuzz: $target is missing" >&2
    failed="$failed $name"
    continue
  fi
  mkdir -p "$work/$name/corpus" "$work/$name/crashes"
  cp "$corpus"* "$work/$name/corpus/"
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=20000 \
       -print_final_stats=1 -artifact_prefix="$work/$name/crashes/" \
       "$work/$name/corpus" >"$work/$name/log" 2>&1; then
    echo "fuzz: $name FAILED; the log ends:" >&2
    tail -n 40 "$work/$name/log" >&2
    mkdir -p "$build/fuzz-crashes/$name"
    cp "$work/$name/crashes/"* "$build/fuzz-crashes/$name/" 2>/dev/null
    echo "fuzz: inputs kept in $build/fuzz-crashes/$name" >&2
    failed="$failed $name"
  else
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$work/$name/log" | sed "s/^/fuzz: $name /"
  fi
done

if [ -n "$failed" ]; then
  echo "fuzz: crashes found in:$failed" >&2
  exit 1
fi
echo "fuzz: no crash in any target"
