#!/usr/bin/env bash
# The bash completion of tessaly-cli against the built program: it reads the
# commands, options and formats from the program's usage texts, so each case
# here fails when either side changes without the other.
#   tests/install/completion_test.sh COMPLETION_FILE CLI
set -uo pipefail
completion=$1
cli=$2
# shellcheck source=tests/install/checks.sh
source "$(dirname "$0")/checks.sh"
if [[ ! -r /usr/share/bash-completion/bash_completion ]]; then
    echo "SKIP: bash-completion is not installed (apt-get install bash-completion)"
    exit 77
fi
# bash_completion refers to unset variables.
set +u
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1090
source "$completion"

mkdir "$work/evidence" "$work/evidence two"
: >"$work/index.dat"
cd "$work" || exit 1

# complete LINE: the sorted candidates for the cursor at the end of LINE
# (the program's name in LINE is replaced by the CLI under test).
complete_line() {
    local line=${1/#tessaly-cli/$cli}
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tessaly_cli tessaly-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' '
}

# expect LINE WANTED: the candidates are exactly WANTED (sorted, space-separated).
expect() {
    local got
    got=$(complete_line "$1")
    [[ $got == "$2" ]] || fail "'$1' completes to '$got', expected '$2'"
}

# expect_some LINE WORD...: each WORD is among the candidates.
expect_some() {
    local line=$1 got word
    shift
    got=" $(complete_line "$line") "
    for word in "$@"; do
        [[ $got == *" $word "* ]] || fail "'$line' completes to '$got', which lacks '$word'"
    done
}

expect_some "tessaly-cli " extract find address --help --version
expect "tessaly-cli ex" "extract"
expect "tessaly-cli --v" "--version"
expect "tessaly-cli extract index.dat --format " "html plain"
expect "tessaly-cli extract index.dat --format h" "html"
expect_some "tessaly-cli extract --" --count --format --help
expect "tessaly-cli extract in" "index.dat"
expect "tessaly-cli extract index.dat -o ev" "evidence evidence two"
expect "tessaly-cli find ev" "evidence evidence two"
expect "tessaly-cli find in" ""
expect "tessaly-cli address w" "web-of-trust web-sniffer wendel"
expect_some "tessaly-cli address " browser-defender launch link-scanner
expect "tessaly-cli address wendel " ""
expect "tessaly-cli address --l" "--list"
expect "tessaly-cli nosuch " ""
if "$cli" --help | grep -q "tessaly-cli records "; then
    expect "tessaly-cli records index.dat --format " "bodyfile csv html jsonl tsv"
    expect_some "tessaly-cli records index.dat --" --fragments --format
fi

finish "all completion cases passed"
