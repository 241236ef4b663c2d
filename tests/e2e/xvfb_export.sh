#!/bin/bash
# The real program on a real X server: starts Xvfb, runs converti, types a database
# path into its window with xdotool, presses Converti, names the workbook in the save
# dialog, and reads the workbook back with mdbtools and xlrd (compare_xls.py).
#
#   xvfb_export.sh BIN_DIR SOURCE_DIR
#
# Exit 0 when the worksheet matches the table, 1 when it does not or a step timed out,
# 77 when Xvfb, xdotool, mdbtools or Debian's python3 with xlrd are missing (skip).
set -u

BIN_DIR=${1:?BIN_DIR}
SOURCE_DIR=${2:?SOURCE_DIR}
PYTHON=/usr/bin/python3

for tool in Xvfb xdotool mdb-schema mdb-json; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
"$PYTHON" -c 'import xlrd' 2>/dev/null || { echo "SKIP: $PYTHON has no xlrd"; exit 77; }
for prog in converti mkmdb; do
    [ -x "$BIN_DIR/$prog" ] || { echo "FAIL: $BIN_DIR/$prog not built"; exit 1; }
done

work=$(mktemp -d /tmp/converti-xvfb.XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; [ -f "$work/app.log" ] && sed 's/^/  converti: /' "$work/app.log"; exit 1; }

# Polls a command (a function, so it is run anew each time) until it succeeds, every 0.1 s, for at most $1 seconds.
wait_for() {
    local limit=$1; shift
    local tries=$((limit * 10))
    while ((tries-- > 0)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# The example database, written from its committed description.
db="$work/clienti e ordini.mdb"  # a space, as users' folders have
"$BIN_DIR/mkmdb" "$SOURCE_DIR/examples/clienti.json" "$db" >/dev/null || fail "mkmdb"
xls="$work/clienti.xls"

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 10 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export HOME="$work"  # the file dialogs keep no history in the user's home

"$BIN_DIR/converti" >"$work/app.log" 2>&1 &
app_pid=$!

# Finds the one visible top-level window titled exactly $1.
window_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
has_window() { [ -n "$(window_titled "$1")" ]; }
no_window() { [ -z "$(window_titled "$1")" ]; }
focused_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

wait_for 20 has_window 'Converte dati in excel' || fail "no window"
main=$(window_titled 'Converte dati in excel')
# No window manager: give the window the keyboard focus ourselves.
xdotool windowfocus --sync "$main" || fail "cannot focus the window"
wait_for 5 focused_is "$main" || fail "window did not take the focus"

# Text1 has the focus at start. Type the path, then Tab to Sfoglia, Tab to Converti
# (Text1's focus-lost loads the tables once more) and press it with the space bar.
xdotool type --delay 15 "$db"
xdotool key Tab Tab space

wait_for 20 has_window 'Save to Excel File' || fail "no save dialog"
dialog=$(window_titled 'Save to Excel File')
xdotool windowfocus --sync "$dialog" || fail "cannot focus the save dialog"
wait_for 5 focused_is "$dialog" || fail "save dialog did not take the focus"
# The file name box has the focus in a fresh save dialog; an absolute path goes
# straight to that file.
xdotool type --delay 15 "$xls"
xdotool key Return

wait_for 30 test -s "$xls" || fail "no workbook written"
# The dialog is gone and the window is still there: the export returned.
wait_for 10 no_window 'Save to Excel File' || fail "save dialog still open"
kill -0 "$app_pid" 2>/dev/null || fail "converti ended"

# Clienti is the first table (sorted); its first field is ID, never Null.
if "$PYTHON" "$SOURCE_DIR/tests/e2e/compare_xls.py" "$db" Clienti "$xls" WorkSheet1 --filter-field ID; then
    echo "PASS: $(stat -c %s "$xls") bytes, worksheet WorkSheet1 matches table Clienti"
    exit 0
fi
fail "worksheet differs from the table"
