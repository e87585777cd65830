# Shared by the end-to-end scripts (sourced): skips when Xvfb or xdotool is missing, starts an
# Xvfb on a free display (DISPLAY is exported), and ends every process the test started, by its
# pid, when the script exits. The script sets app_pid to the program it starts.

for tool in Xvfb xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/quelvane-e2e-XXXXXX") || exit 1
xvfb_pid=
app_pid=

# Every process the test started ends with it, by its pid.
cleanup() {
    for pid in $app_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null
    done
    for pid in $app_pid $xvfb_pid; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $log"; tail -n 20 "$log"; }
    done
    exit 1
}

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_until() {
    tries=0
    while ! eval "$1"; do
        tries=$((tries + 1))
        [ "$tries" -ge "$2" ] && return 1
        sleep 0.1
    done
    return 0
}

# Xvfb picks a free display and writes its number on descriptor 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_until 'grep -qs "[0-9]" "$work/display"' 100 || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

