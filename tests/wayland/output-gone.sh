#!/usr/bin/env bash
# sway with two outputs side by side (run by nested.sh with OUTPUTS=2): the
# pet lives on the first; when that one is unplugged it walks on along the
# bar of the one left, and when that one goes too it ends with status 1 and
# one line.
#   OUTPUTS=2 nested.sh sway output-gone.sh PET PROBE SHOTS
set -u
source "$(dirname "$0")/../product/lib.sh"
sprite=$(cd "$(dirname "$0")" && pwd)/sprite.py
chmod 755 "$scratch"
cp "$1" "$scratch/pomfy"
PROBE=$2 shots=$3
windows=($OUTPUT_WINDOWS)
mkdir -p "$shots"
rm -f "$shots"/*.png

outer() { DISPLAY=$OUTER_DISPLAY "$@"; }
# "X Y W H BAR" of the sprite on output $2 (1 left, 2 right) in a new
# screenshot named $1, in that output's coordinates.
where() {
    outer import -window root "$shots/$1.png" &&
        convert "$shots/$1.png" -crop "1024x768+$((($2 - 1) * 1024))+0" +repage ppm:- |
        python3 "$sprite"
}
# Waits up to $2 s for the sprite to stand on the bar of output $1, then
# for it to stand there somewhere else; names its screenshots $3-*.
walks_on() {
    local first= give_up=$((SECONDS + $2)) x y w h bar
    while [ "$SECONDS" -lt "$give_up" ]; do
        read -r x y w h bar < <(where "$3" "$1")
        if [ -n "${x:-}" ] && [ "$bar" -lt 768 ] && [ $((y + h)) -eq "$bar" ]; then
            [ -z "$first" ] && first=$x
            [ $((x - first)) -ge 6 ] || [ $((first - x)) -ge 6 ] && { echo "on output $1: from x = $first to $x, bar top $bar"; return 0; }
        fi
        sleep 0.5
    done
    return 1
}

start_pet runuser -u "$INNER_USER" -- env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    WAYLAND_DISPLAY="$WAYLAND_DISPLAY" "$scratch/pomfy"

step "on the first output"
walks_on 1 90 first || fail "the pet did not walk along the first output's bar"

step "the first output unplugged"
outer "$PROBE" close --window "${windows[0]}" >/dev/null || fail "could not unplug the first output"
walks_on 2 90 second || fail "the pet did not walk on along the second output's bar"
alive "after the first output went"
[ -s "$scratch/pet.log" ] && fail "the pet complained: $(cat "$scratch/pet.log")"

step "the last output unplugged"
outer "$PROBE" close --window "${windows[1]}" >/dev/null || fail "could not unplug the second output"
wait_pet 20
[ "$pet_status" -eq 1 ] || fail "the pet ended with status $pet_status, not 1"
[ "$(wc -l <"$scratch/pet.log")" -eq 1 ] && grep -q '^pomfy: .*took the screen away' "$scratch/pet.log" ||
    fail "the pet did not say in one line why it ended: $(cat "$scratch/pet.log")"
echo "ended with status 1: $(cat "$scratch/pet.log")"
echo "ok: the pet follows the output that is left"
