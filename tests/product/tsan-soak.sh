#!/usr/bin/env bash
# The pet built with ThreadSanitizer runs for a long while (SOAK_SECONDS,
# 180 by default) while keys are typed and close requests are sent all the
# time; it must keep running, ignore every close request, report no race and
# end with status 0 on Escape.
#   tsan-soak.sh PET PROBE   (on a test desktop)
PET=$1 PROBE=$2
source "$(dirname "$0")/lib.sh"
seconds=${SOAK_SECONDS:-180}
export TSAN_OPTIONS="${TSAN_OPTIONS:-halt_on_error=1} exitcode=66"

start_pet "$PET"
"$PROBE" find --timeout 30 >/dev/null || fail "no pet window"
hurry_pet 250
end=$((SECONDS + seconds))
closes=0
while [ $SECONDS -lt $end ]; do
    "$PROBE" close 3 --interval 200 >/dev/null 2>&1 && closes=$((closes + 3))
    alive "after $closes close requests"
    sleep 0.4
done
stop_hurry
"$PROBE" find --timeout 2 >/dev/null || fail "the window went away"
escape_and_expect_zero 40
if grep -q "ThreadSanitizer" "$scratch/pet.log"; then
    fail "ThreadSanitizer reported a problem"
fi
echo "ok: $seconds s with keys and $closes close requests, no race reported, status 0"
