#!/usr/bin/env bash
# bench_records.sh BUILD_DIR: reads the records of a valid index.dat of 36,000
# records (about 15 MiB, written by records_gen) with `tessaly-cli records`,
# the format library's `msiecfexport -m all` and `pasco`, output discarded, and
# prints the times and how many times faster tessaly is (goal: at least 20
# times msiecfexport). Warm cache: one warm-up run of each, then RUNS runs each
# with hyperfine (medians; CPU time too, steadier on a busy machine), else one
# timed run each. Then folder mode on trees of 200 and 2,000 copies of the
# shared sample files: the peak memory (GNU time's maximum resident set) should
# not grow with the number of files.
set -euo pipefail

build=$(cd "${1:?usage: bench_records.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-3}
cli="$build/src/cli/tessaly-cli"
gen="$build/bench/records_gen"
out="$here/out"
file="$out/records-36000.dat"
samples="$here/../../shared/fixtures/indexdat"

# shellcheck source=bench_lib.sh
source "$here/bench_lib.sh"
require_built "$cli" "$gen"
mkdir -p "$out"
[[ -s $file ]] || { echo "writing $file ..." >&2; "$gen" "$file" 36000; }

peers=()
command -v msiecfexport >/dev/null && peers+=(msiecfexport) ||
    echo "msiecfexport is missing: apt-get install libmsiecf-utils" >&2
command -v pasco >/dev/null && peers+=(pasco) || echo "pasco is missing: apt-get install pasco" >&2

mib=$(awk -v b="$(stat -c %s "$file")" 'BEGIN { printf "%.1f", b / 1048576 }')
echo "file: $mib MiB, $("$cli" records "$file" | tail -n +2 | wc -l) records"

commands=("$cli records '$file'")
for p in "${peers[@]}"; do
    case $p in
        msiecfexport) commands+=("msiecfexport -m all '$file'") ;;
        pasco) commands+=("pasco '$file'") ;;
    esac
done

if command -v hyperfine >/dev/null; then
    csv="$out/records.csv"
    hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$csv" "${commands[@]}" >&2
    # Columns: command, mean, stddev, median, user, system, min, max.
    awk -F, 'NR == 2 { tw = $4; tc = $5 + $6 }
        NR > 2 { split($1, w, " "); printf "%-13s median %.4fs (tessaly %.4fs): tessaly %.1f times faster; cpu %.4fs (tessaly %.4fs): %.1f times\n",
                 w[1], $4, tw, $4 / tw, $5 + $6, tc, ($5 + $6) / tc }
        NR == 2 { printf "tessaly-cli records: median %.4fs, cpu %.4fs\n", tw, tc }' "$csv"
else
    t=$(seconds sh -c "${commands[0]} >/dev/null")
    echo "tessaly-cli records: ${t}s"
    for ((i = 1; i < ${#commands[@]}; i++)); do
        p=$(seconds sh -c "${commands[$i]} >/dev/null")
        awk -v p="$p" -v t="$t" -v c="${commands[$i]%% *}" \
            'BEGIN { printf "%-13s %.4fs: tessaly %.1f times faster\n", c, p, p / t }'
    done
fi

# Folder mode: trees of hard links to the samples (copies when links fail).
if [[ ! -d $samples ]]; then
    echo "no samples in $samples: folder mode skipped" >&2
    exit 0
fi
mapfile -t sample_files < <(find "$samples" -maxdepth 1 -name '*.dat' | sort)
make_tree() {  # make_tree DIR COUNT
    local dir=$1 count=$2 i target
    [[ -f $dir/.complete ]] && return
    rm -rf "$dir"
    for ((i = 0; i < count; i++)); do
        target="$dir/$((i / 100))/$i"
        mkdir -p "$target"
        ln "${sample_files[i % ${#sample_files[@]}]}" "$target/index.dat" 2>/dev/null ||
            cp "${sample_files[i % ${#sample_files[@]}]}" "$target/index.dat"
    done
    touch "$dir/.complete"
}
if [[ -x /usr/bin/time ]]; then
    declare -A rss
    for n in 200 2000; do
        make_tree "$out/tree-$n" "$n"
        rss[$n]=$( { /usr/bin/time -v "$cli" records "$out/tree-$n" >/dev/null; } 2>&1 |
                   awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
        echo "max RSS, records on a tree of $n sample files: ${rss[$n]} KiB"
    done
    awk -v a="${rss[200]}" -v b="${rss[2000]}" \
        'BEGIN { printf "peak memory 2,000 files / 200 files: %.2f (flat is 1.00)\n", b / a }'
else
    echo "GNU time is missing: apt-get install time" >&2
fi
