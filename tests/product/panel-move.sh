#!/usr/bin/env bash
# The panel moves from the bottom of the screen to the top and back while the
# pet runs: with the panel on top the pet stands at y = 3, with it back at
# the bottom on the panel again.
#   panel-move.sh PET PROBE   (on a test desktop with the panel at the bottom)
PET=$1 PROBE=$2
source "$(dirname "$0")/lib.sh"

ground=$(ground_y_bottom_panel)
start_pet "$PET"
"$PROBE" find --timeout 10 >/dev/null || fail "no pet window"
hurry_pet 150
"$PROBE" wait-y "$ground" --timeout 20 >/dev/null || fail "the pet did not land on the panel (y = $ground)"

step "panel to the top"
old=$(pid_on_display tint2) || fail "no panel on this desktop"
kill "$old"
tint2 -c "$here/tint2-top.rc" >"$scratch/tint2-top.log" 2>&1 &
top=$!
own_pids+=("$top")
for _ in $(seq 100); do
    xprop -root _NET_WORKAREA | grep -q '= 0, 30,' && break
    sleep 0.1
done
xprop -root _NET_WORKAREA | grep -q '= 0, 30,' || fail "the panel did not move to the top"
"$PROBE" wait-y 3 --timeout 40 >/dev/null || fail "the pet did not go to y = 3 with the panel on top"
alive "with the panel on top"

step "panel back to the bottom"
kill "$top"
wait "$top" 2>/dev/null
tint2 -c "$here/../e2e/tint2rc" >"$scratch/tint2.log" 2>&1 &
own_pids+=($!)
for _ in $(seq 100); do
    [ "$(ground_y_bottom_panel)" = "$ground" ] && break
    sleep 0.1
done
"$PROBE" wait-y "$ground" --timeout 40 >/dev/null || fail "the pet did not go back onto the panel (y = $ground)"
stop_hurry
escape_and_expect_zero 30
echo "ok: the pet followed the panel to the top (y = 3) and back (y = $ground)"
