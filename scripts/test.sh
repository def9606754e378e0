#!/usr/bin/env bash
# Installs what is missing and runs every check CI runs, one timed stage after another: builds
# everything and runs every test; builds everything in a Release build, runs its tests and each
# benchmark once (figures are printed, never compared); builds the Debian package, installs it, tries
# the installed programs and removes it again; builds everything again with clang, AddressSanitizer
# and UndefinedBehaviorSanitizer and runs those tests, the Qt layers' on the offscreen platform (so
# that both compilers build every layer); cross-builds the core and orvanta-cli for Windows and runs
# their tests under Wine. Stops at the first failure; a table of each stage's time ends the output.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD="$ROOT/build"
RELEASE="$ROOT/build-release"
SAN="$ROOT/build-sanitize"

# run_tests DIR [ctest options...]
run_tests() {
    local dir="$1"
    shift
    (cd "$dir" && ctest --output-on-failure -j "$JOBS" --timeout 1800 "$@") || fail "tests in $dir failed (see above)"
}

# The end-to-end tests under a virtual X server drive the real program for minutes; the plain build
# runs them, the Release and sanitizer builds leave them out.
WITHOUT_X_SERVER_TESTS=(-E '^shell_(drag_|clipboard_)?end_to_end$')

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

# The sanitizer build is clang's, so that GCC and clang each build every layer.
configure_and_build_with_clang() { CC=clang CXX=clang++ configure_and_build "$@"; }

# Sanitizer reports fail the run; leaks inside system libraries listed in lsan.supp are not ours.
# Set for the build too: listing the tests at build time runs the test programs.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan.supp:print_suppressions=0"

stage "Installing what is missing" install_packages
stage "Building everything (RelWithDebInfo)" configure_and_build "$BUILD" -DORVANTA_SANITIZE=OFF
stage "Running the tests" run_tests "$BUILD"
stage "Building everything (Release)" configure_and_build "$RELEASE" -DCMAKE_BUILD_TYPE=Release
stage "Running the tests but the X server ones (Release)" run_tests "$RELEASE" "${WITHOUT_X_SERVER_TESTS[@]}"
stage "Running each benchmark once (Release)" run_benchmarks
stage "Building, installing and removing the Debian package" "$ROOT/scripts/check-package.sh" "$BUILD"
stage "Building everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer (Debug)" \
    configure_and_build_with_clang "$SAN" -DORVANTA_SANITIZE=ON -DORVANTA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
stage "Running the tests but the X server ones under the sanitizers" run_tests "$SAN" "${WITHOUT_X_SERVER_TESTS[@]}"
stage "Windows: MinGW-w64 cross-build, core and CLI tests under Wine" bash "$ROOT/scripts/build-windows.sh"

step "All checks passed"
