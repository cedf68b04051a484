#!/usr/bin/env bash
# A hundred thousand keys typed at the pet as fast as the X server takes
# them: it stays up, keeps its window, goes on moving, and Escape still ends
# it with status 0 within the act that runs (a nap of 15 s at most).
#   key-flood.sh PET PROBE   (on a test desktop)
PET=$1 PROBE=$2
source "$(dirname "$0")/lib.sh"

start_pet "$PET"
"$PROBE" find --timeout 10 >/dev/null || fail "no pet window"
step "100000 keys"
"$PROBE" keys 100000 --key a --focus || fail "could not type the keys"
alive "during the flood"
"$PROBE" find --timeout 2 >/dev/null || fail "the window went away during the flood"
step "still moving"
"$PROBE" wait-move --timeout 30 || fail "the pet stopped moving after the flood"
escape_and_expect_zero 30
echo "ok: the pet took 100000 keys and ended on Escape with status 0"
