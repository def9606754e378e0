# Shared by the README's commands: stop at the first failing step with a clear message,
# install what is missing on Debian 12, configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

step() { printf '\n==> %s\n' "$*"; }
fail() { printf '\nFAILED: %s\n' "$*" >&2; exit 1; }
trap 'fail "the step above stopped with status $? (line $LINENO of $(basename "${BASH_SOURCE[0]}"))"' ERR

# Timed stages: `stage NAME COMMAND...` runs one stage and says how long it took; when the script
# ends, passed or failed, a table lists every stage's time (the last one as "failed" if it did).
STAGE_NAMES=()
STAGE_TIMES=()
STAGE_START=0
stage_summary() {
    local status=$? i total=0
    [ "${#STAGE_NAMES[@]}" -eq 0 ] && return "$status"
    if [ "$status" -ne 0 ] && [[ "${STAGE_NAMES[-1]}" == *" (failed)" ]]; then
        STAGE_TIMES[-1]=$((SECONDS - STAGE_START))
        printf '\nFAILED: stage "%s" stopped with status %d\n' "${STAGE_NAMES[-1]% (failed)}" "$status" >&2
    fi
    printf '\n%-64s %9s\n' "Stage" "Time"
    for i in "${!STAGE_NAMES[@]}"; do
        printf '%-64s %6dm%02ds\n' "${STAGE_NAMES[$i]}" $((STAGE_TIMES[i] / 60)) $((STAGE_TIMES[i] % 60))
        total=$((total + STAGE_TIMES[i]))
    done
    printf '%-64s %6dm%02ds\n' "Total" $((total / 60)) $((total % 60))
    return "$status"
}
stage() {
    local name="$1" took
    shift
    trap stage_summary EXIT
    step "$name"
    STAGE_NAMES+=("$name (failed)")
    STAGE_TIMES+=(0)
    STAGE_START=$SECONDS
    "$@"
    took=$((SECONDS - STAGE_START))
    STAGE_NAMES[-1]="$name"
    STAGE_TIMES[-1]=$took
    printf '==> %s: %dm%02ds\n' "$name" $((took / 60)) $((took % 60))
}

# Packages the build, the program and the tests need.
PACKAGES=(cmake g++ make git googletest libgtest-dev libgmock-dev
          qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev libxkbcommon-dev libxxhash-dev
          xvfb xauth xdotool x11-utils python3 clang-format
          pkg-config libsndfile1-dev libsqlite3-dev qt6-multimedia-dev pulseaudio
          help2man librsvg2-bin dpkg-dev desktop-file-utils appstream file clang libclang-rt-14-dev
          strace)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"
    elif command -v sudo >/dev/null 2>&1; then sudo "$@"
    else fail "installing packages needs root: run this command as root or install sudo"; fi
}

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        step "All required packages are installed"
        return
    fi
    command -v apt-get >/dev/null 2>&1 || fail "apt-get not found; install these packages by hand: ${missing[*]}"
    step "Installing: ${missing[*]}"
    as_root apt-get update || fail "apt-get update failed"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" \
        || fail "apt-get install failed for: ${missing[*]}"
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
    local dir="$1"; shift
    step "Configuring $dir"
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" || fail "cmake could not configure $dir"
    step "Building $dir"
    cmake --build "$dir" -j "$JOBS" || fail "the build in $dir failed"
}
