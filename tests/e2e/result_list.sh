#!/bin/sh
# End to end on a real X server: the main window's result list with three thousand blocks, used
# as a person does. A search fills it; the wheel scrolls it; the keys Page Down, End and Home move
# through it; a click on a check box and Space on the cursor row check and uncheck blocks. Each
# step is checked on a picture of the window.
#
# usage: result_list.sh QUELVANE
# QUELVANE_E2E_SHOTS=DIR keeps a picture of the scrolled list there. Exit 77 (skipped) when Xvfb,
# xdotool or python3 is missing.

set -u
program=$1
here=$(cd "$(dirname "$0")" && pwd)
export E2E_HERE=$here
command -v python3 >/dev/null 2>&1 || { echo "SKIP: python3 is not installed"; exit 77; }
. "$here/xvfb_session.sh"
. "$here/main_window_steps.sh"

tree=$work/tree
mkdir -p "$tree" "$work/bin" "$work/home" "$work/config" "$work/state" "$work/tmp"
python3 -c 'import sys
with open(sys.argv[1], "w") as f:
    for n in range(1, 3001):
        f.write(f"line {n}: a needle to find\n")' "$tree/many.txt"
cp "$program" "$work/bin/quelvane" || fail "could not copy the program"
export LANG=C.UTF-8 HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
    TMPDIR="$work/tmp"
QUELVANE_SNAPSHOT_PREFIX="$work/shot" QUELVANE_PRINT_LAYOUT=1 SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 \
    "$work/bin/quelvane" -e needle "$tree" >"$work/quelvane.out" 2>"$work/quelvane.log" &
main_pid=$!
track
window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane$' | head -n 1)
[ -n "$window" ] || fail "the main window did not appear"
wait_until 'grep -qs "^layout list " "$work/quelvane.out"' 100 || fail "the program printed no layout"
sleep 0.3

# The bars came from the command line: Enter in "Search:" fills the list.
click search
xdotool key Return
wait_until_snapshot '[ "$(box_count)" -ge 10 ]' || fail "the search listed no rows"
sleep 1
snapshot
top=$work/shot-$shots.png
set -- $(rect_of list)
list="$1 $2 $3 $4"

# Whether the list area differs between the pictures $1 and $2 in at least 200 pixels (rows
# that moved differ only in their digits and in where the highlights stand).
list_changed() {
    python3 - "$1" "$2" $list <<'PYTHON'
import os, sys
sys.dont_write_bytecode = True
sys.path.insert(0, os.environ["E2E_HERE"])
import png_region_changed as png
a, b = png.read_png(sys.argv[1]), png.read_png(sys.argv[2])
left, top, right, bottom = map(int, sys.argv[3:7])
changed = sum(png.pixel(a, x, y) != png.pixel(b, x, y) for y in range(top, bottom) for x in range(left, right))
sys.exit(0 if changed >= 200 else 1)
PYTHON
}

# The wheel, three notches down over the list.
xdotool mousemove --window "$window" $((($1 + $3) / 2)) $((($2 + $4) / 2))
xdotool click 5 click 5 click 5
sleep 0.5
snapshot
wheeled=$work/shot-$shots.png
list_changed "$top" "$wheeled" || fail "the wheel did not scroll the list"
keep_shot result-list-scrolled.png

# A click on the first visible row's check box unchecks it; Space on the cursor row (the row
# clicked) checks it again, and Down and Space uncheck the next one.
first=$(sed -n 's/^box \([0-9]*\) \([0-9]*\) .*/\1 \2/p' "$work/boxes" | head -n 1)
[ -n "$first" ] || fail "no check box in the scrolled list"
set -- $first
xdotool mousemove --window "$window" "$1" "$2" click 1
sleep 0.4
snapshot
[ "$(sed -n '1s/.* //p' "$work/boxes")" = unchecked ] || fail "the click left the box checked: $(head -n 1 "$work/boxes")"
xdotool key space
sleep 0.3
xdotool key Down space
sleep 0.4
snapshot
[ "$(sed -n '1s/.* //p' "$work/boxes")" = checked ] || fail "Space did not check the row again"
[ "$(sed -n '2s/.* //p' "$work/boxes")" = unchecked ] || fail "Space did not uncheck the next row"

# Page Down and End move the list on; Home brings the first rows back.
xdotool key Next
sleep 0.4
snapshot
list_changed "$wheeled" "$work/shot-$shots.png" || fail "Page Down did not move the list"
xdotool key End
sleep 0.4
snapshot
last=$work/shot-$shots.png
list_changed "$wheeled" "$last" || fail "End did not move the list"
xdotool key Home
sleep 0.4
snapshot
list_changed "$last" "$work/shot-$shots.png" || fail "Home did not move the list"
grep -q "runtime error\|AddressSanitizer" "$work/quelvane.log" && fail "the sanitizers reported an error"
echo "PASS: scrolled the result list with the wheel and the keys, and checked rows with the mouse and Space"
