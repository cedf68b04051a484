#!/usr/bin/env bash
# sway with two outputs side by side (run by nested.sh with OUTPUTS=2): the
# pet lives on the first; when that one is unplugged it walks on along the
# bar of the one left, and when that one goes too it ends with status 1 and
# one line.
#   OUTPUTS=2 nested.sh sway output-gone.sh PET PROBE SHOTS
set -u
PET=$1 PROBE=$2 shots=$3
source "$(dirname "$0")/native-lib.sh"
windows=($OUTPUT_WINDOWS)

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

start_pet inner "$scratch/pomfy"

step "on the first output"
walks_on 1 90 first || fail "the pet did not walk along the first output's bar"

step "the first output unplugged"
outer "$PROBE" close --window "${windows[0]}" >/dev/null || fail "could not unplug the first output"
walks_on 2 90 second || fail "the pet did not walk on along the second output's bar"
alive "after the first output went"
[ -s "$scratch/pet.log" ] && fail "the pet complained: $(cat "$scratch/pet.log")"

step "the last output unplugged"
outer "$PROBE" close --window "${windows[1]}" >/dev/null || fail "could not unplug the second output"
ends_with_line 'took the screen away' 20
echo "ok: the pet follows the output that is left"
