#!/usr/bin/env bash
# Takes a picture of the librarian as a user sees it: writes a demo project with orvanta-cli, starts
# the program on it under a private X server (Xvfb) with private settings, and saves a screenshot of
# the whole screen with ImageMagick's import.
#
#   scripts/screenshot.sh [OUTPUT.png]
#
# Environment: BUILD (build folder, default build/), SCALE (Qt scale factor, e.g. 2 to look at
# HiDPI drawing), SCREEN (Xvfb screen, default 1280x800x24), WAIT (seconds to let the window settle,
# default 3). Needs Xvfb, xdotool and ImageMagick.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD:-$ROOT/build}"
OUTPUT="${1:-$BUILD/screenshot.png}"
GUI="$BUILD/src/shell/orvanta-librarian"
CLI="$BUILD/src/cli/orvanta-cli"
SCREEN="${SCREEN:-1280x800x24}"
WAIT="${WAIT:-3}"

for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null 2>&1 || { echo "screenshot: $tool is not installed" >&2; exit 1; }
done
[ -x "$GUI" ] || { echo "screenshot: $GUI not built" >&2; exit 1; }
[ -x "$CLI" ] || { echo "screenshot: $CLI not built" >&2; exit 1; }

WORK="$(mktemp -d)"
XVFB_PID=""
APP_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# Private home, settings and runtime folder: nothing of the user's is read or changed.
mkdir -p "$WORK/home" "$WORK/config" "$WORK/data" "$WORK/runtime"
chmod 700 "$WORK/runtime"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" XDG_RUNTIME_DIR="$WORK/runtime"

PROJECT="$WORK/Demo.prj"
"$CLI" demo "$PROJECT" >/dev/null

# The first free display number.
DISPLAY_NUMBER=90
while [ -e "/tmp/.X${DISPLAY_NUMBER}-lock" ]; do DISPLAY_NUMBER=$((DISPLAY_NUMBER + 1)); done
Xvfb ":$DISPLAY_NUMBER" -screen 0 "$SCREEN" -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

unset QT_QPA_PLATFORM
if [ -n "${SCALE:-}" ]; then export QT_SCALE_FACTOR="$SCALE"; fi
"$GUI" "$PROJECT" >"$WORK/program.log" 2>&1 &
APP_PID=$!
if ! xdotool search --sync --onlyvisible --name "Orvanta Librarian" >/dev/null 2>&1 & SEARCH=$!; then :; fi
for _ in $(seq 100); do
    kill -0 "$SEARCH" 2>/dev/null || break
    kill -0 "$APP_PID" 2>/dev/null || { cat "$WORK/program.log" >&2; echo "screenshot: the program ended" >&2; exit 1; }
    sleep 0.1
done
kill "$SEARCH" 2>/dev/null || true
sleep "$WAIT"

mkdir -p "$(dirname "$OUTPUT")"
import -window root "$OUTPUT"
echo "$OUTPUT"
