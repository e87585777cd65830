#!/bin/sh
# Runs a window test program on a real X server (Xvfb, SDL's x11 driver) instead of the dummy
# driver, so that what it checks (scrolling by copy, the strip repainted) holds on a display too.
#
# usage: on_x11.sh TEST_PROGRAM GTEST_FILTER
# Exit 77 (skipped) when Xvfb or xdotool is missing.

set -u
program=$1 filter=$2
. "$(dirname "$0")/xvfb_session.sh"
SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 "$program" --gtest_filter="$filter" >"$work/test.log" 2>&1
status=$?
[ "$status" -eq 0 ] || { cat "$work/test.log"; fail "$program failed on the X server"; }
grep -q "PASSED  \] [1-9]" "$work/test.log" || fail "no test ran"
echo "PASS: $filter on the X server"
