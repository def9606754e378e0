#!/usr/bin/env bash
# Kills a real orvanta-cli save with SIGKILL at many moments and checks that the next run finishes
# or undoes it. A demo project grown to about 40 MB of waves is edited (patches moved with an
# insert, so files are renamed and rewritten; waves imported, so large files are copied) and saved
# in place, and in a second scenario saved as a new folder P2.prj. A full run on a copy gives the
# "new" folder; the untouched original is the "old" one. Each kill runs the script on a fresh copy
# and kills it after a delay spread over a full run's duration, or as soon as a stage of the save
# shows on disk (the staging folder, the journal, the parked marker, the done marker). Afterwards:
#  - while ".orvanta-save" is there, "orvanta-cli check" exits 1 and changes nothing;
#  - the next run ("orvanta-cli recover", or a script that opens the project) exits 0 and leaves
#    the folder, compared by relative path and sha256 of every file, exactly old or exactly new
#    (as its message says: undone = old, completed = new), with no ".orvanta-save" left, and
#    "orvanta-cli check" then exits 0;
#  - Save As leaves the source folder unchanged, and the target is the new folder or holds no file.
# At least one kill of each scenario must land while a save is under way. Before the kills, an empty
# staging folder (what a kill leaves just after the folder was made) must be removed by the next run
# without any "recovered:" message.
# Usage: SaveKillEndToEnd.sh ORVANTA_CLI
set -euo pipefail
export LC_ALL=C

CLI="$(readlink -f "$1")"
ROOT="$(mktemp -d)"
RUN_PID=""
REMOVAL_PID=""
cleanup() {
    if [ -n "$RUN_PID" ] && kill -0 "$RUN_PID" 2>/dev/null; then
        kill -KILL "$RUN_PID" 2>/dev/null || true
    fi
    if [ -n "$REMOVAL_PID" ]; then
        wait "$REMOVAL_PID" || true
    fi
    rm -rf "$ROOT"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

export HOME="$ROOT/home"
mkdir -p "$HOME"
# Checks and recoveries use this work folder; every scripted run gets a private one of its own.
ORVANTA_WORK_FOLDER="$(mktemp -d "$ROOT/work.XXXXXX")"
export ORVANTA_WORK_FOLDER

# A sleep without starting a process: a read with a timeout from a pipe nobody writes to.
mkfifo "$ROOT/never"
exec 9<>"$ROOT/never"
nap() { read -r -t "$1" -u 9 _ || true; }

now_us() { local t="$EPOCHREALTIME"; echo $((10#${t/./})); }

# Every folder (relative) and every file (relative path and sha256) under $1, sorted; nothing
# when $1 does not exist.
listing() {
    [ -d "$1" ] || return 0
    (
        cd "$1"
        find . -mindepth 1 -type d -printf 'folder %p\n' | sort
        # The lock files a killed run leaves (taken over by the next program) are no content.
        find . -type f ! -name .orvanta-open ! -name .orvanta-lock -print0 | sort -z | xargs -0 -r sha256sum
    )
}
# Every entry under $1 with its inode, size and modification time: shows any rename, write or
# deletion without reading the contents.
entries() { (cd "$1" && find . ! -name .orvanta-open ! -name .orvanta-lock -printf '%p %i %s %T@\n' | sort); }
file_count() { listing "$1" | grep -vc '^folder ' || true; }

# --- The project: the demo with large user waves in the wave slots after its own. -----------------
BASE="$ROOT/base"
IN="$ROOT/in"
mkdir -p "$BASE" "$IN"
"$CLI" demo "$BASE/A.prj" --seed 5 >/dev/null
last="$(ls "$BASE/A.prj/Wave" | sed -n 's/^\([0-9][0-9][0-9]\) .*/\1/p' | sort -n | tail -1)"
slot=$((10#$last))
for i in $(seq 1 13); do
    slot=$((slot + 1))
    head -c 3000000 /dev/urandom >"$BASE/A.prj/Wave/$(printf '%03d' "$slot") Big$i.wav"
done
head -c 4000000 /dev/urandom >"$IN/Imp One.wav"
head -c 4000000 /dev/urandom >"$IN/Imp2.wav"
"$CLI" check "$BASE/A.prj" >/dev/null || fail "the grown demo project does not pass check"

# Both scripts run in a folder holding a copy of A.prj.
cat >"$ROOT/in-place.orv" <<END
open A A.prj
answer yes
move A patches 3 A 1 insert
copy A waves 2 A 1 insert
import A "$IN/Imp One.wav" "$IN/Imp2.wav"
save A
END
cat >"$ROOT/save-as.orv" <<END
open A A.prj
answer yes
move A patches 3 A 1 insert
import A "$IN/Imp One.wav" "$IN/Imp2.wav"
save-as A P2.prj
END
printf 'open A A.prj\n' >"$ROOT/open.orv"
printf 'answer yes\nopen A A.prj\n' >"$ROOT/open-anyway.orv"

OLD="$ROOT/old.list"
listing "$BASE/A.prj" >"$OLD"

# fresh_copy DIR: DIR with a copy of the original A.prj in it.
fresh_copy() {
    rm -rf "$1"
    mkdir -p "$1"
    cp -a "$BASE/A.prj" "$1/"
}

# remove_later DIR: removes DIR in the background (files that a save flushed to disk take a while
# to delete), one folder at a time.
remove_later() {
    if [ -n "$REMOVAL_PID" ]; then
        wait "$REMOVAL_PID" || true
    fi
    rm -rf "$1" &
    REMOVAL_PID=$!
}

# start_run SCENARIO DIR: the scenario's script in DIR, in the background, with a private work
# folder; RUN_PID is the orvanta-cli process itself.
start_run() {
    local work
    work="$(mktemp -d "$ROOT/work.XXXXXX")"
    (cd "$2" && ORVANTA_WORK_FOLDER="$work" exec "$CLI" run "$ROOT/$1.orv") >"$ROOT/run.out" 2>"$ROOT/run.err" &
    RUN_PID=$!
}

# target_of SCENARIO DIR: the folder the scenario saves into.
target_of() { if [ "$1" = in-place ]; then echo "$2/A.prj"; else echo "$2/P2.prj"; fi; }

# --- Reference runs: the new folder of each scenario, and how long a full run takes. ----------------
declare -A NEW DURATION_US
for scenario in in-place save-as; do
    dir="$ROOT/reference-$scenario"
    fresh_copy "$dir"
    start=$(now_us)
    start_run "$scenario" "$dir"
    status=0
    wait "$RUN_PID" || status=$?
    RUN_PID=""
    DURATION_US[$scenario]=$(($(now_us) - start))
    [ "$status" -eq 0 ] || fail "$scenario: the full run exited $status: $(cat "$ROOT/run.err")"
    target="$(target_of "$scenario" "$dir")"
    NEW[$scenario]="$ROOT/new-$scenario.list"
    listing "$target" >"${NEW[$scenario]}"
    [ ! -e "$target/.orvanta-save" ] || fail "$scenario: the full run left $target/.orvanta-save"
    "$CLI" check "$target" >/dev/null || fail "$scenario: the saved folder does not pass check"
    ! cmp -s "$OLD" "${NEW[$scenario]}" || fail "$scenario: the save changed nothing"
    grep -q 'Imp One.wav$' "${NEW[$scenario]}" || fail "$scenario: the imported wave is not in the saved folder"
    if [ "$scenario" = save-as ]; then
        listing "$dir/A.prj" | cmp -s "$OLD" - || fail "save-as: the full run changed the source folder"
    fi
    remove_later "$dir"
    echo "$scenario: a full run takes $((DURATION_US[$scenario] / 1000)) ms"
done

# --- An empty staging folder, as a kill just after the folder was made (or just before the last
# step removed it) leaves: no save had changed anything, so the next run removes it without
# reporting a recovery, whether it recovers explicitly or opens the project. -------------------------
for next in recover open; do
    dir="$ROOT/empty-staging-$next"
    fresh_copy "$dir"
    mkdir "$dir/A.prj/.orvanta-save"
    if [ "$next" = recover ]; then
        "$CLI" recover "$dir/A.prj" >"$ROOT/next.out" 2>"$ROOT/next.err" ||
            fail "empty staging folder: recover failed: $(cat "$ROOT/next.err")"
        grep -qx ".*: no interrupted save" "$ROOT/next.out" ||
            fail "empty staging folder: recover did not say there was no interrupted save"
    else
        (cd "$dir" && "$CLI" run "$ROOT/open.orv") >"$ROOT/next.out" 2>"$ROOT/next.err" ||
            fail "empty staging folder: a run opening the project failed: $(cat "$ROOT/next.err")"
    fi
    if grep -q '^recovered:' "$ROOT/next.err"; then
        cat -A "$ROOT/next.err" >&2
        fail "empty staging folder: $next reported a recovery (above) although no save had changed anything"
    fi
    [ ! -e "$dir/A.prj/.orvanta-save" ] || fail "empty staging folder: $next left it"
    listing "$dir/A.prj" | cmp -s "$OLD" - || fail "empty staging folder: $next changed the project"
    remove_later "$dir"
done
echo "an empty staging folder is removed without a recovery message (recover, open)"

# --- Kills ----------------------------------------------------------------------------------------
# wait_for_any DIR NAME...: returns once one of the NAMEs exists in DIR or the run has ended. A later
# marker counts too, so that a stage that passes while this shell is not running is not missed.
wait_for_any() {
    local dir="$1" name
    shift
    while kill -0 "$RUN_PID" 2>/dev/null; do
        for name in "$@"; do
            [ ! -e "$dir/$name" ] || return 0
        done
    done
}

# report_mismatch SCENARIO LIST STAGING: how a listing differs from the old and the new folder, and
# what the staging folder held before recovery.
report_mismatch() {
    local scenario="$1" list="$2" staging="$3"
    echo "--- against the old folder:" >&2
    diff "$OLD" "$list" >&2 || true
    echo "--- against the new folder:" >&2
    diff "${NEW[$scenario]}" "$list" >&2 || true
    echo "--- the staging folder before recovery:" >&2
    cat "$staging" >&2
}

declare -A INTERRUPTED UNDONE COMPLETED
total_kills=0
for scenario in in-place save-as; do
    INTERRUPTED[$scenario]=0
    UNDONE[$scenario]=0
    COMPLETED[$scenario]=0
    duration=${DURATION_US[$scenario]}
    triggers=("delay 5000" "delay 20000")
    for percent in 10 25 40 55 70 85; do
        triggers+=("delay $((duration * percent / 100))")
    done
    # The staging folder appears as the save begins; the journal is its commit point; "parked" and
    # "done" follow in that order.
    triggers+=("stage .orvanta-save" "stage .orvanta-save/journal .orvanta-save/parked .orvanta-save/done"
        "stage .orvanta-save/parked .orvanta-save/done" "stage .orvanta-save/done")
    n=0
    for trigger in "${triggers[@]}"; do
        n=$((n + 1))
        dir="$ROOT/kill-$scenario-$n"
        fresh_copy "$dir"
        target="$(target_of "$scenario" "$dir")"
        read -r kind value <<<"$trigger"
        start_run "$scenario" "$dir"
        if [ "$kind" = delay ]; then
            nap "$(printf '%d.%06d' $((value / 1000000)) $((value % 1000000)))"
            what="after $((value / 1000)) ms"
        else
            read -r -a markers <<<"$value"
            wait_for_any "$target" "${markers[@]}"
            what="when ${markers[0]} appeared"
            [ "${#markers[@]}" -eq 1 ] || what="$what (or a later marker)"
        fi
        kill -KILL "$RUN_PID" 2>/dev/null || true
        status=0
        # (the shell's own "Killed" notice is not wanted in the log)
        { wait "$RUN_PID"; } 2>/dev/null || status=$?
        RUN_PID=""
        total_kills=$((total_kills + 1))
        label="$scenario, kill $what"
        case "$status" in
        0) killed=no ;;
        137) killed=yes ;;
        *) fail "$label: the run exited $status by itself: $(cat "$ROOT/run.err")" ;;
        esac

        # What the kill left, before anything looks at it.
        staging="$ROOT/staging.txt"
        interrupted=no
        if [ -e "$target/.orvanta-save" ]; then
            interrupted=yes
            [ "$killed" = yes ] || fail "$label: a run that finished left $target/.orvanta-save"
            { ls -la "$target/.orvanta-save" && cat "$target/.orvanta-save/journal" 2>/dev/null; } >"$staging" || true
            before="$ROOT/before-check.list"
            entries "$target" >"$before"
            check_status=0
            "$CLI" check "$target" >"$ROOT/check.out" 2>&1 || check_status=$?
            [ "$check_status" -eq 1 ] || fail "$label: check exited $check_status on an interrupted save"
            entries "$target" | cmp -s "$before" - || fail "$label: check changed the folder"
        else
            echo "(no staging folder)" >"$staging"
        fi

        # The next run: recover, or for every other kill in place a script that opens the project.
        if [ -d "$target" ]; then
            next=recover
            if [ "$scenario" = in-place ] && [ $((n % 2)) -eq 0 ]; then
                next=open
                (cd "$dir" && "$CLI" run "$ROOT/open.orv") >"$ROOT/next.out" 2>"$ROOT/next.err" ||
                    fail "$label: a run opening the project failed: $(cat "$ROOT/next.err")"
            else
                "$CLI" recover "$target" >"$ROOT/next.out" 2>"$ROOT/next.err" ||
                    fail "$label: recover failed: $(cat "$ROOT/next.out" "$ROOT/next.err")"
            fi
        else
            next=none # Save As had not made its folder yet
            : >"$ROOT/next.out"
            : >"$ROOT/next.err"
        fi
        message=none
        if grep -q '^recovered: .* was undone' "$ROOT/next.err"; then
            message=undone
        elif grep -q '^recovered: .* was completed' "$ROOT/next.err"; then
            message=completed
        elif grep -q '^recovered:' "$ROOT/next.err"; then
            echo "--- standard error of the next run ($next):" >&2
            cat -A "$ROOT/next.err" >&2
            echo "--- the staging folder before it:" >&2
            cat "$staging" >&2
            fail "$label: after $next a \"recovered:\" line names neither undone nor completed"
        fi
        if [ "$interrupted" = no ] && [ "$message" != none ]; then
            fail "$label: \"$message\" reported without an interrupted save"
        fi
        if [ "$next" = recover ] && [ "$message" = none ]; then
            grep -qx ".*: no interrupted save" "$ROOT/next.out" ||
                fail "$label: recover said neither what it did nor that there was nothing: $(cat "$ROOT/next.out")"
        fi

        # The folder after the next run.
        [ ! -e "$target/.orvanta-save" ] || fail "$label: $target/.orvanta-save is still there after $next"
        after="$ROOT/after.list"
        listing "$target" >"$after"
        state=""
        if cmp -s "$after" "${NEW[$scenario]}"; then
            state=new
        elif [ "$scenario" = in-place ] && cmp -s "$after" "$OLD"; then
            state=old
        elif [ "$scenario" = save-as ] && [ "$(file_count "$target")" -eq 0 ]; then
            state=old
        fi
        if [ -z "$state" ]; then
            report_mismatch "$scenario" "$after" "$staging"
            fail "$label: after $next the folder is neither the old nor the new one (diffs above)"
        fi
        if [ "$message" = undone ] && [ "$state" != old ]; then
            report_mismatch "$scenario" "$after" "$staging"
            fail "$label: recovery said undone but the folder is the new one"
        fi
        if [ "$message" = completed ] && [ "$state" != new ]; then
            report_mismatch "$scenario" "$after" "$staging"
            fail "$label: recovery said completed but the folder is the old one"
        fi
        if [ "$killed" = no ] && [ "$state" != new ]; then
            fail "$label: the run finished but the folder is not the new one"
        fi
        if [ "$state" = new ] || [ "$scenario" = in-place ]; then
            "$CLI" check "$target" >"$ROOT/check.out" 2>&1 ||
                fail "$label: check fails after recovery: $(cat "$ROOT/check.out")"
        fi
        if [ "$scenario" = save-as ]; then
            listing "$dir/A.prj" | cmp -s "$OLD" - || fail "$label: the source folder changed"
            [ ! -e "$dir/A.prj/.orvanta-save" ] || fail "$label: the source folder has a staging folder"
        fi
        if [ -d "$target" ]; then
            "$CLI" recover "$target" | grep -qx ".*: no interrupted save" ||
                fail "$label: a second recover found something to do"
        fi

        if [ "$killed" = no ]; then
            how="save had finished"
        elif [ "$interrupted" = yes ]; then
            INTERRUPTED[$scenario]=$((INTERRUPTED[$scenario] + 1))
            case "$message" in
            undone)
                UNDONE[$scenario]=$((UNDONE[$scenario] + 1))
                how="killed mid-save before the commit"
                ;;
            completed)
                COMPLETED[$scenario]=$((COMPLETED[$scenario] + 1))
                how="killed mid-save after the commit"
                ;;
            *) how="killed mid-save with an empty staging folder" ;;
            esac
        elif [ "$state" = old ]; then
            how="killed before the save began"
        else
            how="killed after the save had finished"
        fi
        if [ "$scenario" = save-as ] && [ "$state" = old ]; then
            if [ -d "$target" ]; then state="old (P2.prj holds no file)"; else state="old (no P2.prj)"; fi
        fi
        echo "$label: $how -> $state (next run: $next)"
        remove_later "$dir"
    done
    echo "$scenario: ${INTERRUPTED[$scenario]} of $n kills landed mid-save" \
        "(${UNDONE[$scenario]} undone to old, ${COMPLETED[$scenario]} completed to new)"
done

# --- A second program while a save runs: the save is stopped (SIGSTOP) once it has committed (its
# journal is there) and before it is done, and "orvanta-cli recover" and a run that opens the project
# must wait for the save lock, then report that the project is being saved and change nothing; the
# save, continued, then finishes. A stop that comes too late is tried again. ------------------------
caught=no
for attempt in 1 2 3 4 5 6 7 8; do
    dir="$ROOT/concurrent-$attempt"
    fresh_copy "$dir"
    start_run in-place "$dir"
    wait_for_any "$dir/A.prj" .orvanta-save/journal .orvanta-save/done
    kill -STOP "$RUN_PID" 2>/dev/null || true
    if [ ! -e "$dir/A.prj/.orvanta-save/journal" ] || [ -e "$dir/A.prj/.orvanta-save/done" ]; then
        kill -CONT "$RUN_PID" 2>/dev/null || true
        wait "$RUN_PID" || true
        RUN_PID=""
        remove_later "$dir"
        continue
    fi
    caught=yes
    before="$ROOT/before-second.list"
    entries "$dir/A.prj" >"$before"
    status=0
    "$CLI" recover "$dir/A.prj" >"$ROOT/next.out" 2>"$ROOT/next.err" || status=$?
    [ "$status" -eq 1 ] || fail "concurrent: recover exited $status while a save was under way"
    grep -q "A.prj is being saved by another program" "$ROOT/next.err" ||
        fail "concurrent: recover did not say that the project is being saved: $(cat "$ROOT/next.err")"
    status=0
    # (told that the project is open in the saving run, it opens all the same and meets the lock)
    (cd "$dir" && "$CLI" run "$ROOT/open-anyway.orv") >"$ROOT/next.out" 2>"$ROOT/next.err" || status=$?
    [ "$status" -ne 0 ] || fail "concurrent: a run opened the project while a save was under way"
    grep -q "A.prj is open in orvanta-cli, process $RUN_PID" "$ROOT/next.err" ||
        fail "concurrent: the opening run was not told that the saving run has the project open"
    grep -q "A.prj is being saved by another program" "$ROOT/next.err" ||
        fail "concurrent: the opening run did not say that the project is being saved: $(cat "$ROOT/next.err")"
    entries "$dir/A.prj" | cmp -s "$before" - || fail "concurrent: a second program changed the folder"
    kill -CONT "$RUN_PID"
    status=0
    wait "$RUN_PID" || status=$?
    RUN_PID=""
    [ "$status" -eq 0 ] || fail "concurrent: the save, continued, exited $status: $(cat "$ROOT/run.err")"
    listing "$dir/A.prj" | cmp -s "${NEW[in-place]}" - || fail "concurrent: the continued save did not end new"
    echo "a save stopped after its commit (attempt $attempt): recover and open wait, say it is being saved," \
        "touch nothing; the save, continued, finishes"
    remove_later "$dir"
    break
done
[ "$caught" = yes ] || fail "concurrent: no save was caught between its commit and its end in 8 attempts"

for scenario in in-place save-as; do
    [ "${INTERRUPTED[$scenario]}" -gt 0 ] ||
        fail "$scenario: no kill landed while a save was under way; the project must grow for this machine"
done
echo "all $total_kills kills recovered to the old or the new folder"
