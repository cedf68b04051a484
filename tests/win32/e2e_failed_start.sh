#!/usr/bin/env bash
# pomfy.exe when its window cannot be opened, on the test desktop: a build
# with the window layer's test hooks, told to find no layered windows, shows
# one message box that says why, opens no pet window, waits for the box to
# be closed and then ends with status 1.
#
#   e2e_failed_start.sh CHECKER PROGRAM-COMMAND...
xcheck=$1
shift
source "$(dirname "$0")/checks.sh"
scratch=$(mktemp -d)

POMFY_TEST_OPEN_FAILURE=layered "$@" 2>"$scratch/err" &
pet=$!
trap 'kill $pet 2>/dev/null; rm -rf "$scratch"' EXIT

if found=$("$xcheck" find Pomfy 20000); then
    read -r id x y w h <<<"$found"
    [ "$w" -gt 35 ] && pass "a message box titled Pomfy" || fail "a window of $w x $h titled Pomfy"
else
    fail "no message box"
fi
want="message box: Pomfy could not open its window: this system has no see-through (layered) windows."
grep -qxF "$want" <(tr -d '\r' <"$scratch/err") && pass "it says why" ||
    { fail "its text"; cat "$scratch/err"; }
sleep 0.5
kill -0 "$pet" 2>/dev/null && pass "waits for the box to be closed" || fail "ended before the box was closed"

wmctrl -c Pomfy
if wait_ended "$pet" 100; then
    [ "$status" = 1 ] && pass "ends with status 1" || fail "ended with status $status"
else
    fail "still running once the box was closed"
fi
[ "$(grep -c "^message box:" "$scratch/err")" = 1 ] && pass "one box" || fail "more than one box"

checks_done
