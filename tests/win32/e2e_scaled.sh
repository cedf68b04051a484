#!/usr/bin/env bash
# pomfy.exe under Wine at 200 % (LogPixels 192 in its own Wine session, which
# Wine gives a DPI-aware program as every monitor's DPI): the window is
# 70 x 70 and opens centred, every sprite pixel is a whole 2 x 2 block of the
# shape and of the colours shown, it lands on the ground line of Wine's bar
# as at 100 % (all lengths twice), and Escape ends it with status 0.
#
#   e2e_scaled.sh CHECKER POMFY.exe WINE-RUN...    (on a test desktop, 1024x768)
XCHECK=$1 program=$2
winerun=("${@:3}")
source "$(dirname "$0")/pet-watch.sh"

export POMFY_WINE_SESSION
POMFY_WINE_SESSION=$(mktemp -u "$(dirname "$program")/wine.session-XXXXXX")
pet_exit_hook() { "${winerun[@]}" --end-session "$POMFY_WINE_SESSION"; }
"${winerun[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f >/dev/null ||
    { fail "cannot set LogPixels"; exit 1; }

# Whether the lines on standard input (rows of characters or of words) are
# 70 x 70, made of whole 2 x 2 blocks.
in_blocks() {
    sed 's/[.#]/& /g' | awk '
        NF != 70 { exit 1 }
        { for (i = 1; i < NF; i += 2) if ($i != $(i + 1)) exit 1 }
        NR % 2 == 0 && $0 != previous { exit 1 }
        { previous = $0 }
        END { exit NR != 70 }'
}

pet_start "${winerun[@]}" "$program"
pet_find || { fail "no window titled Pomfy"; exit 1; }
[ "$w $h" = "70 70" ] && pass "70 x 70" || fail "size $w x $h"
[ "$x $y" = "476 348" ] && pass "opens centred" || fail "opens at $x,$y"

# The shape and the colours while the pet greets in the middle of the screen
# (X hands out the colours only of a window wholly on the screen, and on the
# ground the window reaches below its bottom edge), taken again while the pet
# redraws between them.
shape_ok=0 pixels_ok=0
for _ in $(seq 10); do
    shape=$("$XCHECK" shape "$id")
    [[ $shape == *'#'* ]] && in_blocks <<<"$shape" && shape_ok=1
    # Drawn already: more than the mask's colour and one other.
    pixels=$("$XCHECK" pixels "$id")
    [ "$(tr ' ' '\n' <<<"$pixels" | sort -u | wc -l)" -gt 2 ] && in_blocks <<<"$pixels" && pixels_ok=1
    [ "$shape_ok$pixels_ok" = 11 ] && break
    sleep 0.3
done
[ "$shape_ok" = 1 ] && pass "the shape in whole 2 x 2 blocks" || fail "the shape is not in 2 x 2 blocks"
[ "$pixels_ok" = 1 ] && pass "the colours in whole 2 x 2 blocks" || fail "the colours are not in 2 x 2 blocks"

# Wine's bar is the screen's last row, 767: the logical 383, the window at
# 2 * (383 - 32).
ground=$((2 * (767 / 2 - 32)))
pet_wait_ground "$ground" 20000 && pass "landed at y = $ground" ||
    fail "never stood at y = $ground (last $x,$y)"

pet_escape

checks_done
