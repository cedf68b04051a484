#!/usr/bin/env bash
# The real pomfy.exe under Wine on the test desktop (1024x768): it opens
# centred without a taskbar button, falls onto the ground line of Wine's
# taskbar (top edge 767, so the window stands at y = 735), walks along it,
# and Escape typed into its window ends it with status 0.
#
#   e2e_pomfy.sh CHECKER PROGRAM-COMMAND...
set -u
xcheck=$1
shift
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
now() { date +%s%N | cut -c1-13; }  # milliseconds

"$@" &
pet=$!
trap 'kill $pet 2>/dev/null' EXIT

found=$("$xcheck" find Pomfy 20000) || { fail "no window titled Pomfy"; exit 1; }
read -r id x y w h <<<"$found"
[ "$w $h" = "35 35" ] && pass "35 x 35" || fail "size $w x $h"
[ "$x $y" = "494 366" ] && pass "opens centred" || fail "opens at $x,$y"

# The entrance: down onto the ground line.
ground=735
deadline=$(($(now) + 20000))
landed=0
while [ "$(now)" -lt "$deadline" ]; do
    found=$("$xcheck" find Pomfy 1000) && read -r id x y w h <<<"$found"
    [ "$y" = "$ground" ] && { landed=1; break; }
    sleep 0.1
done
[ "$landed" = 1 ] && pass "landed at y = $ground" || fail "never stood at y = $ground (last $x,$y)"
"$xcheck" state "$id" | grep -q _NET_WM_STATE_SKIP_TASKBAR && pass "no taskbar button" ||
    fail "still on the taskbar"

# A walk: small steps along the ground line. Other acts may come first.
deadline=$(($(now) + 120000))
walked=0 steps=0 last_x=
while [ "$(now)" -lt "$deadline" ] && [ "$walked" = 0 ]; do
    found=$("$xcheck" find Pomfy 1000) && read -r id x y w h <<<"$found"
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

# Escape, typed into the pet's window, ends the program at the end of the
# current step or act. The window is activated first: openbox gives the
# keyboard to a window without a taskbar entry only when the user asks
# (e2e_keyboard.sh types Escape with no activation, under marco).
ended=0
for _ in 1 2 3; do
    xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus "$id" 2>/dev/null
    sleep 0.2
    xdotool key Escape
    for _ in $(seq 150); do
        kill -0 "$pet" 2>/dev/null || { ended=1; break; }
        sleep 0.1
    done
    [ "$ended" = 1 ] && break
done
if [ "$ended" = 1 ]; then
    wait "$pet"
    status=$?
    [ "$status" = 0 ] && pass "Escape ends it with status 0" || fail "ended with status $status"
else
    fail "still running after Escape"
fi
trap - EXIT

echo "$failures failures"
[ "$failures" = 0 ]
