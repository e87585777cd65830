#!/bin/sh
# End to end on a real X server: when the X server goes away under the main window, the program
# ends (status 1, a message on standard error) instead of waiting on the dead connection.
#
# usage: display_lost.sh QUELVANE
# Exit 77 (skipped) when Xvfb or xdotool is missing.

set -u
program=$1
. "$(dirname "$0")/xvfb_session.sh"

# A copy of the program, so that its profile lands in the temporary folder.
mkdir -p "$work/bin" "$work/home"
cp "$program" "$work/bin/quelvane"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_STATE_HOME=$work/home/.state \
    SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 \
    "$work/bin/quelvane" >"$work/quelvane.out" 2>"$work/quelvane.log" &
app_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane$' | head -n 1)
[ -n "$window" ] || fail "the main window did not appear"
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=
wait_until '! kill -0 "$app_pid" 2>/dev/null' 100 || fail "the program kept running without its display"
wait "$app_pid"
status=$?
app_pid=
[ "$status" -eq 1 ] || fail "the program ended with status $status"
grep -qs "connection to the display was lost" "$work/quelvane.log" || fail "no message on standard error"
echo "PASS: the program ended when its display went away"
