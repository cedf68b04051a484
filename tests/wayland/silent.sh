#!/usr/bin/env bash
# A Wayland socket that takes the connection and never answers: the pet
# does not wait for it. Without DISPLAY it ends with status 1 and one line
# that gives both reasons; with DISPLAY it runs on that X server.
#   silent.sh PET PROBE [SHOTS]   (starts its own X server)
# SHOTS: a folder that keeps a screenshot of the pet on X11.
PET=$1 PROBE=$2 SHOTS=${3:-}
source "$(dirname "$0")/../product/lib.sh"

runtime="$scratch/run"
mkdir -m 700 "$runtime"
# Listens and takes connections, reads nothing and writes nothing.
python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1]); s.listen(8)
held = []
while True:
    held.append(s.accept()[0])
' "$runtime/wayland-1" &
own_pids+=($!)
for _ in $(seq 50); do [ -S "$runtime/wayland-1" ] && break; sleep 0.1; done
[ -S "$runtime/wayland-1" ] || fail "no silent socket"

step "a silent compositor and no X display"
started=$SECONDS
start_pet env -u DISPLAY WAYLAND_DISPLAY=wayland-1 XDG_RUNTIME_DIR="$runtime" "$PET"
wait_pet 30
took=$((SECONDS - started))
[ "$pet_status" -eq 1 ] || fail "the pet ended with status $pet_status, not 1"
line=$(cat "$scratch/pet.log")
[ "$(wc -l <"$scratch/pet.log")" -eq 1 ] || fail "not one line: $line"
case "$line" in
    "pomfy: no Wayland compositor answered on wayland-1; cannot open the X display"*) ;;
    *) fail "the line does not give both reasons: $line" ;;
esac
echo "ended after $took s with: $line"

step "a silent compositor beside an X display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
own_pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$scratch/display")"
start_pet env WAYLAND_DISPLAY=wayland-1 XDG_RUNTIME_DIR="$runtime" "$PET"
"$PROBE" find --timeout 30 >/dev/null || fail "no X window of the pet"
alive "on the X display"
[ -s "$scratch/pet.log" ] && fail "the pet complained: $(cat "$scratch/pet.log")"
if [ -n "$SHOTS" ]; then
    mkdir -p "$SHOTS" && sleep 3 && import -window root "$SHOTS/silent-x11.png"
fi
kill "$pet_pid"
echo "ok: a silent compositor costs the start a few seconds, and X11 runs the pet"
