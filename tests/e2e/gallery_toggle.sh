#!/bin/sh
# End to end on a real X server: the gallery opens its window on Xvfb, xdotool clicks the
# standalone toggle button, and the gallery's own screenshots before and after the click must
# differ in the button's rectangle, whose face turns to the accent blue.
#
# usage: gallery_toggle.sh QUELVANE_GALLERY PNG_REGION_CHANGED_PY
# Exit 77 (skipped) when Xvfb or xdotool is missing.

set -u
gallery=$1
compare=$2

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quelvane-e2e-XXXXXX") || exit 1
xvfb_pid=
gallery_pid=

cleanup() {
    for pid in $gallery_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
    done
    for pid in $gallery_pid $xvfb_pid; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $log"; tail -n 20 "$log"; }
    done
    exit 1
}

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_until() {
    tries=0
    while ! eval "$1"; do
        tries=$((tries + 1))
        [ "$tries" -ge "$2" ] && return 1
        sleep 0.1
    done
    return 0
}

# Xvfb picks a free display and writes its number on descriptor 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_until 'grep -qs "[0-9]" "$work/display"' 100 || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 \
    "$gallery" --print-layout --snapshot-on-signal "$work/shot" >"$work/gallery.out" 2>"$work/gallery.log" &
gallery_pid=$!

# Found by its class: SDL types the title as UTF8_STRING in a UTF-8 locale, which xdotool's
# --name search does not read.
window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane-gallery$' | head -n 1)
[ -n "$window" ] || fail "the gallery's window did not appear"
wait_until 'grep -qs "^toggle " "$work/gallery.out"' 100 || fail "the gallery printed no layout"
set -- $(grep "^toggle " "$work/gallery.out")
left=$2 top=$3 right=$4 bottom=$5

# Asks the gallery for snapshot number $1 and waits for the file.
snapshot() {
    kill -USR1 "$gallery_pid" || fail "the gallery is gone"
    wait_until "[ -f '$work/shot-$1.png' ]" 100 || fail "snapshot $1 did not arrive"
}

snapshot 1
xdotool mousemove --window "$window" $(((left + right) / 2)) $(((top + bottom) / 2)) click 1 \
    || fail "xdotool could not click"

# The click travels through the X server and SDL: allow a few snapshots for it to show.
count=1
while [ "$count" -lt 6 ]; do
    sleep 0.2
    count=$((count + 1))
    snapshot "$count"
    if python3 "$compare" "$work/shot-1.png" "$work/shot-$count.png" "$left" "$top" "$right" "$bottom" \
        --colour 3574d4 $((left + 8)) $(((top + bottom) / 2)); then
        echo "PASS: the toggle button changed its look after the click"
        exit 0
    fi
done
fail "the toggle button's area did not change"
