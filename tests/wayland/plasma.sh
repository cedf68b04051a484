#!/usr/bin/env bash
# The pet natively on KDE Plasma (run by nested.sh plasma: KWin with
# plasmashell's panel along the bottom, which is no layer surface): the
# sprite stands on the panel, the panel shows no entry for it, and with the
# panel hidden it walks along the top.
#   nested.sh plasma plasma.sh PET SHOTS
set -u
PET=$1 shots=$2
source "$(dirname "$0")/native-lib.sh"

# Runs a Plasma desktop script; prints what it prints.
plasma() {
    inner dbus-send --session --print-reply=literal --dest=org.kde.plasmashell /PlasmaShell \
        org.kde.PlasmaShell.evaluateScript "string:$1" 2>/dev/null | sed 's/^ *//'
}
# "X Y W H BAR" of the sprite above row $2 in a new screenshot named $1.
where() { outer import -window root "$shots/$1.png" && convert "$shots/$1.png" ppm:- | python3 "$sprite" --bar "$2"; }

step "Plasma's panel"
height=
for _ in $(seq 120); do
    height=$(plasma 'if (panels().length > 0 && panels()[0].location == "bottom") print(panels()[0].height)')
    [ -n "$height" ] && break
    sleep 0.5
done
[ -n "$height" ] || fail "plasmashell showed no panel along the bottom"
top=$((768 - height))
# A wallpaper of one colour, where the sprite is easy to find.
plasma 'var d = desktops()[0]; d.wallpaperPlugin = "org.kde.color";
        d.currentConfigGroup = ["Wallpaper", "org.kde.color", "General"];
        d.writeConfig("Color", "40,40,40")' >/dev/null
sleep 2
outer import -window root "$shots/panel.png"
echo "the panel is $height px high, its top at $top"

step "on the panel"
start_pet inner "$scratch/pomfy"
landed=
give_up=$((SECONDS + 90))
while [ "$SECONDS" -lt "$give_up" ]; do
    read -r x y w h _ < <(where landing "$top")
    [ -n "${x:-}" ] && [ $((y + h)) -eq "$top" ] && { landed=yes; break; }
    sleep 1
done
[ -n "$landed" ] || fail "the sprite did not stand on the panel (last: ${x:-none},${y:-} ${w:-}x${h:-})"
echo "on the panel: sprite at $x,$y ${w}x$h"
alive "on the panel"
# The panel's task list is as it was: the pet has no entry there. Its
# rows below the sprite's feet, left of the clock, are compared.
outer import -window root "$shots/with-pet.png"
changed=$(compare -metric AE -crop 700x36+0+$((top + 6)) "$shots/panel.png" "$shots/with-pet.png" null: 2>&1)
[ "${changed%% *}" = 0 ] || fail "the panel changed when the pet started ($changed pixels): an entry for it?"

step "the panel hidden"
plasma 'panels()[0].hiding = "autohide"' >/dev/null
at_top=
give_up=$((SECONDS + 90))
while [ "$SECONDS" -lt "$give_up" ]; do
    read -r x y w h _ < <(where hidden $((768 - 10)))
    [ -n "${x:-}" ] && [ "$y" -ge 3 ] && [ $((y + h)) -le 38 ] && { at_top=yes; break; }
    sleep 1
done
[ -n "$at_top" ] || fail "with the panel hidden the pet stayed at ${x:-none},${y:-}"
echo "with the panel hidden it walks along the top: sprite at $x,$y"
alive "with the panel hidden"
[ -s "$scratch/pet.log" ] && fail "the pet complained: $(cat "$scratch/pet.log")"
echo "ok: natively on KDE Plasma"
