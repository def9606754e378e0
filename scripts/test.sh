#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; then builds the core, the
# command-line tool and their tests again with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs those. Any failing test or sanitizer report fails the run.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages

BUILD="$ROOT/build"
SAN="$ROOT/build-sanitize"

configure_and_build "$BUILD" -DORVANTA_SANITIZE=OFF
step "Running the tests"
(cd "$BUILD" && ctest --output-on-failure -j "$JOBS" --timeout 900) || fail "tests failed (see above)"

configure_and_build "$SAN" -DORVANTA_SANITIZE=ON -DORVANTA_CORE_ONLY=ON -DORVANTA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
step "Running the core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$SAN" && ctest --output-on-failure -j "$JOBS" --timeout 1800) || fail "sanitizer tests failed (see above)"

step "All tests passed"
