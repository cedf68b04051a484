# The head every end-to-end script under Wine shares (tests/win32/e2e_*.sh,
# and through pet-watch.sh tests/product/zip-run.sh): results counted in
# $failures through pass and fail, a clock, and the wait for a program to end.
# Source it first; it sets `set -u`.
#
#   pass TEXT / fail TEXT    one result
#   now                      milliseconds since the epoch
#   wait_ended PID TENTHS    waits up to TENTHS tenths of a second for the
#                            child PID to end; 0 if it did, its exit status
#                            then in $status
#   checks_done              prints the count; 0 when nothing failed
#   probe_start CMD...       starts the probe (probe.cpp) as a coprocess ($probe_pid)
#   send / reply / ask       a command to it, its one-line answer, both
set -u
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }
now() { date +%s%N | cut -c1-13; }

source "$(dirname "${BASH_SOURCE[0]}")/../e2e/wait-ended.sh"

probe_start() {
    coproc PROBE { "$@"; }
    probe_pid=$PROBE_PID
}
send() { echo "$*" >&"${PROBE[1]}"; }
reply() {
    local line
    if ! read -r -t 30 line <&"${PROBE[0]}"; then
        echo "FAIL: no answer from the probe"
        exit 1
    fi
    echo "${line%$'\r'}"
}
ask() { send "$@"; reply; }

checks_done() {
    echo "$failures failures"
    [ "$failures" = 0 ]
}
