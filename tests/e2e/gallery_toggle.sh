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

. "$(dirname "$0")/xvfb_session.sh"

SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 \
    "$gallery" --print-layout --snapshot-on-signal "$work/shot" >"$work/gallery.out" 2>"$work/gallery.log" &
app_pid=$!

# Found by its class: SDL types the title as UTF8_STRING in a UTF-8 locale, which xdotool's
# --name search does not read.
window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane-gallery$' | head -n 1)
[ -n "$window" ] || fail "the gallery's window did not appear"
wait_until 'grep -qs "^toggle " "$work/gallery.out"' 100 || fail "the gallery printed no layout"
set -- $(grep "^toggle " "$work/gallery.out")
left=$2 top=$3 right=$4 bottom=$5

# Asks the gallery for snapshot number $1 and waits for the file.
snapshot() {
    kill -USR1 "$app_pid" || fail "the gallery is gone"
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
