#!/bin/sh
# End to end on a real X server: xdotool types into the gallery's edit box, Ctrl+A and Ctrl+C put
# the text on the X clipboard (read back with xclip), Japanese text offered by xclip is pasted
# with Ctrl+V, and Ctrl+Z takes the paste back; each step is read back through the clipboard.
# xdotool types ASCII only reliably, so the Japanese text comes in through the clipboard.
#
# usage: edit_box_clipboard.sh QUELVANE_GALLERY
# Exit 77 (skipped) when Xvfb, xdotool or xclip is missing.

set -u
gallery=$1
command -v xclip >/dev/null 2>&1 || { echo "SKIP: xclip is not installed"; exit 77; }
. "$(dirname "$0")/xvfb_session.sh"

SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 \
    "$gallery" --print-layout --snapshot-on-signal "$work/shot" >"$work/gallery.out" 2>"$work/gallery.log" &
app_pid=$!
offer_pid=

window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane-gallery$' | head -n 1)
[ -n "$window" ] || fail "the gallery's window did not appear"
wait_until 'grep -qs "^edit " "$work/gallery.out"' 100 || fail "the gallery printed no edit box"
set -- $(grep "^edit " "$work/gallery.out")
left=$2 top=$3 right=$4 bottom=$5

# The clipboard as the X server hands it to another client, once it equals $1.
clipboard_is() {
    wait_until "[ \"\$(xclip -o -selection clipboard 2>/dev/null)\" = '$1' ]" 50
}
copy_all() {
    xdotool key --window "$window" ctrl+a ctrl+c || fail "xdotool could not type"
}

xdotool mousemove --window "$window" $(((left + right) / 2)) $(((top + bottom) / 2)) click 1 \
    || fail "xdotool could not click"
sleep 0.3
# The click puts the caret in the sample text: select it all so that typing replaces it.
xdotool key --window "$window" ctrl+a
xdotool type --delay 20 --window "$window" 'find me' || fail "xdotool could not type"
copy_all
clipboard_is 'find me' || fail "Ctrl+C did not copy the typed text (got '$(xclip -o -selection clipboard 2>/dev/null)')"

japanese='検索する文字列'
printf '%s' "$japanese" | xclip -quiet -i -selection clipboard >/dev/null 2>&1 &
offer_pid=$!
sleep 0.3
xdotool key --window "$window" ctrl+a ctrl+v
sleep 0.3
kill "$offer_pid" 2>/dev/null
wait "$offer_pid" 2>/dev/null
offer_pid=
copy_all
clipboard_is "$japanese" || fail "the pasted Japanese text did not come back (got '$(xclip -o -selection clipboard 2>/dev/null)')"

kill -USR1 "$app_pid" || fail "the gallery is gone"
wait_until "[ -f '$work/shot-1.png' ]" 100 || fail "no snapshot"
[ -n "${QUELVANE_E2E_SHOTS:-}" ] && cp "$work/shot-1.png" "$QUELVANE_E2E_SHOTS/edit-pasted.png"

# Undo takes the paste back and selects what it restored.
xdotool key --window "$window" ctrl+z ctrl+c
clipboard_is 'find me' || fail "Ctrl+Z did not restore the typed text (got '$(xclip -o -selection clipboard 2>/dev/null)')"
kill -0 "$app_pid" 2>/dev/null || fail "the gallery ended"
echo "PASS: typed, copied, pasted Japanese and undid it in the edit box through the X clipboard"
