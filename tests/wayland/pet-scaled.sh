#!/usr/bin/env bash
# The native pet on sway at output scale 1.5 (run by nested.sh with
# NESTED_SCALE=1.5): the desktop is the output's logical 682 x 512, so the
# pet falls from the middle of the screen onto swaybar, 1.5 times as large as
# at 100 %, and Escape after a click on its body ends it.
#   NESTED_SCALE=1.5 nested.sh sway pet-scaled.sh PET SHOTS
set -u
source "$(dirname "$0")/../product/lib.sh"
sprite=$(cd "$(dirname "$0")" && pwd)/sprite.py
chmod 755 "$scratch"
cp "$1" "$scratch/pomfy"
shots=$2
mkdir -p "$shots"
rm -f "$shots"/*.png
inner() {
    if [ -n "$INNER_USER" ]; then
        runuser -u "$INNER_USER" -- env XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
            WAYLAND_DISPLAY="$WAYLAND_DISPLAY" "$@"
    else
        "$@"
    fi
}
outer() { DISPLAY=$OUTER_DISPLAY "$@"; }
shot() { outer import -window root "$shots/$1.png" && convert "$shots/$1.png" ppm:-; }
where() { shot "$1" | python3 "$sprite"; }

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
