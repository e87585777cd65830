#!/bin/sh
# End to end on a real X server: "quelvane -h" shows its usage in a message dialog (and on
# standard error); the Return key, typed through the X server, presses OK and the program ends
# with exit status 0.
#
# usage: startup_message.sh QUELVANE
# Exit 77 (skipped) when Xvfb or xdotool is missing.

set -u
program=$1
. "$(dirname "$0")/xvfb_session.sh"

SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 "$program" -h >"$work/quelvane.out" 2>"$work/quelvane.log" &
app_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane$' | head -n 1)
[ -n "$window" ] || fail "the message dialog did not appear"
grep -qs "Arguments = \[-h\]" "$work/quelvane.log" || fail "the usage was not printed on standard error"

# Without a window manager the program gives the dialog the keyboard itself.
sleep 0.3
xdotool key Return || fail "xdotool could not type"
wait_until '! kill -0 "$app_pid" 2>/dev/null' 100 || fail "Return did not end the dialog"
wait "$app_pid"
status=$?
app_pid=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "PASS: the usage dialog appeared and Return ended the program"
