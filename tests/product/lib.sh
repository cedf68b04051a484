# Helpers for the product tests: the real pet binary, run on a desktop of
# its own (tests/e2e/desktop.sh) and watched from outside with pomfy-xprobe.
# Source it after setting PET (the pet binary) and PROBE (pomfy-xprobe).

set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../e2e/wait-ended.sh"
scratch=$(mktemp -d)
own_pids=()

stop_own() {
    for p in "${own_pids[@]}"; do kill "$p" 2>/dev/null; done
    for p in "${own_pids[@]}"; do wait "$p" 2>/dev/null; done
    rm -rf "$scratch"
}
trap stop_own EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$scratch"/*.log; do
        [ -s "$f" ] && { echo "--- $(basename "$f")" >&2; tail -n 20 "$f" >&2; }
    done
    exit 1
}

step() { echo "== $*"; }

# Starts the pet in the background; its pid is in $pet_pid, its standard
# error in $scratch/pet.log.
start_pet() {
    "$@" >"$scratch/pet-out.log" 2>"$scratch/pet.log" &
    pet_pid=$!
    own_pids+=("$pet_pid")
}

# Waits up to $1 seconds for the pet to end; sets $pet_status (or fails).
wait_pet() {
    local limit=$1 status
    if wait_ended "$pet_pid" $((limit * 10)); then
        pet_status=$status
        return 0
    fi
    fail "the pet was still running after $limit s"
}

alive() { kill -0 "$pet_pid" 2>/dev/null || fail "the pet ended early${1:+ ($1)}"; }

# Types Escape until the pet ends (every key that is not Escape is read and
# discarded one at a time, so a full key buffer of Escapes makes sure the
# next read sees one); expects status 0.
escape_and_expect_zero() {
    alive "before Escape"
    "$PROBE" keys 16 --key Escape --focus >/dev/null || fail "could not type Escape"
    wait_pet "${1:-30}"
    [ "$pet_status" -eq 0 ] || fail "the pet ended with status $pet_status after Escape, not 0"
}

# Types a key now and then in the background: a typed key cuts the pet's
# long pauses short, so that it gets round to moving sooner.
hurry_pet() {
    "$PROBE" keys 100000 --key space --focus --interval "${1:-200}" >/dev/null 2>&1 &
    hurry_pid=$!
    own_pids+=("$hurry_pid")
}
stop_hurry() { kill "$hurry_pid" 2>/dev/null; wait "$hurry_pid" 2>/dev/null; }

# The pid of a program of this name that runs on our display (other desktops
# on the same machine have their own).
pid_on_display() {
    local name=$1 p
    for p in $(pgrep -x "$name"); do
        if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY"; then
            echo "$p"
            return 0
        fi
    done
    return 1
}

# The y at which the pet stands on a panel along the bottom: 32 px above the
# panel's top, which is where the work area ends.
ground_y_bottom_panel() {
    local h
    h=$(xprop -root _NET_WORKAREA | sed -n 's/.*= *[0-9-]*, *\([0-9-]*\), *[0-9-]*, *\([0-9-]*\).*/\1 \2/p')
    set -- $h
    echo $(($1 + $2 - 32))
}
