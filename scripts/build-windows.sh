#!/usr/bin/env bash
# Cross-builds the core, orvanta-cli and the tests of the core, the command line and the sound
# library for 64-bit Windows with MinGW-w64 (in build-mingw/), and runs those tests under Wine. GoogleTest is built from Debian's
# googletest sources with the same compiler. Prints the passed, failed and skipped tests of each
# executable; any failure fails the run. The Qt front end is not cross-built.
# ORVANTA_WINDOWS_BUILD names another build folder, ORVANTA_WINDOWS_DEPS a folder of Windows
# libraries built by an earlier run (its build-mingw/deps), which are then not built again.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# What the Windows build needs on top of the usual packages; installed here, only when this runs.
PACKAGES=(cmake make python3 pkg-config dpkg-dev googletest libxxhash-dev g++-mingw-w64-x86-64-posix wine wine64)
install_packages

BUILD="${ORVANTA_WINDOWS_BUILD:-$ROOT/build-mingw}"
DEPS="${ORVANTA_WINDOWS_DEPS:-$BUILD/deps}"
TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
TESTS=(model_tests operations_tests storage_tests cli_tests sound_tests)

# cmake_dependency NAME SOURCE [cmake options...]: builds a library for Windows into $DEPS.
cmake_dependency() {
    local name="$1" source="$2"; shift 2
    step "Building $name for Windows"
    cmake -S "$source" -B "$BUILD/deps-build/$name" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DORVANTA_MINGW_DEPS="$DEPS" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$DEPS" \
        -DBUILD_SHARED_LIBS=OFF "$@" >"$BUILD/deps-build/$name.log" 2>&1 \
        || { cat "$BUILD/deps-build/$name.log"; fail "cmake could not configure $name"; }
    cmake --build "$BUILD/deps-build/$name" -j "$JOBS" >>"$BUILD/deps-build/$name.log" 2>&1 \
        || { tail -40 "$BUILD/deps-build/$name.log"; fail "$name did not build for Windows"; }
    cmake --install "$BUILD/deps-build/$name" >/dev/null || fail "$name could not be installed into $DEPS"
}

mkdir -p "$BUILD/deps-build" "$DEPS/include"

# GoogleTest from Debian's googletest sources.
if [ ! -f "$DEPS/lib/cmake/GTest/GTestConfig.cmake" ]; then
    [ -f /usr/src/googletest/CMakeLists.txt ] || fail "/usr/src/googletest is missing (package googletest)"
    cmake_dependency googletest /usr/src/googletest -DBUILD_GMOCK=OFF
fi

# libsndfile from Debian's source package (WAV and AIFF need no external codec libraries). The
# source is fetched with a source list of this build's own; the machine's apt set-up stays as it is.
if [ ! -f "$DEPS/lib/pkgconfig/sndfile.pc" ]; then
    step "Fetching Debian's libsndfile sources"
    apt_dir="$BUILD/deps-build/apt"
    rm -rf "$apt_dir" && mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/source"
    . /etc/os-release
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    printf 'deb-src [signed-by=%s] http://deb.debian.org/debian %s main\n' "$keyring" "$VERSION_CODENAME" \
        >"$apt_dir/sources.list"
    printf 'deb-src [signed-by=%s] http://deb.debian.org/debian-security %s-security main\n' "$keyring" \
        "$VERSION_CODENAME" >>"$apt_dir/sources.list"
    apt_options=(-o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent
                 -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache")
    apt-get "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 \
        || { cat "$apt_dir/update.log"; fail "the Debian source list could not be read"; }
    (cd "$apt_dir/source" && apt-get "${apt_options[@]}" source --download-only libsndfile >/dev/null) \
        || fail "the libsndfile sources could not be fetched"
    (cd "$apt_dir/source" && dpkg-source -x ./libsndfile_*.dsc sndfile >/dev/null) \
        || fail "the libsndfile sources could not be unpacked"
    cmake_dependency libsndfile "$apt_dir/source/sndfile" -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF \
        -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF \
        -DINSTALL_PKGCONFIG_MODULE=ON
fi

# xxHash is used as a header alone; the header is the same for every platform.
cp /usr/include/xxhash.h "$DEPS/include/xxhash.h"

# Tests are listed when they run (PRE_TEST), so that the build itself never starts Wine.
configure_and_build "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DORVANTA_MINGW_DEPS="$DEPS" \
    -DORVANTA_CORE_ONLY=ON -DORVANTA_BUILD_BENCH=OFF -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST

step "Preparing a Wine prefix"
export WINEPREFIX
WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/orvanta-wine-XXXXXX")"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
WINE="$(command -v wine || true)"
[ -n "$WINE" ] || fail "wine is not installed"
finish() {
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
}
trap finish EXIT
"$WINE" wineboot --init >/dev/null 2>&1 || fail "wineboot could not set up $WINEPREFIX"

# Each executable runs once, directly (one Wine start each); its XML report gives the counts.
step "Running the core and command-line tests under Wine"
total_passed=0 total_failed=0 total_skipped=0 failed_sets=()
for t in "${TESTS[@]}"; do
    exe="$(find "$BUILD/tests" -name "$t.exe" -print -quit)"
    [ -n "$exe" ] || fail "$t.exe was not built"
    report="$BUILD/$t.xml"
    rm -f "$report"
    status=0
    (cd "$(dirname "$exe")" && "$WINE" "$exe" --gtest_output="xml:$(basename "$report")" --gtest_brief=1) || status=$?
    [ -f "$(dirname "$exe")/$(basename "$report")" ] && mv "$(dirname "$exe")/$(basename "$report")" "$report"
    if [ ! -f "$report" ]; then
        printf '%s: no report (exit status %s)\n' "$t" "$status"
        failed_sets+=("$t")
        continue
    fi
    read -r tests failures errors skipped < <(python3 - "$report" <<'EOF'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
print(root.get("tests"), root.get("failures"), root.get("errors"), root.get("skipped", "0"))
EOF
)
    failed=$((failures + errors))
    skipped_here=$(grep -c '<skipped' "$report" || true)
    [ "$skipped" -ge "$skipped_here" ] || skipped=$skipped_here
    passed=$((tests - failed - skipped))
    printf '%-18s %4d passed, %d failed, %d skipped\n' "$t" "$passed" "$failed" "$skipped"
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
    total_skipped=$((total_skipped + skipped))
    if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then
        failed_sets+=("$t")
    fi
done
printf 'Windows (Wine): %d passed, %d failed, %d skipped\n' "$total_passed" "$total_failed" "$total_skipped"
[ "${#failed_sets[@]}" -eq 0 ] || fail "tests failed under Wine: ${failed_sets[*]} (see above)"
step "The Windows build passed its tests under Wine"
