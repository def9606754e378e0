#!/usr/bin/env bash
# check-package.sh BUILD_DIR: builds the Debian package from a build folder with CPack, installs it
# with apt, runs the installed orvanta-cli, checks that the desktop entry, icons, metainfo, manual
# and man page are in place and valid, and removes the package again (also when a check fails).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD="${1:?usage: check-package.sh BUILD_DIR}"
PACKAGE=orvanta-librarian
APP_ID=com.veltrane.OrvantaLibrarian

step "Building the Debian package in $BUILD"
rm -f "$BUILD"/${PACKAGE}_*.deb
(cd "$BUILD" && cpack -G DEB) || fail "cpack could not build the package"
debs=("$BUILD"/${PACKAGE}_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no ${PACKAGE}_*.deb in $BUILD"
DEB="${debs[0]}"
dpkg-deb --info "$DEB"
dpkg-deb --contents "$DEB"

if dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q "install ok installed"; then
    fail "$PACKAGE is installed already; remove it first (apt-get remove $PACKAGE)"
fi
WORK="$(mktemp -d)"
remove_package() {
    local status=$?
    rm -rf "$WORK"
    if dpkg-query -W -f='${Status}' "$PACKAGE" 2>/dev/null | grep -q "install ok installed"; then
        step "Removing $PACKAGE"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y --purge "$PACKAGE" || status=1
    fi
    exit "$status"
}
trap remove_package EXIT

step "Installing $DEB with apt"
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$DEB" \
    || fail "apt-get could not install $DEB"

step "Checking the installed files"
for file in /usr/bin/orvanta-librarian /usr/bin/orvanta-cli \
            /usr/share/orvanta-librarian/OrvantaLibrarianManual.htm \
            /usr/share/applications/$APP_ID.desktop /usr/share/metainfo/$APP_ID.metainfo.xml \
            /usr/share/icons/hicolor/scalable/apps/$APP_ID.svg /usr/share/man/man1/orvanta-cli.1.gz; do
    [ -s "$file" ] || fail "not installed: $file"
done
for size in 16 22 24 32 48 64 128 256; do
    icon=/usr/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png
    file "$icon" | grep -q "PNG image data, $size x $size" || fail "no ${size}x${size} PNG icon at $icon"
done
missing="$(ldd /usr/bin/orvanta-librarian /usr/bin/orvanta-cli | grep 'not found' || true)"
[ -z "$missing" ] || fail "libraries the package does not pull in: $missing"
desktop-file-validate /usr/share/applications/$APP_ID.desktop || fail "the desktop entry is not valid"
appstreamcli validate --no-net /usr/share/metainfo/$APP_ID.metainfo.xml || fail "the metainfo is not valid"
zcat /usr/share/man/man1/orvanta-cli.1.gz | grep -q '^\.SH DESCRIPTION' || fail "the man page has no description"
zcat /usr/share/man/man1/orvanta-cli.1.gz | grep -q 'demo PATH' || fail "the man page lacks the commands of --help"

step "Running the installed orvanta-cli"
/usr/bin/orvanta-cli --version | grep -q '^orvanta-cli ' || fail "orvanta-cli --version printed no version"
/usr/bin/orvanta-cli --version
(cd "$WORK" && /usr/bin/orvanta-cli demo Demo.prj) || fail "the installed orvanta-cli could not write a demo project"
/usr/bin/orvanta-cli check "$WORK/Demo.prj" || fail "the demo project of the installed orvanta-cli does not check"
/usr/bin/orvanta-cli info "$WORK/Demo.prj" > "$WORK/info.txt" || fail "the installed orvanta-cli cannot show its demo project"
head -n 5 "$WORK/info.txt"

step "Removing $PACKAGE"
as_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y --purge "$PACKAGE" || fail "apt-get could not remove $PACKAGE"
[ ! -e /usr/bin/orvanta-cli ] && [ ! -e /usr/share/applications/$APP_ID.desktop ] \
    || fail "removing $PACKAGE left its files behind"
step "The package installs, works and removes cleanly"
