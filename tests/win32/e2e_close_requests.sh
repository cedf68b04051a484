#!/usr/bin/env bash
# Close requests do not keep pomfy.exe from ending: under Wine on openbox with
# tint2, a click on the pet's body, two close requests (wmctrl's, through the
# window manager, and a WM_DELETE_WINDOW client message of its own), a second
# click and one Escape, in that order and nothing else; the program ends with
# status 0 once the behaviour running then has finished. Three runs, each
# with a pet of its own.
#
#   e2e_close_requests.sh CHECKER PROGRAM-COMMAND...    (on a test desktop)
XCHECK=$1
shift
source "$(dirname "$0")/pet-watch.sh"

# The sequence comes while the pet greets; the rest of its start (a fall and
# perhaps a nap) and one behaviour after it take at most about 45 s.
LIMIT_TENTHS=900

for run in 1 2 3; do
    pet_start "$@"
    pet_find || { fail "run $run: no window titled Pomfy"; exit 1; }
    # On the body while the pet greets, in the middle of the screen: on the
    # ground the panel lies over most of it. The click gives it the keyboard.
    xdotool mousemove --sync $((x + 17)) $((y + 22)) click 1
    sleep 0.3
    wmctrl -c Pomfy || fail "run $run: wmctrl could not ask the window to close"
    "$XCHECK" close "$id" || fail "run $run: no WM_DELETE_WINDOW sent"
    sleep 0.3
    pet_find || { fail "run $run: the window went after the close requests"; exit 1; }
    xdotool mousemove --sync $((x + 17)) $((y + 8)) click 1
    xdotool key Escape
    if wait_ended "$pet" "$LIMIT_TENTHS"; then
        pet=
        [ "$status" = 0 ] && pass "run $run: one Escape ends it with status 0" ||
            fail "run $run: ended with status $status"
    else
        fail "run $run: still running $((LIMIT_TENTHS / 10)) s after Escape"
        break
    fi
done

checks_done
