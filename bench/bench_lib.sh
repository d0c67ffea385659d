# Helpers the benchmark scripts source.

# Exits with a message unless every argument is an executable file.
require_built() {
    local tool
    for tool in "$@"; do
        [[ -x $tool ]] || { echo "missing $tool: build it first" >&2; exit 1; }
    done
}

# Prints the seconds one call of "$@" takes.
seconds() {
    local start end
    start=$(date +%s%N)
    "$@"
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.4f\n", ns / 1e9 }'
}

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
