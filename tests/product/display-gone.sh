#!/usr/bin/env bash
# The X server goes away under the running pet: the pet ends by itself,
# promptly and without crashing.
#   display-gone.sh PET PROBE   (starts its own X server)
PET=$1 PROBE=$2
source "$(dirname "$0")/lib.sh"

for round in 1 2 3; do
    step "round $round"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$scratch/display" \
        >"$scratch/xvfb.log" 2>&1 &
    xvfb=$!
    own_pids+=("$xvfb")
    for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
    [ -s "$scratch/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$scratch/display")"
    : >"$scratch/display"

    start_pet "$PET"
    "$PROBE" find --timeout 10 >/dev/null || fail "no pet window"
    # Round 1 pulls the server away during the entrance, the others later on.
    sleep $(( (round - 1) * 2 )).$((RANDOM % 10))
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null
    wait_pet 5
    if [ "$pet_status" -ge 128 ]; then
        fail "the pet died of signal $((pet_status - 128)) when the display went away"
    fi
    echo "the pet ended with status $pet_status: $(head -n1 "$scratch/pet.log")"
done
echo "ok: the pet ended by itself every time the display went away"
