#!/usr/bin/env bash
# The Windows .zip made from this build tree, as a Windows user gets it:
# unpacked, and pomfy.exe started from the unpacked folder under Wine (on
# the test desktop). It opens, falls onto the ground line, and Escape typed
# into its window ends it with status 0.
#   zip-run.sh BUILD_DIR CHECKER WINE-RUN...   (on a test desktop)
BUILD=$1 XCHECK=$2
shift 2
source "$(dirname "$0")/../win32/pet-watch.sh"
scratch=$(mktemp -d)
pet_exit_hook() { rm -rf "$scratch"; }

cpack --config "$BUILD/CPackConfig.cmake" -G ZIP -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; echo "FAIL: cpack failed"; exit 1; }
zips=("$scratch"/*.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] ||
    { echo "FAIL: expected one .zip, found: ${zips[*]}"; exit 1; }
mkdir "$scratch/unpacked"
(cd "$scratch/unpacked" && cmake -E tar xf "${zips[0]}") ||
    { echo "FAIL: could not unpack $(basename "${zips[0]}")"; exit 1; }
exe=$(find "$scratch/unpacked" -name pomfy.exe)
[ -n "$exe" ] || { echo "FAIL: no pomfy.exe in the .zip"; exit 1; }
folder=$(dirname "$exe")
pass "unpacked $(basename "${zips[0]}") into $(basename "$folder")/"

# Started from its folder, as a double-click does.
cd "$folder"
pet_start "$@" ./pomfy.exe
pet_find || { fail "no window titled Pomfy"; exit 1; }
[ "$w $h" = "35 35" ] && pass "a 35 x 35 window" || fail "size $w x $h"
pet_wait_ground "$PET_GROUND" 20000 && pass "stands on the ground line (y = $PET_GROUND)" ||
    fail "never stood at y = $PET_GROUND (last $x,$y)"
pet_escape
[ -z "$(ls -A "$folder" | grep -vx -e pomfy.exe -e README.txt -e LICENSE.txt)" ] &&
    pass "wrote no files beside itself" || fail "files appeared beside it: $(ls -A "$folder")"

checks_done
