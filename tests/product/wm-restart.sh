#!/usr/bin/env bash
# The window manager goes away and a new one starts while the pet runs: the
# pet keeps its window (still unmanaged, so still free to go off-screen),
# goes on moving, and Escape ends it with status 0.
#   wm-restart.sh PET PROBE   (on a test desktop)
PET=$1 PROBE=$2
source "$(dirname "$0")/lib.sh"

start_pet "$PET"
"$PROBE" find --timeout 10 >/dev/null || fail "no pet window"
hurry_pet 150
"$PROBE" wait-y "$(ground_y_bottom_panel)" --timeout 20 >/dev/null || fail "the pet did not land"

for round in 1 2; do
    step "openbox restart $round"
    wm=$(pid_on_display openbox) || fail "no window manager on this desktop"
    kill "$wm"
    for _ in $(seq 50); do kill -0 "$wm" 2>/dev/null || break; sleep 0.1; done
    sleep 0.5
    alive "without a window manager"
    openbox --sm-disable >"$scratch/openbox-$round.log" 2>&1 &
    own_pids+=($!)
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break
        sleep 0.1
    done
    sleep 0.5
    alive "after the new window manager started"
    where=$("$PROBE" find --timeout 5) || fail "the window went away"
    case "$where" in *unmanaged) ;; *) fail "the new window manager framed the pet: $where" ;; esac
    "$PROBE" wait-move --timeout 30 >/dev/null || fail "the pet stopped moving after the restart"
done
stop_hurry
escape_and_expect_zero 30
echo "ok: the pet lived through two window manager restarts"
