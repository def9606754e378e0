#!/usr/bin/env bash
# Cut, Paste and Paste Insert with the real keys between two project windows on a virtual X display
# (run under xvfb-run by CTest, without a window manager), checked on disk after saving:
#  1. A03-A05 selected in A and cut with Ctrl+X: nothing changes in A yet;
#  2. Ctrl+V on B's row 10 asks before overwriting used rows, Return confirms: B10-B12 are replaced
#     and A's slots 3 to 5 are emptied;
#  3. Ctrl+Shift+V on B's row 1 inserts the same rows again (a copy now: the cut rows were emptied
#     once) and B's patches move down by three;
#  4. both projects are saved with Ctrl+S and the folders checked, waves included.
# Usage: ClipboardEndToEnd.sh ORVANTA_LIBRARIAN ORVANTA_MAKE_DRAG_PROJECT
set -euo pipefail

GUI="$1"
MAKE_PROJECT="$2"
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
    exit 1
}

export HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/config" XDG_DATA_HOME="$ROOT/data" XDG_RUNTIME_DIR="$ROOT/runtime"
export ORVANTA_WORK_FOLDER="$ROOT/work"
export QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$ORVANTA_WORK_FOLDER"
chmod 700 "$XDG_RUNTIME_DIR" "$ORVANTA_WORK_FOLDER"

"$MAKE_PROJECT" "$ROOT/" A.prj 20 A >/dev/null
"$MAKE_PROJECT" "$ROOT/" B.prj 20 B >/dev/null

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

# The layout of DragEndToEnd.sh: Tile Windows Vertically in a 1000 x 700 main window.
ROW0_Y=125
ROW_HEIGHT=16
A_X=100
B_X=600
row_y() { echo $((ROW0_Y + ROW_HEIGHT * ($1 - 1))); }
click_row() {
    xdotool mousemove "$1" "$(row_y "$2")"
    sleep 0.2
    xdotool click 1
    sleep 0.3
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

echo "== Ctrl+X on A03-A05"
click_row "$A_X" 3
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "
xdotool mousemove "$A_X" "$(row_y 5)"
sleep 0.2
xdotool keydown shift click 1 keyup shift
sleep 0.3
xdotool key ctrl+x
sleep 0.5
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "

echo "== Ctrl+V on B's row 10: asked, confirmed"
click_row "$B_X" 10
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ "
xdotool key ctrl+v
sleep 0.7
xdotool key Return
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ *"

echo "== Ctrl+Shift+V on B's row 1"
xdotool windowfocus --sync "$WID"
click_row "$B_X" 1
xdotool key ctrl+shift+v
sleep 0.7

echo "== save B, then A"
xdotool windowfocus --sync "$WID"
xdotool key ctrl+s
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ "
click_row "$A_X" 10
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
    for name in A03 A04 A05 B01 B02 B03 B04 B05 B06 B07 B08 B09 A03 A04 A05 B13 B14 B15 B16 B17 B18 B19 B20; do
        printf '%03d %s.p00\n' "$slot" "$name"
        slot=$((slot + 1))
    done
}
ACTUAL_B="$(cd "$ROOT/B.prj/Patch" && ls)"
if [ "$ACTUAL_B" != "$(expected_b)" ]; then
    diff <(expected_b) <(echo "$ACTUAL_B") >&2 || true
    fail "B's patch folder is not as expected"
fi
# Each paste into another window brought the wave its patches use into B's first free wave slot.
[ "$(cd "$ROOT/B.prj/Wave" && ls | tr '\n' '|')" = "001 Pad.wav|002 Pad.wav|003 Pad.wav|" ] ||
    fail "B's wave folder holds: $(cd "$ROOT/B.prj/Wave" && ls | tr '\n' '|')"
[ "$(ls "$ROOT/A.prj/Patch" | wc -l)" -eq 17 ] || fail "A does not hold 17 patches"
for n in 03 04 05; do
    [ ! -e "$ROOT/A.prj/Patch/0$n A$n.p00" ] || fail "the cut patch A$n is still in A"
done
[ -e "$ROOT/A.prj/Patch/002 A02.p00" ] && [ -e "$ROOT/A.prj/Patch/006 A06.p00" ] || fail "A's neighbours moved"
echo "== passed"
