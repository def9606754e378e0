#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the librarian. With no project named,
# it opens a demo project (written by orvanta-cli demo on first use).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages
BUILD="$ROOT/build"
configure_and_build "$BUILD"

GUI="$BUILD/src/shell/orvanta-librarian"
CLI="$BUILD/src/cli/orvanta-cli"
PROJECT="${1:-}"
if [ -z "$PROJECT" ] && [ -x "$CLI" ]; then
    PROJECT="${XDG_DATA_HOME:-$HOME/.local/share}/Orvanta Librarian/Demo.prj"
    if [ ! -d "$PROJECT" ]; then
        step "Writing a demo project to $PROJECT"
        mkdir -p "$(dirname "$PROJECT")"
        "$CLI" demo "$PROJECT" || fail "could not write the demo project"
    fi
fi

if [ ! -x "$GUI" ]; then
    step "Built. The window is not there yet; what there is to run:"
    [ -x "$CLI" ] && echo "  $CLI --help"
    echo "  (cd $BUILD && ctest)   # the tests"
    exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    fail "no display: set DISPLAY (or start the program on a desktop). To try it without one: xvfb-run -a $GUI \"$PROJECT\""
fi
step "Starting $GUI ${PROJECT:+\"$PROJECT\"}"
exec "$GUI" ${PROJECT:+"$PROJECT"}
