#!/usr/bin/env bash
# What pomfy.exe leaves alone in the Wine session it shares with other
# programs (one wineserver, as one Windows session): another program's window
# titled "Pomfy" keeps its style and visibility while a pet starts beside it,
# and the session's screen-saver setting is the same while a pet runs, after
# one is killed with SIGKILL, and after two overlapping pets end with Escape.
#
#   e2e_session.sh CHECKER PROBE.exe POMFY.exe WINE-RUN...    (on a test desktop)
XCHECK=$1 probe=$2 program=$3
winerun=("${@:4}")
source "$(dirname "$0")/pet-watch.sh"

export POMFY_WINE_SESSION
POMFY_WINE_SESSION=$(mktemp -u "$(dirname "$program")/wine.session-XXXXXX")
pets=()
pet_exit_hook() {
    for p in "${pets[@]}"; do kill "$p" 2>/dev/null; done
    [ -n "${probe_pid:-}" ] && kill "$probe_pid" 2>/dev/null
    "${winerun[@]}" --end-session "$POMFY_WINE_SESSION"
}

probe_start "${winerun[@]}" "$probe"
[ "$(ask screensaver 1)" = "screensaver 1" ] || { fail "the screen saver cannot be switched on"; exit 1; }
[ "$(ask decoy Pomfy)" = ok ] || { fail "no window titled Pomfy in the probe"; exit 1; }
decoy=$(ask decoy-state)

# Waits until N pets have taken their windows out of the taskbar.
pets_settled() {
    local n=$1 deadline=$(($(now) + 40000))
    while [ "$(now)" -lt "$deadline" ]; do
        [ "$(ask others Pomfy)" = "others $n $n" ] && return 0
        sleep 0.2
    done
    return 1
}
# The Windows process of the pet that wine-run $1 started.
pet_process() { pgrep -P "$1" | head -n1; }

"${winerun[@]}" "$program" &
pets=($!)
pets_settled 1 && pass "the pet took its own window out of the taskbar" ||
    fail "the pet's window never became a tool window ($(ask others Pomfy))"
[ "$(ask decoy-state)" = "$decoy" ] && pass "another program's Pomfy window untouched" ||
    fail "another program's Pomfy window changed: $decoy, now $(ask decoy-state)"
[ "$(ask screensaver)" = "screensaver 1" ] && pass "screen saver setting unchanged while the pet runs" ||
    fail "screen saver switched off while the pet runs"

kill -9 "$(pet_process "${pets[0]}")"
wait "${pets[0]}"
[ "$(ask screensaver)" = "screensaver 1" ] && pass "screen saver setting unchanged after SIGKILL" ||
    fail "screen saver left off after SIGKILL"

# Two pets, the second started while the first runs, both ended with Escape.
"${winerun[@]}" "$program" &
pets=($!)
pets_settled 1 || fail "the first of two pets never settled"
"${winerun[@]}" "$program" &
pets+=($!)
pets_settled 2 || fail "the second of two pets never settled"
deadline=$(($(now) + 90000))
ended=0
while [ "$ended" -lt 2 ] && [ "$(now)" -lt "$deadline" ]; do
    for id in $(xdotool search --name '^Pomfy$' 2>/dev/null); do
        [ "$("$XCHECK" geometry "$id" 2>/dev/null | cut -d' ' -f3-)" = "35 35" ] || continue
        xdotool windowactivate --sync "$id" >/dev/null 2>&1
        xdotool key Escape
    done
    ended=0
    for p in "${pets[@]}"; do kill -0 "$p" 2>/dev/null || ended=$((ended + 1)); done
    sleep 3
done
statuses=
for p in "${pets[@]}"; do
    wait_ended "$p" 10 && statuses+="$status " || statuses+="running "
done
[ "$statuses" = "0 0 " ] && pass "both pets ended with status 0" || fail "the pets ended: $statuses"
pets=()
[ "$(ask screensaver)" = "screensaver 1" ] && pass "screen saver setting unchanged after two pets" ||
    fail "screen saver left off after two overlapping pets"

send quit 0
wait "$probe_pid"
probe_pid=
checks_done
