#!/usr/bin/env bash
# Installs what is missing and runs every check CI runs, one timed stage after another: builds
# everything and runs every test; builds a Release build and runs each benchmark once (figures are
# printed, never compared); builds the Debian package, installs it, tries the installed programs and
# removes it again; builds everything again with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs those tests, the Qt layers' on the offscreen platform; cross-builds the core and orvanta-cli
# for Windows and runs their tests under Wine. Stops at the first failure; a table of each stage's
# time ends the output.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD="$ROOT/build"
RELEASE="$ROOT/build-release"
SAN="$ROOT/build-sanitize"

run_tests() {
    (cd "$BUILD" && ctest --output-on-failure -j "$JOBS" --timeout 900) || fail "tests failed (see above)"
}

# Every bench_* program under bench/, the Qt ones on the offscreen platform.
run_benchmarks() {
    local bench benches
    mapfile -t benches < <(find "$RELEASE/bench" -type f -name 'bench_*' -perm -u+x | sort)
    [ "${#benches[@]}" -gt 0 ] || fail "no benchmark programs in $RELEASE/bench"
    for bench in "${benches[@]}"; do
        step "$(basename "$bench")"
        QT_QPA_PLATFORM=offscreen "$bench" || fail "$(basename "$bench") failed"
    done
}

# Sanitizer reports fail the run; leaks inside system libraries listed in lsan.supp are not ours.
# Set for the build too: listing the tests at build time runs the test programs.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"

# The end-to-end tests under a virtual X server are left out here: they drive the real program for
# minutes, and the plain build runs them.
run_sanitizer_tests() {
    (cd "$SAN" && ctest --output-on-failure -j "$JOBS" --timeout 1800 -E '^shell_(drag_)?end_to_end$') \
        || fail "sanitizer tests failed (see above)"
}

stage "Installing what is missing" install_packages
stage "Building everything (RelWithDebInfo)" configure_and_build "$BUILD" -DORVANTA_SANITIZE=OFF
stage "Running the tests" run_tests
stage "Building the Release build" configure_and_build "$RELEASE" -DCMAKE_BUILD_TYPE=Release -DORVANTA_BUILD_TESTS=OFF
stage "Running each benchmark once (Release)" run_benchmarks
stage "Building, installing and removing the Debian package" "$ROOT/scripts/check-package.sh" "$BUILD"
stage "Building everything with AddressSanitizer and UndefinedBehaviorSanitizer" \
    configure_and_build "$SAN" -DORVANTA_SANITIZE=ON -DORVANTA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
stage "Running the tests but the X server ones under the sanitizers" run_sanitizer_tests
stage "Windows: MinGW-w64 cross-build, core and CLI tests under Wine" bash "$ROOT/scripts/build-windows.sh"

step "All checks passed"
