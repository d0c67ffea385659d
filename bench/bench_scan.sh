#!/usr/bin/env bash
# bench_scan.sh BUILD_DIR: times `tessaly-cli extract FILE --count` against ripgrep
# looking for the same 17 prefixes (case-insensitive, fixed strings, binary as text)
# on a 256 MiB index.dat-like file that scan_gen writes, and prints the throughput
# of each in MiB/s and the ratio tessaly/rg. Warm cache: one warm-up run of each,
# then RUNS runs each (hyperfine when present, else alternating timed runs); the
# medians are compared. Then the peak memory of the scan, counting and writing
# every row, on a 64 MiB and the 256 MiB file, which should be the same.
set -euo pipefail

build=$(cd "${1:?usage: bench_scan.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-7}
cli="$build/src/cli/tessaly-cli"
gen="$build/bench/scan_gen"
out="$here/out"
big="$out/scan-256.dat"
small="$out/scan-64.dat"

# shellcheck source=bench_lib.sh
source "$here/bench_lib.sh"
require_built "$cli" "$gen"
command -v rg >/dev/null || { echo "ripgrep is missing: apt-get install ripgrep" >&2; exit 1; }
mkdir -p "$out"
[[ -s $big ]] || { echo "writing $big ..." >&2; "$gen" "$big" 256; }
[[ -s $small ]] || { echo "writing $small ..." >&2; "$gen" "$small" 64; }

prefixes=('http://' 'https://' 'mailto:' 'news://' 'ftp://' 'cookie' 'userdata' 'view-source:'
          'visited:' 'feed://' 'mms://' 'aim://' '\\' 'ldap://' 'ed2k://' '@file:///' '@:host')
rg_args=(-a -i -F --count-matches)
for p in "${prefixes[@]}"; do rg_args+=(-e "$p"); done

run_tessaly() { "$cli" extract "$big" --count >/dev/null; }
run_rg() { rg "${rg_args[@]}" "$big" >/dev/null; }

# ripgrep counts matches that do not overlap, so its count can fall a little short
# where prefixes overlap (three backslashes in a row); both are shown.
echo "rows found: tessaly $("$cli" extract "$big" --count), rg $(rg "${rg_args[@]}" "$big")"

cat "$big" >/dev/null
if command -v hyperfine >/dev/null; then
    csv="$out/scan.csv"
    q_rg=$(printf "%q " rg "${rg_args[@]}" "$big")
    hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$csv" \
        "$cli extract '$big' --count" "$q_rg" >&2
    t=$(awk -F, 'NR == 2 { print $4 }' "$csv")  # median column
    r=$(awk -F, 'NR == 3 { print $4 }' "$csv")
    # CPU seconds (user + system, means): steadier than wall time on a busy machine.
    awk -F, 'NR == 2 { t = $5 + $6 } NR == 3 { r = $5 + $6 }
        END { printf "cpu time: tessaly %.4fs, rg %.4fs, ratio tessaly/rg %.2f\n", t, r, r / t }' "$csv"
else
    run_tessaly
    run_rg
    tt=() rt=()
    for ((i = 0; i < runs; i++)); do
        tt+=("$(seconds run_tessaly)")
        rt+=("$(seconds run_rg)")
    done
    t=$(printf '%s\n' "${tt[@]}" | median)
    r=$(printf '%s\n' "${rt[@]}" | median)
fi
mib=$(awk -v b="$(stat -c %s "$big")" 'BEGIN { printf "%.1f", b / 1048576 }')
awk -v t="$t" -v r="$r" -v m="$mib" 'BEGIN {
    printf "file: %s MiB\n", m
    printf "tessaly-cli extract --count: median %.4fs  %8.0f MiB/s\n", t, m / t
    printf "rg (17 prefixes, -a -i -F):  median %.4fs  %8.0f MiB/s\n", r, m / r
    printf "ratio tessaly/rg (throughput): %.2f\n", r / t
}'

if [[ -x /usr/bin/time ]]; then
    for f in "$small" "$big"; do
        rss=$( { /usr/bin/time -v "$cli" extract "$f" --count >/dev/null; } 2>&1 |
               awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
        echo "max RSS, extract --count on $(basename "$f"): ${rss} KiB"
        # Every row written out, as they are found: the same flat memory.
        rss=$( { /usr/bin/time -v "$cli" extract "$f" | wc -c >/dev/null; } 2>&1 |
               awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
        echo "max RSS, extract (all rows out) on $(basename "$f"): ${rss} KiB"
    done
fi
