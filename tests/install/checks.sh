# shellcheck shell=bash
# What the install tests share; source it first. It gives a scratch folder
# $work (links resolved, removed on exit), `require`, `fail` and `finish`.

work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-install.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
work=$(cd "$work" && pwd -P)
failures=0

# require HINT TOOL...: skips the test (exit 77) when a TOOL is not on the
# PATH; HINT says which packages bring them.
require() {
    local hint=$1 tool
    shift
    for tool in "$@"; do
        if [[ -z $(command -v "$tool") ]]; then
            echo "SKIP: $tool is missing ($hint)"
            exit 77
        fi
    done
}

# fail TEXT: reports one failed check and goes on.
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# finish TEXT: exits 1 when a check failed, else prints TEXT and exits 0.
finish() {
    if ((failures > 0)); then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "$1"
    exit 0
}
