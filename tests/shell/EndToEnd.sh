#!/usr/bin/env bash
# The whole program on a virtual X display (run under xvfb-run by CTest):
#  1. a project named on the command line opens, and the main title names it;
#  2. a second start with another project hands it to the first, which opens it, and ends at once
#     without writing settings, leaving one process;
#  3. the exit (as at the end of a session) writes the settings and empties the work folder of
#     patch and wave files, other files staying;
#  4. after a crash (SIGKILL) the next start becomes the running instance;
#  5. so does a start over an empty or garbled lock file;
#  6. a start that reaches no running instance ends on SIGTERM while its message box is open.
# Usage: EndToEnd.sh ORVANTA_LIBRARIAN ORVANTA_MAKE_PROJECT
set -euo pipefail

GUI="$1"
MAKE_PROJECT="$2"
ROOT="$(mktemp -d)"
FIRST_PID=""
SILENT_PID=""
cleanup() {
    local pid
    for pid in "$FIRST_PID" "$SILENT_PID"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill -KILL "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$ROOT"
}
trap cleanup EXIT

fail() { echo "FAILED: $*" >&2; exit 1; }

# A private home: settings, data, runtime folder and work folder of this test only.
export HOME="$ROOT/home" XDG_CONFIG_HOME="$ROOT/config" XDG_DATA_HOME="$ROOT/data" XDG_RUNTIME_DIR="$ROOT/runtime"
export ORVANTA_WORK_FOLDER="$ROOT/work"
export QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$ORVANTA_WORK_FOLDER"
chmod 700 "$XDG_RUNTIME_DIR" "$ORVANTA_WORK_FOLDER"
SETTINGS="$XDG_CONFIG_HOME/Veltrane/Orvanta Librarian.conf"

"$MAKE_PROJECT" "$ROOT/" A.prj >/dev/null
"$MAKE_PROJECT" "$ROOT/" B.prj >/dev/null
# Files of the user in the named work folder, patch and wave names among them: all of them stay.
touch "$ORVANTA_WORK_FOLDER/000 Old.p00" "$ORVANTA_WORK_FOLDER/001 Old.wav" "$ORVANTA_WORK_FOLDER/002 Old.aiff" \
      "$ORVANTA_WORK_FOLDER/003 Old.vpw" "$ORVANTA_WORK_FOLDER/notes.txt"

titles() {
    local id
    for id in $(xdotool search --onlyvisible --name 'Orvanta Librarian' 2>/dev/null); do
        xdotool getwindowname "$id" 2>/dev/null || true
    done
}

wait_for_title() {
    local expected="$1" i
    for i in $(seq 1 150); do
        if titles | grep -Fxq -- "$expected"; then
            return 0
        fi
        kill -0 "$FIRST_PID" 2>/dev/null || fail "the program ended while waiting for the title \"$expected\""
        sleep 0.2
    done
    echo "window titles seen:" >&2
    titles | sed 's/^/  "/; s/$/"/' >&2
    fail "no window titled \"$expected\""
}

echo "== start with $ROOT/A.prj"
"$GUI" "$ROOT/A.prj" &
FIRST_PID=$!
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "

echo "== second start with $ROOT/B.prj"
SECOND_STATUS=0
timeout 30 "$GUI" "$ROOT/B.prj" || SECOND_STATUS=$?
[ "$SECOND_STATUS" -eq 0 ] || fail "the second start ended with status $SECOND_STATUS"
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ "
kill -0 "$FIRST_PID" 2>/dev/null || fail "the first process is gone"
[ "$(titles | grep -c '^Orvanta Librarian')" -eq 1 ] || fail "more than one main window: $(titles | tr '\n' '|')"
if [ -f "$SETTINGS" ] && grep -q '^\[Option\]' "$SETTINGS"; then
    fail "settings were written before the first process ended"
fi

echo "== exit"
kill -TERM "$FIRST_PID"
EXIT_STATUS=0
wait "$FIRST_PID" || EXIT_STATUS=$?
FIRST_PID=""
[ "$EXIT_STATUS" -eq 0 ] || fail "the program ended with status $EXIT_STATUS"

[ -f "$SETTINGS" ] || fail "no settings file at $SETTINGS"
grep -q '^\[Option\]' "$SETTINGS" || fail "no Option section in the settings"
grep -q '^GridSw=0' "$SETTINGS" || fail "GridSw not written"
grep -q '^FontAttribute=' "$SETTINGS" || fail "the font not written"
grep -Fxq "File1=$ROOT/B.prj" "$SETTINGS" || fail "the recent-file list does not start with B.prj"
grep -Fxq "File2=$ROOT/A.prj" "$SETTINGS" || fail "the recent-file list does not hold A.prj second"
grep -q '^Position=' "$SETTINGS" || fail "the main window position not written"

# A folder the user named keeps every file it held, and the run's own sub-folder is gone.
LEFT="$(cd "$ORVANTA_WORK_FOLDER" && ls -A | tr '\n' '|')"
[ "$LEFT" = "000 Old.p00|001 Old.wav|002 Old.aiff|003 Old.vpw|notes.txt|" ] || fail "the work folder holds: $LEFT"

echo "== a crashed instance does not block the next start"
"$GUI" "$ROOT/A.prj" &
FIRST_PID=$!
wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "
kill -KILL "$FIRST_PID"
wait "$FIRST_PID" 2>/dev/null || true
"$GUI" "$ROOT/B.prj" &
FIRST_PID=$!
wait_for_title "Orvanta Librarian - $ROOT/B.prj/ "
kill -TERM "$FIRST_PID"
wait "$FIRST_PID" || fail "the program started after a crash did not end cleanly"
FIRST_PID=""

echo "== a lock file that names no process does not block the start"
LOCK="$XDG_RUNTIME_DIR/Orvanta Librarian.lock"
for CONTENTS in "" "garbage"; do
    printf '%s' "$CONTENTS" >"$LOCK"
    "$GUI" "$ROOT/A.prj" &
    FIRST_PID=$!
    wait_for_title "Orvanta Librarian - $ROOT/A.prj/ "
    kill -TERM "$FIRST_PID"
    wait "$FIRST_PID" || fail "the program started over the lock \"$CONTENTS\" did not end cleanly"
    FIRST_PID=""
done

echo "== a start that reaches no running instance ends on SIGTERM while it says so"
# A lock naming a live process of the program's name that never answers on the socket.
cp "$(command -v sleep)" "$ROOT/orvanta-librarian"
"$ROOT/orvanta-librarian" 600 >/dev/null 2>&1 &
SILENT_PID=$!
printf '%s\norvanta-librarian\n\n' "$SILENT_PID" >"$LOCK"
"$GUI" "$ROOT/A.prj" &
FIRST_PID=$!
wait_for_title "Orvanta Librarian"
kill -TERM "$FIRST_PID"
for i in $(seq 1 50); do
    kill -0 "$FIRST_PID" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$FIRST_PID" 2>/dev/null && fail "the start that reached no running instance ignored SIGTERM"
wait "$FIRST_PID" || true
FIRST_PID=""
kill -KILL "$SILENT_PID"
SILENT_PID=""
echo "== passed"
