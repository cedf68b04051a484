#!/usr/bin/env bash
# The .deb made from this build tree: the right package with the right
# files, installed into a scratch root with dpkg, the installed binary
# started on the test desktop (its window appears and Escape ends it), then
# removed again, leaving nothing behind.
#   deb-install.sh BUILD_DIR PROBE   (on a test desktop)
BUILD=$1 PROBE=$2
source "$(dirname "$0")/lib.sh"

step "cpack"
cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
    fail "cpack failed"
debs=("$scratch"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}

dpkg-deb -f "$deb" Package | grep -qx pomfy || fail "the package is not called pomfy"
dpkg-deb -f "$deb" Depends | grep -q libx11-6 || fail "the package does not depend on libx11-6"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$scratch/files.log"
entry=/usr/share/applications/example.pomfy.Pomfy.desktop
for f in /usr/bin/pomfy $entry /usr/share/metainfo/example.pomfy.Pomfy.metainfo.xml \
    /usr/share/man/man1/pomfy.1.gz /usr/share/doc/pomfy/copyright; do
    grep -qx "$f" "$scratch/files.log" || fail "the package lacks $f"
done
if ls "$here"/../../data/icons/pomfy-*.png >/dev/null 2>&1; then
    grep -q '^/usr/share/icons/hicolor/[0-9]*x[0-9]*/apps/pomfy.png$' "$scratch/files.log" ||
        fail "the package has no icon"
fi
if grep -v '^/usr/\(bin/pomfy\|share/\(applications\|metainfo\|icons\|man/man1/pomfy\.1\.gz\|doc/pomfy\)\)' "$scratch/files.log" |
    grep -v '/$' | grep -q .; then
    fail "the package holds files that are not the pet's"
fi

step "dpkg -i into a scratch root"
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$root/var/log"
touch "$root/var/lib/dpkg/status"
# The scratch root knows none of the system's packages, so the dependencies
# (libx11-6 ...) are taken on trust; the libraries come from the system.
dpkg --root="$root" --force-depends --force-not-root --force-script-chrootless \
    --log=/dev/null -i "$deb" >"$scratch/dpkg.log" 2>&1 || fail "dpkg -i failed"
dpkg --root="$root" -s pomfy 2>/dev/null | grep -q '^Status: install ok installed' ||
    fail "dpkg does not list pomfy as installed"
[ -x "$root/usr/bin/pomfy" ] || fail "no /usr/bin/pomfy after installing"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root$entry" ||
        fail "the .desktop entry is not valid"
fi
grep -qx 'Exec=pomfy' "$root$entry" || fail "the entry does not start pomfy"

step "the installed pet starts"
PET=$root/usr/bin/pomfy
start_pet "$PET"
where=$("$PROBE" find --timeout 10) || fail "the installed pet shows no window"
set -- $where
[ "$4 $5" = "35 35" ] || fail "the window is $4 x $5, not 35 x 35"
escape_and_expect_zero 30

step "dpkg -r"
dpkg --root="$root" --force-not-root --force-script-chrootless --log=/dev/null -r pomfy \
    >>"$scratch/dpkg.log" 2>&1 || fail "dpkg -r failed"
left=$(find "$root/usr" -type f 2>/dev/null | head)
[ -z "$left" ] || fail "files left after removal: $left"
echo "ok: $(basename "$deb") installs, starts, ends on Escape and removes cleanly"
