#!/usr/bin/env bash
# run_all.sh BUILD_DIR: every benchmark of the project in one go: the scan
# against ripgrep, the folder walk against GNU find, the records reader
# against msiecfexport and pasco, the log beside a large settings file, and
# the window taking 1.5 million rows and a million records. Inputs are
# generated into bench/out/ (not committed).
set -euo pipefail
build=${1:?usage: run_all.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)

echo "== scan: tessaly-cli extract --count against ripgrep =="
"$here/bench_scan.sh" "$build"
echo
echo "== walk: tessaly-cli find against GNU find =="
"$here/bench_find.sh" "$build"
echo
echo "== log: 60,000 lines beside a small and a 10 MB settings file =="
"$build/bench/log_lines" 60000

echo "== records: tessaly-cli records against msiecfexport and pasco =="
"$here/bench_records.sh" "$build"
echo
echo "== window: 1.5 million rows into the contents list =="
if [[ -x $build/bench/gui_rows ]]; then
  "$build/bench/gui_rows" 1500000
else
  echo "gui_rows is not built (GUI off)"
fi
echo
echo "== window: 1,000,000 records into the Records tab =="
if [[ -x $build/bench/gui_records ]]; then
  "$build/bench/gui_records" 1000000
else
  echo "gui_records is not built (GUI off)"
fi
