#!/usr/bin/env bash
# Dragging patches with the real mouse between two project windows on a virtual X display (run
# under xvfb-run by CTest, without a window manager):
#  0. a block dropped with Alt onto its own place changes nothing: A10-A14 selected, pressed on
#     A12, moved a little and released on A12 with Alt held;
#  1. Alt held during the drag inserts: A10 goes in at B's row 15 and B's patches behind it move on;
#  2. Shift inserts as well: A20 at B's row 5;
#  3. Ctrl+Alt moves and inserts: A30 at B's row 25, and A's slot 30 is emptied;
#  4. without keys the drop overwrites: onto a used slot it asks first, and Escape cancels the drop
#     while Return lets A01 replace B02;
#  5. the wave list follows the patch list: A10-A14 selected (waves 1 and 2), then a click on the
#     selected A11 leaves A11 alone and the wave list its wave 2 alone, so Delete there deletes
#     only "002 Lead.wav";
#  6. both projects are saved and the folders checked: file names, the accompanying waves copied
#     into B's first free wave slots, and the wave numbers inside the moved patches (read back with
#     orvanta-cli);
#  7. during an Alt drag of A10-A14, pressed on A12 and moved to A's row 20, the status bar names
#     the slot the block then really lands in (the program appends its status messages to the file
#     that ORVANTA_STATUS_LOG names; A is saved again and the slot read from its folder).
# Usage: DragEndToEnd.sh ORVANTA_LIBRARIAN ORVANTA_MAKE_DRAG_PROJECT ORVANTA_CLI
set -euo pipefail

GUI="$1"
MAKE_PROJECT="$2"
CLI="$3"
ROOT="$(mktemp -d)"
PID=""
cleanup() {
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill -KILL "$PID" 2>/dev/null || true
    fi
    rm -rf "$ROOT"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    if [ -n "${SHOT_DIR:-}" ]; then
        import -window root "$SHOT_DIR/drag-end-to-end-failure.png" 2>/dev/null || true
    fi
    exit 1
}

export HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/config" XDG_DATA_HOME="$ROOT/data" XDG_RUNTIME_DIR="$ROOT/runtime"
export ORVANTA_WORK_FOLDER="$ROOT/work" ORVANTA_STATUS_LOG="$ROOT/status.log"
export QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$ORVANTA_WORK_FOLDER"
chmod 700 "$XDG_RUNTIME_DIR" "$ORVANTA_WORK_FOLDER"

# The Help menu's manual is installed beside the program.
[ -f "$(dirname "$GUI")/OrvantaLibrarianManual.htm" ] || fail "no OrvantaLibrarianManual.htm beside $GUI"

"$MAKE_PROJECT" "$ROOT/" A.prj 40 A 11 14 >/dev/null
"$MAKE_PROJECT" "$ROOT/" B.prj 40 B >/dev/null

# The main window's title names the active project (a message box is titled "Orvanta Librarian").
main_window() { { xdotool search --onlyvisible --name '^Orvanta Librarian - ' 2>/dev/null || true; } | head -1; }

wait_for_title() {
    local expected="$1" i id
    for i in $(seq 1 150); do
        id="$(main_window)"
        if [ -n "$id" ] && [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$expected" ]; then
            return 0
        fi
        kill -0 "$PID" 2>/dev/null || fail "the program ended while waiting for the title \"$expected\""
        sleep 0.2
    done
    fail "the main title never became \"$expected\" (it is \"$(xdotool getwindowname "$(main_window)" 2>/dev/null)\")"
}

# The layout after Tile Windows Vertically in a 1000 x 700 main window: A on the left, B on the
# right, the first patch row's middle at y 125, rows 16 pixels apart (the default font).
ROW0_Y=125
ROW_HEIGHT=16
A_X=100
B_X=600
row_y() { echo $((ROW0_Y + ROW_HEIGHT * ($1 - 1))); }

# select_block X FIRST LAST: a click on row FIRST, then a Shift+click on row LAST.
select_block() {
    xdotool mousemove "$1" "$(row_y "$2")"
    sleep 0.2
    xdotool click 1
    sleep 0.2
    xdotool mousemove "$1" "$(row_y "$3")"
    sleep 0.2
    xdotool keydown shift click 1 keyup shift
    sleep 0.3
}

# drag FROM_X FROM_ROW TO_X TO_ROW KEYS...: presses on the row, moves past the start distance,
# crosses to the target, holds the keys while moving onto the target row, and releases there.
drag() {
    local fx="$1" fy tx="$3" ty key x
    fy="$(row_y "$2")"
    ty="$(row_y "$4")"
    shift 4
    xdotool mousemove "$fx" "$fy"
    sleep 0.3
    xdotool mousedown 1
    sleep 0.3
    for x in $((fx + 6)) $((fx + 12)) $((fx + 20)) $(seq $((fx + 60)) 60 $((tx - 20))); do
        xdotool mousemove "$x" "$fy"
        sleep 0.05
    done
    for key in "$@"; do
        xdotool keydown "$key"
    done
    sleep 0.2
    xdotool mousemove "$tx" $((ty + 1))
    sleep 0.2
    xdotool mousemove "$tx" "$ty"
    sleep 0.3
    xdotool mouseup 1
    sleep 0.3
    for key in "$@"; do
        xdotool keyup "$key"
    done
    sleep 0.5
}

echo "== start with A.prj, then B.prj handed over by a second start"
"$GUI" "$ROOT/A.prj" &
PID=$!
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "
timeout 30 "$GUI" "$ROOT/B.prj" || fail "the second start failed"
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ "

WID="$(main_window)"
xdotool windowsize --sync "$WID" 1000 700
sleep 0.5
xdotool mousemove 500 5
sleep 0.2
xdotool key alt+w
sleep 0.5
xdotool key v
sleep 1

echo "== Alt: A10-A14 dropped onto their own place stay where they are"
select_block "$A_X" 10 14
drag "$A_X" 12 "$A_X" 12 alt
# A press on a selected row, released without a drag, leaves that row alone selected.
xdotool mousemove "$A_X" "$(row_y 10)"
sleep 0.2
xdotool click 1
sleep 0.3

echo "== Alt: insert A10 at B's row 15"
drag "$A_X" 10 "$B_X" 15 alt
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ *"
echo "== Shift: insert A20 at B's row 5"
drag "$A_X" 20 "$B_X" 5 shift
echo "== Ctrl+Alt: move A30 to B's row 25, inserting"
drag "$A_X" 30 "$B_X" 25 ctrl alt
echo "== no keys onto a used slot: the question, cancelled, then confirmed"
drag "$A_X" 2 "$B_X" 2
xdotool key Escape
sleep 0.5
drag "$A_X" 1 "$B_X" 2
xdotool key Return
sleep 0.5

echo "== save B (the window receiving the drops is the active one), then A"
# Without a window manager the keyboard focus is not handed back when the message box closes.
xdotool windowfocus --sync "$WID"
xdotool key ctrl+s
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ "
# A click (without a drag) in a list of a background window brings that window to the top.
xdotool mousemove "$A_X" "$(row_y 33)"
sleep 0.3
xdotool click 1
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ *"

echo "== a click on a selected patch: the wave list follows it, and Delete there hits its wave alone"
select_block "$A_X" 10 14
xdotool mousemove "$A_X" "$(row_y 11)"
sleep 0.2
xdotool click 1
sleep 0.3
xdotool key Tab
sleep 0.3
xdotool key Delete
sleep 0.5
xdotool key Return
sleep 0.5
xdotool windowfocus --sync "$WID"
xdotool key ctrl+s
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "
A_SAVED="$(cd "$ROOT/A.prj/Patch" && ls)"

echo "== Alt within A: A10-A14 pressed on A12 and inserted at row 20; the status names the slot it lands in"
select_block "$A_X" 10 14
: >"$ROOT/status.log"
drag "$A_X" 12 "$A_X" 20 alt
ANNOUNCED="$(grep '^Drop: ' "$ROOT/status.log" | tail -1)"
echo "status during the drag: $ANNOUNCED"
echo "$ANNOUNCED" | grep -Eq '^Drop: move 5 patches to [0-9]+, inserting$' ||
    fail "the status during the Alt drag said \"$ANNOUNCED\""
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ *"
xdotool key ctrl+s
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "

echo "== exit"
kill -TERM "$PID"
STATUS=0
wait "$PID" || STATUS=$?
PID=""
[ "$STATUS" -eq 0 ] || fail "the program ended with status $STATUS"

echo "== check the folders"
expected_b() {
    local slot=1 name
    for name in B01 A01 B03 B04 A20 B05 B06 B07 B08 B09 B10 B11 B12 B13 B14 A10 B15 B16 B17 B18 B19 B20 B21 B22 A30 \
        B23 B24 B25 B26 B27 B28 B29 B30 B31 B32 B33 B34 B35 B36 B37 B38 B39 B40; do
        printf '%03d %s.p00\n' "$slot" "$name"
        slot=$((slot + 1))
    done
}
ACTUAL_B="$(cd "$ROOT/B.prj/Patch" && ls)"
if [ "$ACTUAL_B" != "$(expected_b)" ]; then
    diff <(expected_b) <(echo "$ACTUAL_B") >&2 || true
    fail "B's patch folder is not as expected"
fi
[ "$(cd "$ROOT/B.prj/Wave" && ls | tr '\n' '|')" = "001 Pad.wav|002 Pad.wav|003 Pad.wav|004 Pad.wav|005 Pad.wav|" ] ||
    fail "B's wave folder holds: $(cd "$ROOT/B.prj/Wave" && ls | tr '\n' '|')"
[ "$(echo "$A_SAVED" | wc -l)" -eq 39 ] || fail "A does not hold 39 patches"
[ "$(cd "$ROOT/A.prj/Wave" && ls | tr '\n' '|')" = "001 Pad.wav|" ] ||
    fail "A's wave folder should hold only 001 Pad.wav; it holds: $(cd "$ROOT/A.prj/Wave" && ls | tr '\n' '|')"
! echo "$A_SAVED" | grep -qx '030 A30.p00' || fail "the moved patch is still in A"
echo "$A_SAVED" | grep -qx '029 A29.p00' && echo "$A_SAVED" | grep -qx '031 A31.p00' || fail "A's neighbours moved"
for n in 10 11 12 13 14 15 16; do
    echo "$A_SAVED" | grep -qx "0$n A$n.p00" || fail "A$n left slot $n: $(echo "$A_SAVED" | sed -n 8,18p | tr '\n' '|')"
done
# The block dropped with Alt lies whole from the slot the status bar named.
SLOT="$(echo "$ANNOUNCED" | sed -E 's/^Drop: move 5 patches to ([0-9]+), inserting$/\1/')"
for n in 10 11 12 13 14; do
    NAME="$(printf '%03d A%d.p00' $((SLOT + n - 10)) "$n")"
    [ -e "$ROOT/A.prj/Patch/$NAME" ] ||
        fail "\"$ANNOUNCED\" but $NAME is missing: $(cd "$ROOT/A.prj/Patch" && ls | sed -n 8,24p | tr '\n' '|')"
done

# Each dragged patch names the copy of its wave made for it in B.
INFO="$("$CLI" info "$ROOT/B.prj/")"
echo "$INFO" | grep -Eq '^ *016 +A10 +waves 2 ' || fail "A10 in B does not use wave 2: $(echo "$INFO" | grep A10)"
echo "$INFO" | grep -Eq '^ *005 +A20 +waves 3 ' || fail "A20 in B does not use wave 3: $(echo "$INFO" | grep A20)"
echo "$INFO" | grep -Eq '^ *025 +A30 +waves 4 ' || fail "A30 in B does not use wave 4: $(echo "$INFO" | grep A30)"
echo "$INFO" | grep -Eq '^ *002 +A01 +waves 5 ' || fail "A01 in B does not use wave 5: $(echo "$INFO" | grep A01)"
echo "$INFO" | grep -Eq '^ *026 +B23 +waves 1 ' || fail "B23 in B does not use wave 1"
echo "== passed"
