#!/usr/bin/env bash
# The real pomfy.exe under Wine on the test desktop (1024x768): it opens
# centred without a taskbar button, falls onto the ground line of Wine's
# taskbar (top edge 767, so the window stands at y = 735), walks along it,
# and Escape typed into its window ends it with status 0.
#
#   e2e_pomfy.sh CHECKER PROGRAM-COMMAND...
XCHECK=$1
shift
source "$(dirname "$0")/pet-watch.sh"

pet_start "$@"
pet_find || { fail "no window titled Pomfy"; exit 1; }
[ "$w $h" = "35 35" ] && pass "35 x 35" || fail "size $w x $h"
[ "$x $y" = "494 366" ] && pass "opens centred" || fail "opens at $x,$y"

# The entrance: down onto the ground line.
ground=$PET_GROUND
pet_wait_ground "$ground" 20000 && pass "landed at y = $ground" ||
    fail "never stood at y = $ground (last $x,$y)"
"$XCHECK" state "$id" | grep -q _NET_WM_STATE_SKIP_TASKBAR && pass "no taskbar button" ||
    fail "still on the taskbar"

# A walk: small steps along the ground line. Other acts may come first.
deadline=$(($(now) + 120000))
walked=0 steps=0 last_x=
while [ "$(now)" -lt "$deadline" ] && [ "$walked" = 0 ]; do
    found=$("$XCHECK" find Pomfy 1000) && read -r id x y w h <<<"$found"
    if [ "$y" = "$ground" ] && [ -n "$last_x" ] && [ "$x" != "$last_x" ] &&
        [ $((x > last_x ? x - last_x : last_x - x)) -le 12 ]; then
        steps=$((steps + 1))
        [ "$steps" -ge 3 ] && walked=1
    elif [ "$y" != "$ground" ]; then
        steps=0
    fi
    [ "$y" = "$ground" ] && last_x=$x || last_x=
    sleep 0.1
done
[ "$walked" = 1 ] && pass "walks along y = $ground" || fail "no walk seen"

pet_escape

checks_done
