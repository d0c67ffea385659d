#!/usr/bin/env bash
# bench_find.sh BUILD_DIR: times `tessaly-cli find` against GNU find on the tree that
# tree_gen writes (40,000 folders, 400,000 files) and prints the ratio tessaly/find.
# Warm cache: one warm-up run of each, then RUNS alternating runs (alternating keeps a busy
# machine fair to both); the medians are compared. HYPERFINE=1 adds hyperfine's report.
set -euo pipefail

build=$(cd "${1:?usage: bench_find.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-7}
cli="$build/src/cli/tessaly-cli"
gen="$build/bench/tree_gen"
tree="$here/out/find-tree"

# shellcheck source=bench_lib.sh
source "$here/bench_lib.sh"
require_built "$cli" "$gen"
if [[ ! -e $tree/.complete ]]; then
    rm -rf "$tree"
    mkdir -p "$here/out"
    echo "writing $tree ..." >&2
    "$gen" "$tree"
    touch "$tree/.complete"
fi

run_tessaly() { "$cli" find "$tree" >/dev/null; }
run_find() { find "$tree" -name '*index.dat*' -printf '%p\t%s\n' >/dev/null; }

# Both must list the same qualifying files that both understand (find's -name is case
# sensitive, so compare only the names both take).
diff <("$cli" find "$tree" | cut -f1 | grep -E '/[0-9]*(old)?index\.dat$' | sort) \
     <(find "$tree" -name '*index.dat' | grep -E '/[0-9]*(old)?index\.dat$' | sort) >/dev/null \
    || { echo "tessaly-cli and find disagree on $tree" >&2; exit 1; }

run_tessaly
run_find
tessaly_times=()
find_times=()
for ((i = 0; i < runs; i++)); do
    tessaly_times+=("$(seconds run_tessaly)")
    find_times+=("$(seconds run_find)")
done
t=$(printf '%s\n' "${tessaly_times[@]}" | median)
f=$(printf '%s\n' "${find_times[@]}" | median)
echo "tessaly-cli find: median ${t}s of $runs runs (${tessaly_times[*]})"
echo "GNU find:         median ${f}s of $runs runs (${find_times[*]})"
awk -v t="$t" -v f="$f" 'BEGIN { printf "ratio tessaly/find: %.2f\n", t / f }'

if command -v hyperfine >/dev/null && [[ ${HYPERFINE:-0} == 1 ]]; then
    hyperfine --warmup 1 --runs "$runs" \
        "$cli find '$tree'" \
        "find '$tree' -name '*index.dat*' -printf '%p\t%s\n'"
fi
