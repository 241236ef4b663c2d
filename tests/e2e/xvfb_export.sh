#!/bin/bash
# The real program on a real X server: starts Xvfb, runs converti, types a database
# path into its window with xdotool, tabs to Converti and presses Enter, names the
# workbook in the save dialog; then, in the same window, chooses a second database with
# Sfoglia (keypad Enter) and exports it too (Space). Both workbooks are read back with
# mdbtools and xlrd (compare_xls.py). A third export into the taken sheet must show the
# error box and leave the workbook alone; Tab to Esci and Enter then end the program.
#
#   xvfb_export.sh BIN_DIR SOURCE_DIR
#
# Exit 0 when both worksheets match their tables, 1 when one does not or a step timed out,
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

fail() {
    echo "FAIL: $*"
    # The windows shown at the time: which dialog, if any, took the keys.
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        echo "  window: $(xdotool getwindowname "$w" 2>/dev/null)"
    done
    [ -f "$work/app.log" ] && sed 's/^/  converti: /' "$work/app.log"
    [ -s "$work/xvfb.log" ] && sed 's/^/  Xvfb: /' "$work/xvfb.log"
    exit 1
}

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

# The example database, written from its committed description, and a small second
# one for the second export, chosen with Sfoglia.
db="$work/clienti e ordini.mdb"  # a space, as users' folders have
"$BIN_DIR/mkmdb" "$SOURCE_DIR/examples/clienti.json" "$db" >/dev/null || fail "mkmdb"
xls="$work/clienti.xls"
cat >"$work/articoli.json" <<'EOF'
{"tables": [{"name": "Articoli",
  "columns": [{"name": "Codice", "type": "Text", "size": 10}, {"name": "Prezzo", "type": "Double"}],
  "rows": [["A-1", 2.5], [null, 7], ["Z-9", 0.001]]}]}
EOF
db2="$work/articoli.mdb"
"$BIN_DIR/mkmdb" "$work/articoli.json" "$db2" >/dev/null || fail "mkmdb"
xls2="$work/articoli.xls"

unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export CONVERTI_FILE_DIALOG=qt  # Qt's own dialogs, which this script knows how to answer
export HOME="$work"  # the file dialogs keep no history in the user's home

# A display of our own: Xvfb picks a free number and writes it to fd 3. A client
# must then be able to connect; once (on a loaded CI machine) converti could not,
# so the server is started afresh, up to three times, until one can. -noreset
# keeps the server from resetting when the probe below leaves it.
display_answers() { xdotool getdisplaygeometry; }
start_xvfb() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    wait_for 10 test -s "$work/display" || return 1
    export DISPLAY=":$(head -n1 "$work/display")"
    wait_for 10 display_answers
}

# Finds the one visible top-level window titled exactly $1.
window_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
has_window() { [ -n "$(window_titled "$1")" ]; }
shown_or_ended() { has_window 'Converte dati in excel' || ! kill -0 "$app_pid" 2>/dev/null; }

# Even after the probe had answered, converti was once refused by the new server
# ("could not connect to display"): then both are started afresh, at most three
# times. Any other way of failing to show the window fails the test at once.
for attempt in 1 2 3; do
    if ! start_xvfb; then
        [ "$attempt" = 3 ] && fail "Xvfb did not start or does not answer"
        continue
    fi
    "$BIN_DIR/converti" >"$work/app.log" 2>&1 &
    app_pid=$!
    wait_for 20 shown_or_ended && has_window 'Converte dati in excel' && break
    if kill -0 "$app_pid" 2>/dev/null || ! grep -q 'could not connect to display' "$work/app.log"; then
        fail "no window"
    fi
    wait "$app_pid" 2>/dev/null
    app_pid=""
    [ "$attempt" = 3 ] && fail "no window: converti could not connect to three servers"
    echo "converti could not connect to $DISPLAY; starting again"
done

no_window() { [ -z "$(window_titled "$1")" ]; }
focused_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# Answers the save dialog with the path $1 and waits for the workbook.
save_as() {
    wait_for 20 has_window 'Save to Excel File' || fail "no save dialog"
    local dialog
    dialog=$(window_titled 'Save to Excel File')
    xdotool windowfocus --sync "$dialog" || fail "cannot focus the save dialog"
    wait_for 5 focused_is "$dialog" || fail "save dialog did not take the focus"
    # The file name box has the focus in a fresh save dialog; an absolute path goes
    # straight to that file.
    xdotool type --delay 15 "$1"
    xdotool key Return
    # The workbook is renamed into place whole, so once it is there it is complete.
    wait_for 30 test -s "$1" || fail "no workbook $1"
    wait_for 10 no_window 'Save to Excel File' || fail "save dialog still open"
    kill -0 "$app_pid" 2>/dev/null || fail "converti ended"
}

# Compares worksheet WorkSheet1 of workbook $3 with table $2 of database $1 ($4: the
# filter field, whose Null rows the export leaves out).
check() {
    "$PYTHON" "$SOURCE_DIR/tests/e2e/compare_xls.py" "$1" "$2" "$3" WorkSheet1 --filter-field "$4" ||
        fail "worksheet of $3 differs from table $2"
}

main=$(window_titled 'Converte dati in excel')
# No window manager: give the window the keyboard focus ourselves. X moves the focus
# at once, but Qt takes the window as active only when it has handled the focus
# event, and keys that arrive before that are lost (seen after a dialog closed,
# under load): give it a moment.
focus_main() {
    xdotool windowfocus --sync "$main" || fail "cannot focus the window"
    wait_for 5 focused_is "$main" || fail "window did not take the focus"
    sleep 0.3
}
focus_main

# Text1 has the focus at start. Type the path, then Tab to Sfoglia, Tab to Converti
# (Text1's focus-lost loads the tables once more) and press it with Enter.
xdotool type --delay 15 "$db"
xdotool key Tab Tab Return

save_as "$xls"
check "$db" Clienti "$xls" ID  # Clienti is the first table (sorted); ID is never Null

# The window carries on: Sfoglia (Shift+Tab from Converti, which kept the focus, and
# keypad Enter), choose the second database in the open dialog, then Tab to Converti
# and press it with the space bar.
focus_main
xdotool key shift+Tab KP_Enter
wait_for 20 has_window 'Browse for Database File' || fail "no open dialog"
open_dialog=$(window_titled 'Browse for Database File')
xdotool windowfocus --sync "$open_dialog" || fail "cannot focus the open dialog"
wait_for 5 focused_is "$open_dialog" || fail "open dialog did not take the focus"
xdotool type --delay 15 "$db2"
xdotool key Return
wait_for 10 no_window 'Browse for Database File' || fail "open dialog still open"
focus_main
xdotool key Tab space
save_as "$xls2"
check "$db2" Articoli "$xls2" Codice  # the row without a Codice is left out

# Converti once more into the same workbook: its WorkSheet1 is taken, so the engine
# refuses, the error box (titled "Converti") shows, and the workbook stays as it was.
before=$(md5sum <"$xls2")
focus_main
xdotool key space  # Converti kept the focus
wait_for 20 has_window 'Save to Excel File' || fail "no save dialog"
dialog=$(window_titled 'Save to Excel File')
xdotool windowfocus --sync "$dialog" || fail "cannot focus the save dialog"
wait_for 5 focused_is "$dialog" || fail "save dialog did not take the focus"
xdotool type --delay 15 "$xls2"
xdotool key Return
wait_for 20 has_window 'Converti' || fail "no error box"
box=$(window_titled 'Converti')
[ "$(md5sum <"$xls2")" = "$before" ] || fail "the refused export changed the workbook"
xdotool windowfocus --sync "$box" || fail "cannot focus the error box"
xdotool key Return
wait_for 10 no_window 'Converti' || fail "error box still open"
kill -0 "$app_pid" 2>/dev/null || fail "converti ended after the error"

# Esci (Tab from Converti, then Enter) ends the program, with status 0.
focus_main
xdotool key Tab Return
ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for 10 ended || fail "Esci did not end the program"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" = 0 ] || fail "converti ended with status $status"

echo "PASS: typed path and Sfoglia, two workbooks match their tables; a refused export reported; Enter pressed Converti, Sfoglia and Esci"
exit 0
