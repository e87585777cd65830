#!/bin/sh
# End to end on a real X server: the main window searches a real tree (UTF-8 with BOM, Shift_JIS,
# UTF-16LE with BOM and C files) for a word typed or pasted into its bars, previews a replacement,
# applies it with one block unchecked, and the bytes on disk are checked against the same
# replacement done here in each file's encoding. The undo dialog then restores the backup set
# (every file is back to its original bytes), "Dup" opens a second window showing the same
# results, and SIGTERM closes both windows cleanly.
#
# usage: main_window.sh en|ja QUELVANE CORPUS_DIR LANGUAGE_FILE
# "ja" runs under a Japanese locale with the program's language file and brings the Japanese
# words in through the clipboard, since xdotool types only ASCII reliably.
# QUELVANE_E2E_SHOTS=DIR keeps the pictures there. Exit 77 (skipped) when Xvfb, xdotool, python3,
# pgrep or (for ja) xclip is missing.

set -u
mode=$1 program=$2 corpus=$3 language_file=$4
here=$(cd "$(dirname "$0")" && pwd)
case "$mode" in
en) word='End marker' replacement='Final line' ;;
ja) word='日本語' replacement='にほんご' ;;
*) echo "usage: main_window.sh en|ja QUELVANE CORPUS_DIR LANGUAGE_FILE" >&2; exit 2 ;;
esac
for tool in python3 pgrep $([ "$mode" = ja ] && echo xclip); do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$here/xvfb_session.sh"
. "$here/main_window_steps.sh"

# The tree: three corpus files that share the word, a C file holding it twice (its second block
# is the one left unchecked), a C file without it, and a header that the filter leaves out.
tree=$work/tree
mkdir -p "$tree/src"
for file in utf8-bom.txt cp932-shift-jis.txt utf16le-bom.txt; do
    cp "$corpus/redsalamander/$file" "$tree/$file" || fail "no corpus file $file"
done
chmod u+w "$tree"/*.txt
printf '/* End marker of the list: 日本語 */\nint main(void) { return 0; }\n\n\n\n\n\n\nstatic const char *last = "End marker 日本語";\n' \
    >"$tree/src/main.c"
printf 'int helper(void) { return 1; }\n' >"$tree/src/helper.c"
printf '/* End marker 日本語 */\n' >"$tree/src/helper.h"
files="utf8-bom.txt cp932-shift-jis.txt utf16le-bom.txt src/main.c src/helper.c src/helper.h"
(cd "$tree" && sha256sum $files) >"$work/original.sha256"
original=$work/original
cp -r "$tree" "$original"

# The program runs from a copy laid out as installed (bin/ and share/quelvane/), so that it finds
# the language file and keeps its profile beside the copy; its home, state and temporary folders
# are the test's own.
mkdir -p "$work/bin" "$work/share/quelvane" "$work/home" "$work/config" "$work/state" "$work/tmp"
cp "$program" "$work/bin/quelvane" || fail "could not copy the program"
cp "$language_file" "$work/share/quelvane/LanguageFile.ini" || fail "no language file"
if [ "$mode" = ja ]; then
    export LANG=ja_JP.UTF-8 LANGUAGE=ja
else
    export LANG=C.UTF-8 LANGUAGE=
fi
unset LC_ALL LC_MESSAGES
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" TMPDIR="$work/tmp"
QUELVANE_SNAPSHOT_PREFIX="$work/shot" QUELVANE_PRINT_LAYOUT=1 SDL_VIDEODRIVER=x11 ASAN_OPTIONS=detect_leaks=0 \
    "$work/bin/quelvane" >"$work/quelvane.out" 2>"$work/quelvane.log" &
main_pid=$!
track

window=$(timeout 30 xdotool search --sync --onlyvisible --classname '^quelvane$' | head -n 1)
[ -n "$window" ] || fail "the main window did not appear"
wait_until 'grep -qs "^layout list " "$work/quelvane.out"' 100 || fail "the program printed no layout"
sleep 0.3

# Search: the folder and filter are typed, the word typed or pasted, Enter in "Search:" searches.
enter_text folder "$tree"
enter_text filter '*.c;*.txt'
enter_text search "$word"
xdotool key Return
wait_for_boxes 5 || fail "the search did not list 5 blocks (saw: $(cat "$work/boxes"))"
cp "$work/boxes" "$work/boxes.search"

# Preview: Enter in "Replace:" turns Preview on; every block grows a second line.
enter_text replace "$replacement"
xdotool key Return
wait_until_snapshot '! cmp -s "$work/boxes" "$work/boxes.search" && [ "$(box_count)" -eq 5 ]' \
    || fail "the preview did not show (boxes: $(cat "$work/boxes"))"

# The third block (main.c's second line with the word) is unchecked with a click on its box.
set -- $(sed -n 3p "$work/boxes")
xdotool mousemove --window "$window" "$2" "$3" click 1
wait_until_snapshot '[ "$(grep -c " checked$" "$work/boxes")" -eq 4 ] && sed -n 3p "$work/boxes" | grep -q unchecked' \
    || fail "the click did not uncheck the third block (boxes: $(cat "$work/boxes"))"
keep_shot main-window$([ "$mode" = ja ] && echo -ja).png

# Apply: applied blocks lose their check marks once written.
click apply
wait_until_snapshot '[ "$(grep -c " unchecked$" "$work/boxes")" -eq 5 ]' \
    || fail "the apply did not finish (boxes: $(cat "$work/boxes"))"
check_replaced utf8-bom.txt utf-8
check_replaced cp932-shift-jis.txt cp932
check_replaced utf16le-bom.txt utf-16-le
check_replaced src/main.c utf-8 9
check_untouched src/helper.c src/helper.h
[ "$(head -c 3 "$tree/utf8-bom.txt" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "utf8-bom.txt lost its BOM"
[ "$(head -c 2 "$tree/utf16le-bom.txt" | od -An -tx1 | tr -d ' ')" = fffe ] || fail "utf16le-bom.txt lost its BOM"

# Undo: the dialog lists the new backup set first; Home selects it, Tab reaches "Restore !" and
# Space presses it; every file is back to its original bytes; Escape closes the dialog.
click undo
wait_until '[ "$(shown)" -eq 2 ]' 100 || fail "the undo dialog did not open"
dialog=$(xdotool search --onlyvisible --classname '^quelvane$' | grep -vx "$window" | head -n 1)
sleep 0.3
check_undo_title "$dialog"
xdotool key --window "$dialog" Home
sleep 0.3
snapshot
[ -f "$work/shot-$shots-dialog.png" ] || fail "no picture of the undo dialog"
[ "$mode" = en ] && keep_dialog_shot undo-dialog.png
xdotool key --window "$dialog" Tab
sleep 0.2
xdotool key --window "$dialog" space
wait_until '(cd "$tree" && sha256sum --quiet -c "$work/original.sha256" >/dev/null 2>&1)' 100 \
    || fail "the restore did not bring back every file: $(cd "$tree" && sha256sum -c "$work/original.sha256" 2>&1 | grep -v ': OK$')"
xdotool key --window "$dialog" Escape
wait_until '[ "$(shown)" -eq 1 ]' 50 || fail "Escape did not close the undo dialog"

# Dup: a second process shows the same bars and results; its rows match the first window's.
snapshot
cp "$work/boxes" "$work/boxes.main"
cp "$work/shot-$shots.png" "$work/main-rows.png"
click dup
wait_until '[ "$(shown)" -eq 2 ]' 150 || fail "the second window did not appear"
wait_until 'dup_pid=$(pgrep -P "$main_pid" | head -n 1); [ -n "$dup_pid" ]' 50 || fail "no second process"
track
check_duplicate
ls "$work/tmp"/Quelvane_DupTemp.* >/dev/null 2>&1 && fail "the second window left its state file behind"
kill -TERM "$dup_pid"
wait_until '[ "$(shown)" -eq 1 ]' 50 || fail "SIGTERM did not close the second window"
# The first window waits for the process it started: none is left as a zombie.
wait_until '[ -z "$(ps -o stat= -p "$dup_pid")" ]' 50 || fail "the second process did not end or was not reaped"
dup_pid=
track

# SIGTERM closes the main window; the program ends with status 0 and no sanitizer report.
kill -TERM "$main_pid"
wait_until 'gone "$main_pid"' 50 || fail "SIGTERM did not end the program"
wait "$main_pid"
status=$?
main_pid=
track
[ "$status" -eq 0 ] || fail "the program ended with status $status"
grep -q "runtime error\|AddressSanitizer" "$work/quelvane.log" && fail "the sanitizers reported an error"
echo "PASS ($mode): searched, previewed, applied with one block unchecked, restored, duplicated and closed the main window"
