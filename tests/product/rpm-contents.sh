#!/usr/bin/env bash
# The .rpm made from this build tree, as `rpm -qlp` lists it: the program,
# the desktop entry, the AppStream metadata, the icons, the manual page and
# the licence (marked as such), owning none of the system's folders.
#   rpm-contents.sh BUILD_DIR
BUILD=$1
set -u
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$BUILD/CPackConfig.cmake" -G RPM -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack failed"; }
rpms=("$scratch"/pkg/*.rpm)
[ ${#rpms[@]} -eq 1 ] && [ -f "${rpms[0]}" ] || fail "expected one .rpm, found: ${rpms[*]}"
rpm=${rpms[0]}
[ "$(rpm -qp --qf '%{NAME}' "$rpm")" = pomfy ] || fail "the package is not called pomfy"
rpm -qp --qf '%{LICENSE}' "$rpm" | grep -qx MIT || fail "the package's licence is not MIT"

rpm -qlp "$rpm" >"$scratch/files" || fail "rpm -qlp failed"
cat "$scratch/files"
has() { grep -qx "$1" "$scratch/files" || fail "the package lacks $2 ($1)"; }
has /usr/bin/pomfy "the program"
has '/usr/share/applications/[A-Za-z0-9.]*\.desktop' "a desktop entry"
has '/usr/share/metainfo/[A-Za-z0-9.]*\.metainfo\.xml' "AppStream metadata"
has '/usr/share/icons/hicolor/[0-9]*x[0-9]*/apps/pomfy\.png' "an icon"
has /usr/share/man/man1/pomfy.1.gz "the manual page"
has /usr/share/licenses/pomfy/LICENSE "the licence"
rpm -qp --licensefiles "$rpm" | grep -qx /usr/share/licenses/pomfy/LICENSE ||
    fail "the licence is not marked as a licence file"
# Only its own files and folders: no folder that the system owns.
grep -v -e '^/usr/bin/pomfy$' -e '^/usr/share/applications/[^/]*$' -e '^/usr/share/metainfo/[^/]*$' \
    -e '^/usr/share/icons/hicolor/[0-9]*x[0-9]*/apps/pomfy\.png$' -e '^/usr/share/man/man1/pomfy\.1\.gz$' \
    -e '^/usr/share/licenses/pomfy\(/LICENSE\)\?$' -e '^/usr/share/doc/pomfy\(/.*\)\?$' \
    "$scratch/files" >"$scratch/other"
[ -s "$scratch/other" ] && fail "the package holds what is not the pet's: $(cat "$scratch/other")"
rpm -qp --requires "$rpm" | grep -q '^libX11\.so\.6' || fail "the package does not require libX11.so.6"
echo "ok: $(basename "$rpm") holds the program, its desktop entry, metadata, icons, manual page and licence"
