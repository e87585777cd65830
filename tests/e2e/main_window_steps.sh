# The steps of main_window.sh (sourced after xvfb_session.sh): clicking the controls by their
# printed layout, typing or pasting into the bars, pictures on SIGUSR1 and what they show (the
# result list's check boxes), and the checks of the files and of the second window.

main_pid= dup_pid= offer_pid=
shots=0 dup_shots=0

# The processes the session's cleanup ends.
track() {
    app_pid="$main_pid $dup_pid $offer_pid"
}

# The number of the program's windows on the screen.
shown() {
    xdotool search --onlyvisible --classname '^quelvane$' 2>/dev/null | wc -l
}

# True once the process $1 has ended (a zombie waiting for its parent counts as ended).
gone() {
    state=$(ps -o stat= -p "$1" 2>/dev/null)
    [ -z "$state" ] || [ "${state#Z}" != "$state" ]
}

# "left top right bottom" of the control $1, in client coordinates.
rect_of() {
    sed -n "s/^layout $1 //p" "$work/quelvane.out" | head -n 1
}

click() {
    set -- $(rect_of "$1")
    [ $# -eq 4 ] || fail "no layout for a control"
    xdotool mousemove --window "$window" $((($1 + $3) / 2)) $((($2 + $4) / 2)) click 1 \
        || fail "xdotool could not click"
    sleep 0.2
}

# Puts $2 into the bar $1 in place of what it holds: ASCII is typed, other text pasted from the
# clipboard, which xclip offers until the paste is done.
enter_text() {
    click "$1"
    xdotool key --window "$window" ctrl+a
    if printf '%s' "$2" | LC_ALL=C grep -q '[^ -~]'; then
        printf '%s' "$2" | xclip -quiet -i -selection clipboard >/dev/null 2>&1 &
        offer_pid=$!
        track
        sleep 0.3
        xdotool key --window "$window" ctrl+v
        sleep 0.3
        kill "$offer_pid" 2>/dev/null
        wait "$offer_pid" 2>/dev/null
        offer_pid=
        track
    else
        xdotool type --delay 20 --window "$window" "$2" || fail "xdotool could not type"
    fi
}

# Lists the check boxes of the result list in the picture $1 into $work/boxes.
read_boxes() {
    set -- "$1" $(rect_of list)
    python3 "$here/png_check_boxes.py" "$1" "$2" "$3" $(($2 + 40)) "$5" >"$work/boxes" 2>&1 || :
}

box_count() {
    grep -c '^box ' "$work/boxes"
}

# A picture of the main window (and of a dialog open over it) as $work/shot-$shots.png.
snapshot() {
    shots=$((shots + 1))
    kill -USR1 "$main_pid" || fail "the program is gone"
    wait_until "[ -f '$work/shot-$shots.png' ]" 100 || fail "no snapshot"
    read_boxes "$work/shot-$shots.png"
}

# Takes pictures until the condition $1 holds for one (about 10 seconds at most).
wait_until_snapshot() {
    tries=0
    while :; do
        snapshot
        eval "$1" && return 0
        tries=$((tries + 1))
        [ "$tries" -ge 30 ] && return 1
        sleep 0.2
    done
}

wait_for_boxes() {
    wait_until_snapshot "[ \"\$(box_count)\" -eq $1 ]"
}

# Keeps the last picture (or its dialog) as $1 in $QUELVANE_E2E_SHOTS.
keep_shot() {
    [ -n "${QUELVANE_E2E_SHOTS:-}" ] && cp "$work/shot-$shots.png" "$QUELVANE_E2E_SHOTS/$1"
    :
}
keep_dialog_shot() {
    [ -n "${QUELVANE_E2E_SHOTS:-}" ] && cp "$work/shot-$shots-dialog.png" "$QUELVANE_E2E_SHOTS/$1"
    :
}

# The file $1 holds the word replaced in its encoding $2, except on the lines $3...
check_replaced() {
    file=$1
    shift
    python3 "$here/replaced_bytes.py" "$original/$file" "$1" "$word" "$replacement" "${2:-0}" \
        >"$work/expected" || fail "could not work out the replacement of $file"
    cmp -s "$work/expected" "$tree/$file" || fail "$file does not hold the expected replacement"
    cmp -s "$work/expected" "$original/$file" && fail "$file was expected to change"
    :
}

check_untouched() {
    for file in "$@"; do
        cmp -s "$original/$file" "$tree/$file" || fail "$file changed"
    done
}

# The undo dialog's title is the language file's text for the language in use.
check_undo_title() {
    title=$(xdotool getwindowname "$1")
    case "$mode" in
    en) want='Backupped list' ;;
    ja) want='バックアップ一覧' ;;
    esac
    case "$title" in
    *"$want"*) ;;
    *) fail "the undo dialog is titled '$title', without '$want'" ;;
    esac
}

# Differing pixels of the bar $1's first 80 columns between the first window's picture and the
# second's; the typed text covers far more than one in twenty.
check_same_bar() {
    set -- $(rect_of "$1")
    set -- $(python3 "$here/png_region_changed.py" "$work/main-rows.png" "$work/dup.png" \
        "$1" "$2" $(($1 + 80)) "$4" 2>&1)
    [ $# -ge 3 ] && [ "$(($1 * 20))" -lt "$3" ] || fail "a bar of the second window differs ($*)"
}

# The second window, pictured through its own SIGUSR1 (it writes under the same prefix, counting
# from 1), shows the same blocks in the same state, the same rows and the same bars.
check_duplicate() {
    tries=0
    while :; do
        dup_shots=$((dup_shots + 1))
        rm -f "$work/shot-$dup_shots.png"
        kill -USR1 "$dup_pid" || fail "the second process is gone"
        wait_until "[ -f '$work/shot-$dup_shots.png' ]" 100 || fail "no picture of the second window"
        mv "$work/shot-$dup_shots.png" "$work/dup.png"
        read_boxes "$work/dup.png"
        cmp -s "$work/boxes" "$work/boxes.main" && break
        tries=$((tries + 1))
        [ "$tries" -ge 30 ] && fail "the second window shows other blocks ($(cat "$work/boxes"))"
        sleep 0.2
    done
    keep_dup_shot
    set -- $(rect_of list)
    left=$1 top=$2 right=$3
    second=$(sed -n '2s/^box [0-9]* //p' "$work/boxes.main" | cut -d' ' -f1)
    third=$(sed -n '3s/^box [0-9]* //p' "$work/boxes.main" | cut -d' ' -f1)
    python3 "$here/png_region_changed.py" "$work/main-rows.png" "$work/dup.png" \
        "$left" "$top" "$right" $(((second + third) / 2)) >"$work/rows.cmp" 2>&1
    [ $? -eq 1 ] || fail "the second window's first rows differ: $(cat "$work/rows.cmp")"
    check_same_bar search
    check_same_bar replace
}

keep_dup_shot() {
    [ -n "${QUELVANE_E2E_SHOTS:-}" ] && [ "$mode" = en ] && cp "$work/dup.png" "$QUELVANE_E2E_SHOTS/duplicate-window.png"
    :
}

# The programs end before the X server does: one that loses its display while it closes does not
# end by itself, so what a term signal leaves running after five seconds is killed.
end_programs_first() {
    for pid in $app_pid; do
        kill "$pid" 2>/dev/null
    done
    for pid in $app_pid; do
        wait_until 'gone "$pid"' 50 || kill -KILL "$pid" 2>/dev/null
    done
    cleanup
}
trap end_programs_first EXIT
