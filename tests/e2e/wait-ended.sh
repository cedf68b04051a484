# wait_ended PID TENTHS: waits up to TENTHS tenths of a second for the child
# PID to end; 0 if it did, with its exit status in $status. Sourced by the
# end-to-end scripts that watch a program end (tests/product/lib.sh,
# tests/win32/checks.sh).
wait_ended() {
    local pid=$1
    for _ in $(seq "$2"); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            status=$?
            return 0
        fi
        sleep 0.1
    done
    return 1
}
