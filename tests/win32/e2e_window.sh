#!/usr/bin/env bash
# The Windows window layer under Wine, looked at from a separate X client:
# title, size and place, the X shape against the frame put into the window,
# the colours shown, skip-taskbar after the removal, queued moves, a close
# request from the window manager, and Escape typed into the window.
#
#   e2e_window.sh CHECKER PROBE-COMMAND...    (on a test desktop, 1024x768)
xcheck=$1
shift
source "$(dirname "$0")/checks.sh"

probe_start "$@"

answer=$(ask open)
[ "$answer" = "open 0" ] || { fail "open: $answer"; exit 1; }
[ "$(ask title Pomfy)" = ok ] || fail "title"

found=$("$xcheck" find Pomfy 15000) || { fail "no X window titled Pomfy"; exit 1; }
read -r id x y w h <<<"$found"
[ "$w $h" = "35 35" ] && pass "35 x 35" || fail "size $w x $h"
[ "$x $y" = "494 366" ] && pass "centred at 494,366" || fail "placed at $x,$y"

# The shape: exactly the frame's pixels whose RGB is not the mask colour.
[ "$(ask frame)" = ok ] || fail "frame"
send shape
expected=""
while :; do
    row=$(reply)
    [ "$row" = end ] && break
    expected+="$row"$'\n'
done
shape_matches() {
    local actual
    for _ in $(seq 60); do
        actual=$("$xcheck" shape "$1")$'\n'
        [ "$actual" = "$expected" ] && return 0
        sleep 0.05
    done
    diff <(echo -n "$expected") <(echo -n "$actual") | head -20
    return 1
}
shape_matches "$id" && pass "X shape = the frame's opaque pixels" || fail "X shape differs from the frame"

# The colours as X shows them (alpha byte gone): pixel (3, 5) is 15 23 20.
pixels=$("$xcheck" pixels "$id")
shown=$(sed -n 6p <<<"$pixels" | cut -d" " -f4)
[ "$shown" = 152320 ] && pass "colours shown as put" || fail "pixel (3,5) shows $shown, not 152320"

# The taskbar button goes; the window stays as it was.
state=$("$xcheck" state "$id")
grep -q _NET_WM_STATE_SKIP_TASKBAR <<<"$state" && fail "skip-taskbar before the removal"
[ "$(ask untaskbar Pomfy)" = ok ] || fail "untaskbar"
skipped=0
for _ in $(seq 60); do
    found=$("$xcheck" find Pomfy 2000) && read -r id x2 y2 w2 h2 <<<"$found" &&
        "$xcheck" state "$id" | grep -q _NET_WM_STATE_SKIP_TASKBAR && { skipped=1; break; }
    sleep 0.05
done
[ "$skipped" = 1 ] && pass "skip-taskbar after the removal" || fail "no skip-taskbar after the removal"
[ "$x2 $y2 $w2 $h2" = "494 366 35 35" ] && pass "same place and size after the removal" ||
    fail "after the removal at $x2,$y2 size $w2 x $h2"
shape_matches "$id" && pass "same shape after the removal" || fail "shape lost in the removal"

# Queued moves, carried out by the window thread, unclamped: partly and
# wholly off the screen. The wholly hidden place comes last: Wine unmaps a
# window that lies wholly off the screen, and the first move back maps it
# again, during which it takes the window manager's configure events for a
# move to (0, 0): the window stands where it was asked to, but reads back as
# (0, 0) until its next move.
for target in "100 200" "-20 10" "600 500" "2000 800"; do
    ask move $target >/dev/null
    if at=$("$xcheck" wait-at "$id" $target 5000); then
        pass "moved to $target"
    else
        fail "move to $target: window at ${at:-?}"
    fi
    pos=$(ask pos)
    [ "$pos" = "pos $target" ] || fail "position read back: $pos"
done

ask move 600 500 >/dev/null
"$xcheck" wait-at "$id" 600 500 5000 >/dev/null || fail "move back to 600 500"

# Idle, and through a nap of 2 s, neither of the probe's threads wakes but
# for its work: the logic thread (the process's first) for its command and
# the nap's end, not every 50 ms. Counted as the times each went to sleep;
# under Wine a call to the wineserver counts too, hence a few to spare.
probe_unix=
for p in $(pgrep -x pomfy-win32-pro); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "DISPLAY=$DISPLAY" && probe_unix=$p
done
sleeps() {
    for t in /proc/"$probe_unix"/task/*; do
        echo "$([ "${t##*/}" = "$probe_unix" ] && echo logic || echo window)" \
            "$(sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "$t/status")"
    done | awk '{ n[$1] += $2 } END { print n["logic"] + 0, n["window"] + 0 }'
}
if [ -n "$probe_unix" ]; then
    read -r logic0 window0 <<<"$(sleeps)"
    sleep 1
    read -r logic1 window1 <<<"$(sleeps)"
    [ "$((logic1 - logic0)) $((window1 - window0))" = "0 0" ] && pass "idle: no wake-up" ||
        fail "idle for 1 s: the logic thread slept $((logic1 - logic0)) times, the window thread $((window1 - window0))"
    [ "$(ask nap 2000)" = ok ] || fail "nap"
    read -r logic2 window2 <<<"$(sleeps)"
    [ "$((logic2 - logic1))" -le 20 ] && [ "$((window2 - window1))" -le 2 ] &&
        pass "a nap of 2 s: $((logic2 - logic1)) and $((window2 - window1)) wake-ups" ||
        fail "a nap of 2 s: the logic thread slept $((logic2 - logic1)) times, the window thread $((window2 - window1))"
else
    fail "the probe's process not found"
fi

# A close request from outside: a key, and the window stays.
ask keys >/dev/null
wmctrl -c Pomfy
answer=$(ask wait-key 27647 5000)
[ "$answer" = "key 27647" ] && pass "close request read as CloseKey" || fail "close request: $answer"
sleep 0.3
"$xcheck" find Pomfy 100 >/dev/null && pass "still open after the close request" ||
    fail "closed by the close request"

# Escape typed into the window after a click on the sprite.
xdotool mousemove --sync 617 517 click 1
sleep 0.3
xdotool key Escape
answer=$(ask wait-key 27 5000)
[ "$answer" = "key 27" ] && pass "Escape arrives as 27" || fail "Escape: $answer"

send quit 0
wait "$probe_pid"
status=$?
[ "$status" = 0 ] && pass "probe ended with status 0" || fail "probe ended with status $status"

checks_done
