#!/usr/bin/env bash
# Runs a command on a desktop of its own: Xvfb (1024x768 unless DESKTOP_SIZE
# says otherwise) on a free display number, the openbox window manager and a
# tint2 panel 30 pixels high along the bottom. Everything started here is
# stopped again when the command ends, whatever its outcome; the command's
# exit status is this script's.
#
#   tests/e2e/desktop.sh [--no-panel] [--no-wm] COMMAND [ARGS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
panel=1 wm=1
while [ $# -gt 0 ]; do
    case "$1" in
        --no-panel) panel=0; shift ;;
        --no-wm) wm=0; panel=0; shift ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: desktop.sh [--no-panel] [--no-wm] COMMAND [ARGS...]" >&2; exit 2; }
size=${DESKTOP_SIZE:-1024x768}

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

# Xvfb writes the display number it chose to fd 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset +extension RANDR \
    3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "desktop.sh: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

if [ "$wm" = 1 ]; then
    openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
fi
if [ "$panel" = 1 ]; then
    tint2 -c "$here/tint2rc" >"$tmp/tint2.log" 2>&1 &
    pids+=($!)
    # Wait until the window manager's work area leaves room for the panel.
    h=${size#*x}
    for _ in $(seq 100); do
        wa=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= *\([0-9-]*\), *\([0-9-]*\), *\([0-9-]*\), *\([0-9-]*\).*/\4/p')
        [ -n "$wa" ] && [ "$wa" -lt "$h" ] && break
        sleep 0.1
    done
fi

"$@"
