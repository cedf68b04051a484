#!/usr/bin/env bash
# The pet as a native Wayland client, on a compositor with a layer shell
# (run by nested.sh: sway, phoc or kwin): no X window of it exists; screenshots
# of the Xvfb show where its sprite stands and that it walks; a click on a
# transparent pixel does not give it the keyboard, one on its body does,
# and Escape then ends it with status 0.
#   nested.sh sway|phoc|kwin pet-native.sh PET SHOTS
# SHOTS: a folder that keeps the screenshots looked at.
set -u
PET=$1 shots=$2
source "$(dirname "$0")/native-lib.sh"

type_escapes() { outer xdotool key --delay 60 $(printf 'Escape %.0s' $(seq 16)); }
shot() { outer import -window root "$shots/$1.png" && convert "$shots/$1.png" ppm:-; }
# "X Y W H BAR" of the sprite in a new screenshot named $1 (sprite.py).
where() { shot "$1" | python3 "$sprite"; }
# "X Y" of a pixel well inside the sprite's body in a new screenshot named $1.
body() { shot "$1" | python3 "$sprite" --body; }

# Starts the pet; its own pid (not runuser's) lands in $scratch/pet.pid.
mkdir -m 777 "$scratch/pid"
start_native() {
    rm -f "$scratch/pid/pet"
    start_pet inner sh -c 'echo $$ >"$0"; exec "$1"' "$scratch/pid/pet" "$scratch/pomfy"
    for _ in $(seq 20); do [ -s "$scratch/pid/pet" ] && break; sleep 0.1; done
}

step "Escape right after start-up on $COMPOSITOR"
start_native
sleep 1
type_escapes
if wait_ended "$pet_pid" 50; then
    [ "$status" -eq 0 ] || fail "the pet ended with status $status, not 0"
    echo "$COMPOSITOR gives the keyboard at start-up: Escape ended the pet"
    early=yes
else
    echo "$COMPOSITOR gives no keyboard at start-up: the pet runs on"
    early=no
    kill "$(cat "$scratch/pid/pet")"
    wait_ended "$pet_pid" 50 || fail "the pet did not end when asked to"
fi
[ "$COMPOSITOR" != sway ] || [ "$early" = no ] || fail "sway should not give the keyboard at start-up"

step "native: no X window, on the ground line, walking"
start_native
sleep 2
alive "after start-up"
inner xwininfo -root -tree 2>/dev/null | grep -q '"Pomfy"' &&
    fail "an X window named Pomfy exists: the pet runs through XWayland"
grep -q . "$scratch/pet.log" && fail "the pet complained: $(cat "$scratch/pet.log")"
# Landed: the sprite's lowest visible row just above the bar's top edge, or
# at the top of a screen without a bar (y = 3 for the window's top).
landed=
for i in $(seq 30); do
    read -r x y w h bar < <(where landing)
    if [ -n "${x:-}" ]; then
        if [ "$bar" -lt 768 ] && [ $((y + h)) -eq "$bar" ]; then landed=bar; break; fi
        if [ "$bar" -eq 768 ] && [ "$y" -ge 3 ] && [ $((y + h)) -le 38 ]; then landed=top; break; fi
    fi
    sleep 1
done
[ -n "$landed" ] || fail "the sprite did not land on the ground line (last: ${x:-none} ${y:-} ${w:-} ${h:-}, bar $bar)"
echo "landed on the $landed: sprite at $x,$y ${w}x$h, bar top $bar"
if [ "$COMPOSITOR" = sway ]; then
    [ "$landed" = bar ] || fail "on sway the pet should stand on swaybar"
    # A click on a transparent pixel of the window, its second row above
    # the sprite's head, reaches the desktop beneath; the pet gets no
    # keyboard from it. Clicked while the sprite stands still on the bar:
    # the pet may walk for a long while first, and a loaded machine takes
    # its time over each look, so this waits by the clock.
    still=
    give_up=$((SECONDS + 90))
    while [ "$SECONDS" -lt "$give_up" ]; do
        read -r x y w h bar < <(where still-1)
        sleep 0.3
        read -r x2 y2 w2 h2 _ < <(where still-2)
        if [ -n "${x:-}" ] && [ "$x $y $w $h" = "${x2:-} ${y2:-} ${w2:-} ${h2:-}" ] &&
            [ $((y + h)) -eq "$bar" ]; then
            still=yes
            break
        fi
    done
    [ -n "$still" ] || fail "the sprite never stood still on the bar"
    outer xdotool mousemove $((x + w / 2)) $((bar - 31)) click 1
    sleep 0.3
    type_escapes
    sleep 3
    alive "after Escape typed once a transparent pixel was clicked"
fi
# A click on its body gives it the keyboard; typed keys cut its pauses
# short, and it walks on along the ground line.
read -r bx by < <(body body)
[ -n "${bx:-}" ] || fail "no pixel of the sprite's body found"
outer xdotool mousemove "$bx" "$by" click 1
( while :; do outer xdotool key space; sleep 0.3; done ) >/dev/null 2>&1 &
own_pids+=($!)
hurry=$!
x1=$x
moved=
for i in $(seq 60); do
    read -r x y w h bar < <(where walking)
    if [ -n "${x:-}" ] && [ "$x" != "$x1" ] &&
        { [ "$landed" = top ] && [ $((y + h)) -le 38 ] || [ $((y + h)) -eq "$bar" ]; }; then
        moved=yes
        break
    fi
    sleep 0.5
done
[ -n "$moved" ] || fail "the sprite did not move along the ground line from x = $x1"
echo "walked from x = $x1 to $x, still on the ground line"
if [ "$COMPOSITOR" = sway ]; then
    # Without the bar nothing is reserved: the ground line is y = 3.
    inner env SWAYSOCK="$SWAYSOCK" swaymsg bar mode invisible >/dev/null ||
        fail "sway could not hide its bar"
    top=
    for i in $(seq 60); do
        read -r x y w h bar < <(where no-bar)
        [ -n "${x:-}" ] && [ "$bar" -eq 768 ] && [ $((y + h)) -le 38 ] && { top=yes; break; }
        sleep 0.5
    done
    [ -n "$top" ] || fail "the pet stayed where the bar was (sprite at ${x:-none},${y:-})"
    echo "with the bar gone it walks along the top: sprite at $x,$y"
fi
kill "$hurry" 2>/dev/null

step "Escape after a click on its body"
for i in $(seq 20); do
    read -r bx by < <(body body)
    [ -n "${bx:-}" ] && outer xdotool mousemove "$bx" "$by" click 1
    type_escapes
    wait_ended "$pet_pid" 30 && break
done
kill -0 "$pet_pid" 2>/dev/null && fail "the pet did not end on Escape"
[ "$status" -eq 0 ] || fail "the pet ended with status $status, not 0"

if [ "$COMPOSITOR" = sway ]; then
    step "the compositor goes away"
    start_native
    sleep 2
    alive "before sway exits"
    inner env SWAYSOCK="$SWAYSOCK" swaymsg exit >/dev/null 2>&1
    ends_with_line 'Wayland compositor'
fi
echo "ok: native on $COMPOSITOR"
