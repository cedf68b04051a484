#!/usr/bin/env bash
# Close requests do not keep pomfy.exe from ending: under Wine on openbox with
# tint2, a click on the pet's body, two close requests (wmctrl's, through the
# window manager, and a WM_DELETE_WINDOW client message of its own), a second
# click and Escape, in that order; the program ends with status 0. Three runs,
# each with a pet of its own.
#
#   e2e_close_requests.sh CHECKER PROGRAM-COMMAND...    (on a test desktop)
XCHECK=$1
shift
source "$(dirname "$0")/pet-watch.sh"

for run in 1 2 3; do
    pet_start "$@"
    pet_find || { fail "run $run: no window titled Pomfy"; exit 1; }
    # On the body while the pet greets, in the middle of the screen: on the
    # ground the panel lies over most of it.
    xdotool mousemove --sync $((x + 17)) $((y + 22)) click 1
    sleep 0.3
    wmctrl -c Pomfy || fail "run $run: wmctrl could not ask the window to close"
    "$XCHECK" close "$id" || fail "run $run: no WM_DELETE_WINDOW sent"
    sleep 0.3
    pet_find || { fail "run $run: the window went after the close requests"; exit 1; }
    xdotool mousemove --sync $((x + 17)) $((y + 8)) click 1
    # Each close request put a key before Escape, and the pet reads one key
    # per act outside a walk: pet_escape waits for three acts.
    pet_escape
    [ -z "$pet" ] || break  # still running: killed on the way out
done

checks_done
