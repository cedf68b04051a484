#!/usr/bin/env bash
# The pet under XWayland, with typed keys and clicks coming through the
# compositor's seat (run by nested.sh): a control window gets a click and a
# key first, so that a broken rig fails here; then the pet starts, takes the
# keyboard without a click, falls and walks where the compositor lets it
# move, ignores a close request, lets a click on a transparent pixel through
# to the window beneath, and ends on Escape after a click on it.
#   nested.sh mutter|sway pet-on-wayland.sh PET PROBE
# mutter has no layer shell, so the pet takes the X11 way there of itself;
# on sway, where it would run natively (pet-native.sh), it is made to, as
# where its Wayland start fails.
set -u
[ "$COMPOSITOR" = sway ] && unset WAYLAND_DISPLAY
source "$(dirname "$0")/../product/lib.sh"
# The programs are copied where the unprivileged test user can run them.
chmod 755 "$scratch"
cp "$1" "$scratch/pomfy"
cp "$2" "$scratch/xprobe"
PET=$scratch/pomfy PROBE=$scratch/xprobe

# X clients of XWayland run as the compositor's user.
inner() {
    if [ -n "$INNER_USER" ]; then
        runuser -u "$INNER_USER" -- env DISPLAY="$DISPLAY" XAUTHORITY="$XAUTHORITY" "$@"
    else
        "$@"
    fi
}
outer() { DISPLAY=$OUTER_DISPLAY "$@"; }
type_escapes() { outer xdotool key --delay 60 $(printf 'Escape %.0s' $(seq 16)); }

# "X Y W H" of the pet's window, or nothing.
pet_geometry() { inner "$PROBE" find --timeout "${1:-0.1}" 2>/dev/null | awk 'NR == 1 { print $2, $3, $4, $5 }'; }

# Prints "X Y": a pixel well inside the sprite, on the screen, found from the
# screen's picture of the window at X Y W H (the background is the colour
# of the window's top-left pixel, transparent in every frame of the art).
opaque_point() {
    outer import -window root -crop "$3x$4+$1+$2" -depth 8 ppm:- 2>/dev/null | python3 -c '
import re, sys
data = sys.stdin.buffer.read()
head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
if not head:
    sys.exit()
w, h = int(head.group(1)), int(head.group(2)); px = data[head.end():]
at = lambda x, y: px[3 * (y * w + x):3 * (y * w + x) + 3]
bg = at(0, 0)
best = None
for y in range(1, h - 1):
    for x in range(1, w - 1):
        if all(at(x + dx, y + dy) != bg for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
            d = (x - w // 2) ** 2 + (y - h // 2) ** 2
            if best is None or d < best[0]:
                best = (d, x, y)
if best:
    print(best[1] + int(sys.argv[1]), best[2] + int(sys.argv[2]))
' "$1" "$2"
}

presses() { grep -c '^ButtonPress' "$scratch/control.log"; }

step "control window on $COMPOSITOR ($DISPLAY)"
inner xev -name control -geometry 600x400+200+200 >"$scratch/control.log" 2>&1 &
own_pids+=($!)
for _ in $(seq 50); do grep -q '^MapNotify' "$scratch/control.log" && break; sleep 0.1; done
sleep 0.5
outer xdotool mousemove 300 400 click 1
sleep 0.3
outer xdotool key a
for _ in $(seq 30); do grep -q '^KeyPress' "$scratch/control.log" && break; sleep 0.1; done
[ "$(presses)" -ge 1 ] || fail "the control window got no click: the seat does not work"
grep -q '^KeyPress' "$scratch/control.log" || fail "the control window got no key: the seat does not work"

step "Escape right after start-up, without a click"
start_pet inner "$PET"
[ -n "$(pet_geometry 10)" ] || fail "no pet window"
type_escapes
wait_pet 30
[ "$pet_status" -eq 0 ] || fail "the pet ended with status $pet_status, not 0"

step "the pet starts, falls and walks"
start_pet inner "$PET"
[ -n "$(pet_geometry 10)" ] || fail "no pet window"
read -r x0 y0 w h < <(pet_geometry)
echo "opened at $x0,$y0 (${w}x$h)"
# While the pet greets in place: its window's top-left pixel is transparent,
# and a click there reaches the control window beneath.
before=$(presses)
outer xdotool mousemove $((x0 + 1)) $((y0 + 1)) click 1
sleep 0.3
[ "$(pet_geometry)" = "$x0 $y0 $w $h" ] || fail "the pet moved during the click; it should greet in place first"
[ "$(presses)" -gt "$before" ] || fail "a click on a transparent pixel of the pet did not reach the window beneath"

# A click on the sprite gives it the keyboard back (the compositor makes it
# the active window), and typed keys cut its pauses short from then on. The
# pet may move between the picture and the click: try again until it is
# active.
active_window() { inner xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | sed -n 's/.*# *\(0x[0-9a-f]*\).*/\1/p'; }
click_pet() {
    local id x y w h point _
    for _ in $(seq 40); do
        read -r id x y w h _ < <(inner "$PROBE" find --timeout 1 2>/dev/null)
        point=$(opaque_point "$x" "$y" "$w" "$h")
        if [ -n "$point" ]; then
            outer xdotool mousemove $point click 1
            sleep 0.2
            [ "$(active_window)" = "$id" ] && return 0
        fi
        sleep 0.1
    done
    fail "a click on the sprite did not make the pet's window active"
}
if [ "$COMPOSITOR" = sway ]; then
    # Sway places floating X windows itself and ignores their moves.
    sleep 3
    click_pet
    outer xdotool key space
    sleep 2
    alive "while it should walk in place"
    [ "$(pet_geometry)" = "$x0 $y0 $w $h" ] || fail "sway let the pet move after all: $(pet_geometry)"
else
    # No work area below the screen's bottom: the ground line is y = 3.
    inner "$PROBE" wait-y 3 --timeout 30 >/dev/null || fail "the pet did not land at y = 3 ($(pet_geometry))"
    click_pet
    ( while :; do outer xdotool key space; sleep 0.3; done ) >/dev/null 2>&1 &
    hurry_pid=$!
    own_pids+=("$hurry_pid")
    read -r x1 _ < <(pet_geometry)
    for _ in $(seq 150); do
        read -r x _ < <(pet_geometry)
        [ "$x" != "$x1" ] && break
        sleep 0.2
    done
    [ "$x" != "$x1" ] || fail "the pet did not walk on from x = $x1"
    stop_hurry
    echo "landed at y = 3 and walked on: $(pet_geometry)"
fi

step "a close request leaves it running"
if [ "$COMPOSITOR" = sway ]; then
    inner env SWAYSOCK="$SWAYSOCK" swaymsg '[title="^Pomfy$"] kill' >/dev/null ||
        fail "sway could not ask the pet's window to close"
else
    inner wmctrl -c Pomfy || fail "wmctrl could not ask the pet's window to close"
fi
sleep 2
alive "after a close request"
[ -n "$(pet_geometry)" ] || fail "the window went away after a close request"

step "Escape after a click elsewhere and one on the pet"
outer xdotool mousemove 300 500 click 1
sleep 0.3
click_pet
type_escapes
wait_pet 30
[ "$pet_status" -eq 0 ] || fail "the pet ended with status $pet_status, not 0"
echo "ok: $COMPOSITOR"
