#!/usr/bin/env bash
# A whole run of the pet under strace: it opens no file for writing, creates,
# renames or removes nothing, and opens no socket but its connection to the
# display.
#   strace-run.sh PET PROBE   (on a test desktop)
PET=$1 PROBE=$2
source "$(dirname "$0")/lib.sh"

# The check itself must see a write and a foreign socket when there is one.
strace -f -qq -o "$scratch/bad.out" -e trace=%file,%network -e signal=none \
    bash -c 'echo x >"$1"; exec 3<>/dev/tcp/127.0.0.1/9' sh "$scratch/written" 2>/dev/null
if "$here/syscalls.py" "$scratch/bad.out" 0 >"$scratch/bad-check.log"; then
    fail "the system call check did not notice a file written"
fi
grep -q 'written' "$scratch/bad-check.log" || fail "the check missed the written file"
grep -q 'AF_INET' "$scratch/bad-check.log" || fail "the check missed the network socket"

start_pet strace -f -qq -s 256 -o "$scratch/strace.out" \
    -e trace=%file,%network -e signal=none "$PET"
"$PROBE" find --timeout 20 >/dev/null || fail "no pet window under strace"
hurry_pet 300
sleep 8
stop_hurry
escape_and_expect_zero 40

display=${DISPLAY#:}
display=${display%%.*}
"$here/syscalls.py" "$scratch/strace.out" "$display" ||
    fail "the pet touched files or sockets it has no business with"
echo "ok: no file written and no socket but the display's"
