#!/bin/sh
# End to end with a real input method: IBus with the Anthy engine on Xvfb. xdotool types
# "nihongo" into the gallery's edit box; the composition shows in the box (a snapshot is taken
# while it is open), Space converts it and Return commits it; the committed text, read back
# through the X clipboard, is 日本語.
#
# usage: edit_box_ime.sh QUELVANE_GALLERY
# Exit 77 (skipped) when Xvfb, xdotool, xclip, dbus-launch, ibus-daemon or the Anthy engine is
# missing.

set -u
gallery=$1
for tool in xclip dbus-launch ibus-daemon ibus; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x /usr/libexec/ibus-engine-anthy ] || { echo "SKIP: the Anthy engine is not installed"; exit 77; }
. "$(dirname "$0")/xvfb_session.sh"

# The engine is a Python program of the system's own Python; a fresh home gives IBus a fresh
# registry and its own bus address file, which SDL reads from the same place.
PATH=/usr/bin:/bin:$PATH
HOME=$work/home
XDG_CONFIG_HOME=$HOME/.config
XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$HOME"
export PATH HOME XDG_CONFIG_HOME XDG_CACHE_HOME
eval "$(dbus-launch --sh-syntax)" || fail "no D-Bus session"
bus_pid=$DBUS_SESSION_BUS_PID
ibus-daemon --xim --panel=disable --replace --cache=refresh >"$work/ibus.log" 2>&1 &
ibus_pid=$!
# The session's helpers end with the test (cleanup ends app_pid and the X server).
trap 'kill "$ibus_pid" "$bus_pid" 2>/dev/null; cleanup' EXIT
wait_until 'ibus list-engine 2>/dev/null | grep -q "anthy"' 150 || fail "IBus lists no Anthy engine"
# The engine is ready a moment after IBus lists it. (Setting it answers 1 even when it worked,
# so what counts is the engine IBus names afterwards.)
wait_until 'ibus engine anthy >/dev/null 2>&1; [ "$(ibus engine 2>/dev/null)" = anthy ]' 50 \
    || fail "IBus could not select Anthy"

XMODIFIERS=@im=ibus SDL_IM_MODULE=ibus SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 \
    "$gallery" --print-layout --snapshot-on-signal "$work/shot" >"$work/gallery.out" 2>"$work/gallery.log" &
app_pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane-gallery$' | head -n 1)
[ -n "$window" ] || fail "the gallery's window did not appear"
wait_until 'grep -qs "^edit " "$work/gallery.out"' 100 || fail "the gallery printed no edit box"
set -- $(grep "^edit " "$work/gallery.out")
left=$2 top=$3 right=$4 bottom=$5

xdotool mousemove --window "$window" $(((left + right) / 2)) $(((top + bottom) / 2)) click 1 \
    || fail "xdotool could not click"
sleep 0.5
xdotool key --window "$window" ctrl+a BackSpace
# Anthy starts in direct input: its toggle key turns Japanese input on.
xdotool key Zenkaku_Hankaku
sleep 0.5
xdotool type --delay 60 nihongo
sleep 0.5
kill -USR1 "$app_pid" || fail "the gallery is gone"
wait_until "[ -f '$work/shot-1.png' ]" 100 || fail "no snapshot while composing"
[ -n "${QUELVANE_E2E_SHOTS:-}" ] && cp "$work/shot-1.png" "$QUELVANE_E2E_SHOTS/edit-composing.png"
xdotool key space
sleep 0.5
xdotool key Return
sleep 0.5
xdotool key Zenkaku_Hankaku
sleep 0.3
xdotool key --window "$window" ctrl+a ctrl+c
wait_until '[ "$(xclip -o -selection clipboard 2>/dev/null)" = "日本語" ]' 50 \
    || fail "the box did not hold the converted text (clipboard: '$(xclip -o -selection clipboard 2>/dev/null)')"
kill -0 "$app_pid" 2>/dev/null || fail "the gallery ended"
echo "PASS: Anthy composed にほんご in the edit box and committed 日本語"
