#!/bin/sh
# End to end on a real X server: Alt+Space, typed through the X server, opens the gallery's own
# window menu as a window of its own; Escape closes it; opening it again reuses that window; the
# program lives on throughout and ends cleanly.
#
# usage: window_menu.sh QUELVANE_GALLERY
# Exit 77 (skipped) when Xvfb or xdotool is missing.

set -u
gallery=$1
. "$(dirname "$0")/xvfb_session.sh"

SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 "$gallery" >"$work/gallery.out" 2>"$work/gallery.log" &
app_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane-gallery$' | head -n 1)
[ -n "$window" ] || fail "the gallery's window did not appear"

# The number of the gallery's windows that are shown.
shown() {
    xdotool search --onlyvisible --classname '^quelvane-gallery$' 2>/dev/null | wc -l
}

# A click on the dialog's empty ground gives it the keyboard without pressing a control.
xdotool mousemove --window "$window" 8 455 click 1 || fail "xdotool could not click"
for round in 1 2; do
    xdotool key alt+space || fail "xdotool could not type"
    wait_until '[ "$(shown)" -eq 2 ]' 50 || fail "round $round: Alt+Space showed no menu"
    xdotool key Escape
    wait_until '[ "$(shown)" -eq 1 ]' 50 || fail "round $round: Escape did not close the menu"
done
kill -0 "$app_pid" 2>/dev/null || fail "the gallery ended"

# Choosing Close from the menu ends the program with status 0 (Up reaches the last item).
xdotool key alt+space
wait_until '[ "$(shown)" -eq 2 ]' 50 || fail "the menu did not open a third time"
xdotool key Up Return
wait_until '! kill -0 "$app_pid" 2>/dev/null' 100 || fail "Close did not end the gallery"
wait "$app_pid"
status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the gallery ended with status $status"
echo "PASS: the window menu opened twice, closed with Escape, and Close ended the program"
