#!/usr/bin/env bash
# The native pet on sway at output scale 1.5 (run by nested.sh with
# NESTED_SCALE=1.5): the desktop is the output's logical 682 x 512, so the
# pet falls from the middle of the screen onto swaybar, 1.5 times as large as
# at 100 %, walks to the output's right edge and turns there, and Escape
# after a click on its body ends it.
#   NESTED_SCALE=1.5 nested.sh sway pet-scaled.sh PET SHOTS POMFY-TRACE
set -u
source "$(dirname "$0")/../product/lib.sh"
sprite=$(cd "$(dirname "$0")" && pwd)/sprite.py
chmod 755 "$scratch"
cp "$1" "$scratch/pomfy"
shots=$2 trace=$3
mkdir -p "$shots"
rm -f "$shots"/*.png
clock=()
inner() {
    if [ -n "$INNER_USER" ]; then
        "${clock[@]}" runuser -u "$INNER_USER" -- env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
            WAYLAND_DISPLAY="$WAYLAND_DISPLAY" "$@"
    else
        "${clock[@]}" "$@"
    fi
}
outer() { DISPLAY=$OUTER_DISPLAY "$@"; }
shot() { outer import -window root "$shots/$1.png" && convert "$shots/$1.png" ppm:-; }
where() { shot "$1" | python3 "$sprite"; }

# The pet seeds its random numbers with the whole seconds of its monotonic
# clock at start. So that it walks to the right edge soon, it starts with
# its clock (in a time namespace of its own) at the first of four seconds
# whose seeds all take it there within 40 s, as pomfy-trace shows on this
# desktop: 682 x 512, the bar's top where sway's workspace ends.
turns_at_right_edge() {  # seed
    "$trace" --session 40000 --desktop 682x512 --taskbar-top "$bar_top" --seed "$1" |
        awk 'match($0, /"x":-?[0-9]+/) { x = substr($0, RSTART + 4, RLENGTH - 4) + 0 }
             /"name":"HappyJump"/ && x >= 682 - 32 { found = 1; exit }
             END { exit !found }'
}
bar_top=$(swaymsg -t get_workspaces | python3 -c 'import json, sys; print(json.load(sys.stdin)[0]["rect"]["height"])')
seed= run=0
for s in $(seq 1000000 1005000); do
    if turns_at_right_edge "$s"; then run=$((run + 1)); else run=0; fi
    [ "$run" = 4 ] && { seed=$((s - 3)); break; }
done
[ -n "$seed" ] || fail "pomfy-trace finds no four seeds in a row that take the pet to the right edge"
now=$(python3 -c 'import time; print(int(time.monotonic()))')
clock=(unshare --time --monotonic $((seed - now)))
if ! "${clock[@]}" true 2>/dev/null; then
    clock=(unshare --map-root-user --time --monotonic $((seed - now)))
    "${clock[@]}" true 2>/dev/null || clock=()
fi
if [ ${#clock[@]} = 0 ]; then
    # A machine without time namespaces: the pet's own seed decides, and
    # the walk to the edge is not waited for.
    echo "SKIP the right edge: this machine gives no process a clock of its own (unshare --time)"
else
    echo "seeds $seed to $((seed + 3)), the bar's top at $bar_top"
fi

step "sway at 1.5: the pet falls from the middle onto swaybar"
start_pet inner "$scratch/pomfy"
landed=
for _ in $(seq 30); do
    read -r x y w h bar < <(where landing)
    if [ -n "${x:-}" ] && [ "$bar" -lt 768 ] && [ $((y + h)) -eq "$bar" ]; then landed=yes; break; fi
    sleep 1
done
[ -n "$landed" ] || fail "the sprite did not land on swaybar (last: ${x:-none} ${y:-} ${w:-} ${h:-}, bar ${bar:-})"
# Before it walks off, it stands where it fell: in the middle of the output.
middle=$((x + w / 2))
[ "$middle" -gt 462 ] && [ "$middle" -lt 562 ] ||
    echo "note: the sprite stands at x = $middle, it may have walked already"
# At 100 % the standing sprite is at most 35 pixels tall; at 1.5 more.
[ "$h" -gt 36 ] || fail "the sprite is $w x $h pixels: not scaled"
echo "on swaybar at 1.5: sprite at $x,$y ${w}x$h, bar top $bar"

if [ ${#clock[@]} -gt 0 ]; then
    step "to the output's right edge, and back"
    # The sprite's right side near the output's (1024), on the bar or hopping
    # there, then the sprite well to the left of where it was.
    edge= rightmost=0 turned=
    deadline=$((SECONDS + 150))
    while [ "$SECONDS" -lt "$deadline" ]; do
        read -r x y w h bar < <(outer import -window root -crop 1024x240+0+528 +repage -depth 8 ppm:- |
            python3 "$sprite")
        [ -n "${x:-}" ] || continue
        [ $((x + w)) -gt "$rightmost" ] && rightmost=$((x + w))
        if [ -z "$edge" ]; then
            if [ $((x + w)) -ge 1000 ] && [ $((y + h)) -ge $((bar - 20)) ]; then
                edge=$x
                echo "at the right edge: sprite from x = $x to $((x + w))"
                shot edge >/dev/null
            fi
        elif [ "$x" -le $((edge - 30)) ]; then
            turned=yes
            echo "turned: sprite at x = $x"
            break
        fi
    done
    [ -n "$edge" ] || fail "the sprite never reached the output's right edge (rightmost seen: $rightmost of 1024)"
    [ -n "$turned" ] || fail "the sprite stayed at the right edge"
fi

step "Escape after a click on its body"
for _ in $(seq 20); do
    read -r bx by < <(shot body | python3 "$sprite" --body)
    [ -n "${bx:-}" ] && outer xdotool mousemove "$bx" "$by" click 1
    outer xdotool key --delay 60 $(printf 'Escape %.0s' $(seq 16))
    wait_ended "$pet_pid" 30 && break
done
kill -0 "$pet_pid" 2>/dev/null && fail "the pet did not end on Escape"
[ "$status" -eq 0 ] || fail "the pet ended with status $status, not 0"
echo "ok: native on sway at 1.5"
