#!/usr/bin/env bash
# Builds the .deb of a build folder with CPack, unpacks it into a scratch root
# (dpkg-deb -x) and runs what it holds from there: the CLI's version, an
# extraction of a sample index.dat, the installed CLI reading its settings
# from the user's folder, and the window, started offscreen, finding its help
# page through the installed layout. Then lintian checks the package: no
# error and no warning, and every override in the package gives its reason.
#   tests/install/package_test.sh BUILD_DIR VERSION CLI SAMPLE_WRITER
set -uo pipefail
build=$1
version=$2
built_cli=$3
sample_writer=$4

# shellcheck source=tests/install/checks.sh
source "$(dirname "$0")/checks.sh"
require "apt-get install cmake dpkg-dev lintian file" cpack dpkg-deb dpkg-shlibdeps lintian file
verdict="the package installs, runs and passes lintian"

# --- build the package
deb=$work/out/tessaly_${version}_$(dpkg --print-architecture).deb
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack failed"
    finish "$verdict"
fi
[[ -f $deb ]] || {
    fail "cpack made no $(basename "$deb"): $(ls "$work/out")"
    finish "$verdict"
}
control=$(dpkg-deb -f "$deb" Package Version Depends)
grep -qx "Package: tessaly" <<<"$control" || fail "control: $control"
grep -qx "Version: $version" <<<"$control" || fail "control: $control"
grep -q "libqt6widgets6" <<<"$control" || fail "no dependency on Qt found by shlibdeps: $control"

# --- unpack into a scratch root; everything below runs from there
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x failed"
for file in usr/bin/tessaly usr/bin/tessaly-cli usr/share/tessaly/help.html \
    usr/share/applications/org.example.tessaly.Tessaly.desktop \
    usr/share/metainfo/org.example.tessaly.Tessaly.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/tessaly.svg \
    usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/tessaly.png \
    usr/share/man/man1/tessaly.1.gz usr/share/man/man1/tessaly-cli.1.gz \
    usr/share/bash-completion/completions/tessaly-cli \
    usr/share/doc/tessaly/copyright usr/share/doc/tessaly/changelog.gz; do
    [[ -f $root/$file ]] || fail "the package lacks /$file"
done
cli=$root/usr/bin/tessaly-cli

out=$("$cli" --version 2>&1) || fail "tessaly-cli --version failed: $out"
[[ $out == "Tessaly-cli $version" ]] || fail "tessaly-cli --version says '$out'"

# The unpacked CLI reads a sample exactly as the built one does and leaves
# it as it was.
"$sample_writer" "$work/sample/index.dat" || fail "the sample writer failed"
before=$(sha256sum <"$work/sample/index.dat")
"$cli" extract "$work/sample/index.dat" -o "$work/unpacked.txt" || fail "unpacked extract failed"
"$built_cli" extract "$work/sample/index.dat" -o "$work/built.txt" || fail "built extract failed"
[[ -s $work/built.txt ]] || fail "the sample gave no entries"
cmp -s "$work/unpacked.txt" "$work/built.txt" || fail "the unpacked and the built CLI extract differently"
[[ $(sha256sum <"$work/sample/index.dat") == "$before" ]] || fail "extract changed the file it read"

# An installed program keeps its settings in the user's folder even where it
# could write beside itself (as root here): `address wendel` reads the
# viewer's address from there.
export XDG_CONFIG_HOME=$work/config HOME=$work/home
mkdir -p "$XDG_CONFIG_HOME/Tessaly" "$HOME"
printf '[Paths]\r\nWendel=http://viewer.test/?u=\r\n' >"$XDG_CONFIG_HOME/Tessaly/Tessaly.ini"
out=$("$cli" address wendel http://www.example.com/ 2>&1) || fail "address wendel failed: $out"
[[ $out == "http://viewer.test/?u="* ]] || fail "the installed CLI did not read the user's settings: '$out'"
[[ ! -e $root/usr/bin/Tessaly.ini ]] || fail "the installed CLI made a settings file beside itself"

# The window, started offscreen, finds its help page in the installed data
# folder (there is none beside the program).
mkdir -m 700 "$work/runtime"
out=$(QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/runtime "$root/usr/bin/tessaly" --help-location 2>"$work/window.err")
status=$?
[[ $status == 0 ]] || fail "tessaly --help-location exited $status: $(cat "$work/window.err")"
[[ $out == "$root/usr/share/tessaly/help.html" ]] || fail "the window finds its help page at '$out'"

# --- lintian: nothing above an info, and each override has its reason
lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1
status=$?
grep -E '^[EW]: ' "$work/lintian.log" && fail "lintian reports errors or warnings"
[[ $status == 0 ]] || fail "lintian exited $status: $(cat "$work/lintian.log")"
overrides=$root/usr/share/lintian/overrides/tessaly
if [[ -f $overrides ]]; then
    previous=""
    while IFS= read -r line; do
        [[ $line == tessaly:* && $previous != "#"* ]] && fail "override without a reason: $line"
        [[ $line == tessaly:* ]] || previous=$line
    done <"$overrides"
fi

finish "$verdict"
