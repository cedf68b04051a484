#!/usr/bin/env bash
# The keyboard after start-up: pomfy.exe under Wine on a desktop whose window
# manager gives the keyboard to the window a program brings forward (marco
# with tint2; openbox never gives it to a window without a taskbar entry
# unless the user asks, and Wine cannot ask for it). Nobody clicks or
# activates anything: Escape typed right after the taskbar button has gone
# reaches the pet, which ends with status 0 once its first act is over.
#
#   e2e_keyboard.sh CHECKER PROGRAM-COMMAND...    (on desktop.sh --no-wm)
xcheck=$1
shift
source "$(dirname "$0")/checks.sh"
command -v marco >/dev/null || { echo "SKIP: marco is not installed"; exit 77; }

here=$(cd "$(dirname "$0")" && pwd)
marco --no-composite --replace >/dev/null 2>&1 &
wm=$!
tint2 -c "$here/../e2e/tint2rc" >/dev/null 2>&1 &
panel=$!
trap 'kill $pet $panel $wm 2>/dev/null' EXIT
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
sleep 1

"$@" &
pet=$!

found=$("$xcheck" find Pomfy 20000) || { fail "no window titled Pomfy"; exit 1; }
read -r id x y w h <<<"$found"
# Right after start-up: once the taskbar button is gone.
skipped=0
for _ in $(seq 200); do
    "$xcheck" state "$id" | grep -q _NET_WM_STATE_SKIP_TASKBAR && { skipped=1; break; }
    sleep 0.05
done
[ "$skipped" = 1 ] && pass "no taskbar button" || fail "still on the taskbar"
sleep 0.5
focus=$(xdotool getwindowfocus 2>/dev/null)
[ "$focus" = "$id" ] && pass "the pet has the keyboard" || fail "the keyboard is with window $focus, not $id"

# To whichever window has the keyboard: no click, no activation.
xdotool key Escape
if wait_ended "$pet" 300; then
    [ "$status" = 0 ] && pass "Escape ends it with status 0" || fail "ended with status $status"
else
    fail "still running 30 s after Escape"
fi

checks_done
