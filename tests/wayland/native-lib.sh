# Helpers of the scripts that run the native pet on a desktop of nested.sh:
# the pet copied where the compositor's user may run it ($scratch/pomfy),
# the folder $shots emptied for the screenshots looked at, and commands run
# as the compositor's clients or on the Xvfb. Source it after setting PET
# (the pet binary) and shots.
source "$(dirname "${BASH_SOURCE[0]}")/../product/lib.sh"
sprite=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/sprite.py
chmod 755 "$scratch"
cp "$PET" "$scratch/pomfy"
mkdir -p "$shots"
rm -f "$shots"/*.png

# Clients of the compositor run as its user, on its session bus if any.
inner() {
    local bus=()
    [ -n "${SESSION_BUS:-}" ] && bus=(DBUS_SESSION_BUS_ADDRESS="$SESSION_BUS")
    if [ -n "$INNER_USER" ]; then
        runuser -u "$INNER_USER" -- env DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
            WAYLAND_DISPLAY="$WAYLAND_DISPLAY" "${bus[@]}" "$@"
    else
        env "${bus[@]}" "$@"
    fi
}
outer() { DISPLAY=$OUTER_DISPLAY "$@"; }

# Waits up to $2 s (10) for the pet to end with status 1 and one line that
# matches $1.
ends_with_line() {
    wait_pet "${2:-10}"
    [ "$pet_status" -eq 1 ] || fail "the pet ended with status $pet_status, not 1"
    [ "$(wc -l <"$scratch/pet.log")" -eq 1 ] && grep -q "^pomfy: .*$1" "$scratch/pet.log" ||
        fail "the pet did not say in one line why it ended: $(cat "$scratch/pet.log")"
    echo "ended with status 1: $(cat "$scratch/pet.log")"
}
