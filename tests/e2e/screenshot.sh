#!/usr/bin/env bash
# Screenshots of the real window under a virtual X server, kept as test
# artifacts for a person to look at (they are not compared with anything):
#
#   OUT_DIR/search.png   after a search of a small folder tree, started with
#                        Enter in the search field
#   OUT_DIR/tooltip.png  the pointer resting on a path the list cuts: its tooltip
#   OUT_DIR/focus.png    the keyboard focus on the Search button (Tab, Tab
#                        from the search field)
#   OUT_DIR/about.png    the About box over the window
#   OUT_DIR/extract.png  after opening a sample index.dat from the command line
#   OUT_DIR/records.png  the same file's Records tab with its timeline
#   OUT_DIR/records-filtered.png  the Records tab filtered by a typed text
#
# Usage: tests/e2e/screenshot.sh BUILD_DIR OUT_DIR
# Needs: xvfb (xvfb-run), xauth, xdotool, imagemagick (import).
#
# The program is copied into a scratch folder first, so its settings file
# and log are written there and earlier runs do not move the window.
set -euo pipefail

if [[ "${1:-}" == "--inside-x" ]]; then
    shift
    inside_x=1
else
    inside_x=0
fi

if [[ $# -ne 2 ]]; then
    echo "Usage: $0 BUILD_DIR OUT_DIR" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)
mkdir -p "$2"
out_dir=$(cd "$2" && pwd)

if [[ $inside_x -eq 0 ]]; then
    for tool in xvfb-run xauth xdotool import; do
        if ! command -v "$tool" >/dev/null; then
            echo "Error: $tool is missing (apt-get install xvfb xauth xdotool imagemagick)" >&2
            exit 1
        fi
    done
    if [[ ! -x "$build_dir/src/gui/tessaly" ]]; then
        echo "Error: $build_dir/src/gui/tessaly is not built" >&2
        exit 1
    fi
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" --inside-x "$build_dir" "$out_dir"
fi

# ------------------------------------------------------------ inside Xvfb

work=$(mktemp -d)
app_pid=""
cleanup() {
    if [[ -n "$app_pid" ]] && kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_AUTO_SCREEN_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

# Draw the screen's background so the window's edges show in the picture.
xsetroot_grey() { command -v xsetroot >/dev/null && xsetroot -solid '#5a6b7d' || true; }
xsetroot_grey

# A sample index.dat: the project's sample writer when it was built, else a
# few entries written by hand.
write_sample() {
    local target=$1
    mkdir -p "$(dirname "$target")"
    if [[ -x "$build_dir/tests/tessaly-sample" ]]; then
        "$build_dir/tests/tessaly-sample" "$target" >/dev/null
    else
        {
            printf 'Client UrlCache MMF Ver 5.2\0\0\0\0'
            local url
            for url in http://www.example.com/ https://news.example.org/today \
                       "Visited: alice@http://www.example.com/index.html" \
                       "Cookie:alice@example.com/" ftp://files.example.net/pub/readme.txt \
                       mailto:someone@example.com; do
                printf '%s' "$url"
                head -c $((150 - ${#url})) /dev/zero
            done
        } >"$target"
    fi
}

# The program, alone in its own folder.
mkdir -p "$work/app"
cp "$build_dir/src/gui/tessaly" "$work/app/tessaly"
[[ -f "$build_dir/src/gui/help.html" ]] && cp "$build_dir/src/gui/help.html" "$work/app/"

# Windows of the program that are showing, one id per line.
visible_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null || true; }

window_width() {
    xdotool getwindowgeometry --shell "$1" 2>/dev/null | sed -n 's/^WIDTH=//p'
}

# The main window: the widest window of the program showing.
main_window() {
    local id w best="" best_w=0
    for id in $(visible_windows); do
        w=$(window_width "$id")
        if [[ -n "$w" && "$w" -gt "$best_w" && "$w" -ge 500 ]]; then
            best=$id
            best_w=$w
        fi
    done
    echo "$best"
}

# Answers every message box with Return until the main window shows and no
# box is left, or gives up after about 30 seconds.
answer_boxes_until_main_window() {
    local i id w boxes main
    for ((i = 0; i < 150; ++i)); do
        boxes=0
        for id in $(visible_windows); do
            w=$(window_width "$id")
            if [[ -n "$w" && "$w" -lt 500 ]]; then
                boxes=1
                xdotool windowfocus --sync "$id" 2>/dev/null || true
                xdotool key --window "$id" Return 2>/dev/null || true
                sleep 0.3
            fi
        done
        main=$(main_window)
        if [[ -n "$main" && $boxes -eq 0 ]]; then
            echo "$main"
            return 0
        fi
        sleep 0.2
    done
    echo "Error: the main window did not show; the program printed:" >&2
    cat "$work/app.out" >&2 2>/dev/null || true
    return 1
}

start_app() {
    (cd "$work/app" && exec ./tessaly "$@") >"$work/app.out" 2>&1 &
    app_pid=$!
}

stop_app() {
    if [[ -n "$app_pid" ]]; then
        xdotool key --window "$1" ctrl+q 2>/dev/null || true
        for _ in $(seq 1 25); do
            kill -0 "$app_pid" 2>/dev/null || break
            sleep 0.2
        done
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
        app_pid=""
    fi
}

# Clicks a point given in pixels from the top-left of the window's client
# area (below the menu bar, whose height is the window's height less the
# client height of a window at its design size, 348 pixels at 96 dpi).
click_in_client() {
    local win=$1 x=$2 y=$3 height menu
    height=$(xdotool getwindowgeometry --shell "$win" | sed -n 's/^HEIGHT=//p')
    menu=$((height - 348))
    ((menu < 0)) && menu=0
    xdotool mousemove --window "$win" "$x" $((menu + y)) click 1
    sleep 0.3
}

# --- 1. Search: a small tree with a few index.dat files.
tree="$work/evidence"
write_sample "$tree/Users/alice/AppData/Local/Microsoft/Windows/History/History.IE5/index.dat"
write_sample "$tree/Users/alice/AppData/Roaming/Microsoft/Windows/Cookies/index.dat"
write_sample "$tree/Users/bob/Local Settings/Temporary Internet Files/Content.IE5/index.dat"
printf 'not an index file' >"$tree/Users/bob/notes.txt"
printf 'short' >"$tree/Users/bob/oldindex.dat"

start_app
win=$(answer_boxes_until_main_window)
sleep 0.5
# The search field (left 1095, top 4560 twips) and the Search button (left
# 8880) at 96 dpi.
click_in_client "$win" 200 313
xdotool key --window "$win" ctrl+a
xdotool type --delay 2 "$tree"
xdotool key --window "$win" Return
sleep 1.5
# Move onto the window's background so that the button is shown at rest.
height=$(xdotool getwindowgeometry --shell "$win" | sed -n 's/^HEIGHT=//p')
xdotool mousemove --window "$win" 600 $((height - 348 + 15))
sleep 0.3
import -window root "$out_dir/search.png"

# --- 1b. The pointer rests on the third row's location, which the list
# cuts: the tooltip gives the whole path.
xdotool mousemove --window "$win" 400 $((height - 348 + 96))
sleep 1.8
import -window root "$out_dir/tooltip.png"

# --- 1c. From the search field, Tab twice reaches the Search button, which
# draws its focus frame.
xdotool mousemove --window "$win" 600 $((height - 348 + 15))
click_in_client "$win" 200 313
xdotool key --window "$win" Tab Tab
sleep 0.4
import -window root "$out_dir/focus.png"

# --- 2. The About box over the window.
xdotool windowfocus --sync "$win" 2>/dev/null || true
xdotool key --window "$win" alt+h
sleep 0.4
xdotool key Up Return
sleep 1
import -window root "$out_dir/about.png"
for id in $(visible_windows); do
    w=$(window_width "$id")
    if [[ -n "$w" && "$w" -lt 500 ]]; then xdotool key --window "$id" Escape 2>/dev/null || true; fi
done
stop_app "$win"

# --- 3. Extraction: a sample file named on the command line.
sample="$work/sample/index.dat"
write_sample "$sample"
start_app "$sample"
win=$(answer_boxes_until_main_window)
sleep 1
import -window root "$out_dir/extract.png"

# --- 4. The Records tab (left 3840, top 160 twips), then a filter typed in
# the box at the tab's top.
click_in_client "$win" 309 23
sleep 0.5
import -window root "$out_dir/records.png"
click_in_client "$win" 120 44
xdotool type --delay 20 "visited"
sleep 0.8
import -window root "$out_dir/records-filtered.png"
stop_app "$win"

echo "Screenshots written to $out_dir: search.png tooltip.png focus.png about.png extract.png records.png records-filtered.png"
