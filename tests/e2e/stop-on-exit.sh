# Sourced by the scripts that set up a desktop for a command (desktop.sh,
# tests/wayland/nested.sh): a scratch folder $tmp, and $pids, the processes
# they start. When the script ends, those are stopped in the reverse order,
# given 5 s each before kill -9, and the scratch folder is removed.
tmp=$(mktemp -d)
pids=()
cleanup() {
    for ((i=${#pids[@]}-1; i>=0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    for p in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$p" 2>/dev/null
    done
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
