#!/usr/bin/env bash
# Runs a command on a desktop of its own: Xvfb (1024x768 unless DESKTOP_SIZE
# says otherwise) on a free display number, a window manager and a panel;
# by default openbox and a tint2 panel 30 pixels high along the bottom.
# Everything started here is stopped again when the command ends, whatever
# its outcome; the command's exit status is this script's.
#
#   tests/e2e/desktop.sh [OPTIONS] COMMAND [ARGS...]
#     --wm openbox|marco|i3|none   the window manager (i3 brings i3bar along
#                                  the bottom)
#     --panel tint2|mate|none      the panel (mate: mate-panel's own layout,
#                                  a bar along the top and one along the bottom)
#     --no-panel                   --panel none
#     --no-wm                      --wm none --panel none
#     --monitors                   two RandR monitors side by side, each of
#                                  DESKTOP_SIZE, the left one primary
#     --dpi N                      Xft.dpi N in the X resources (144 for a
#                                  desktop at 150 %, 192 at 200 %)
set -u
here=$(cd "$(dirname "$0")" && pwd)
panel=tint2 wm=openbox monitors=0 dpi=
usage() { echo "usage: desktop.sh [--wm W] [--panel P] [--no-panel] [--no-wm] [--monitors] [--dpi N] COMMAND [ARGS...]" >&2; exit 2; }
while [ $# -gt 0 ]; do
    case "$1" in
        --no-panel) panel=none; shift ;;
        --no-wm) wm=none; panel=none; shift ;;
        --wm) [ $# -ge 2 ] || usage; wm=$2; shift 2 ;;
        --panel) [ $# -ge 2 ] || usage; panel=$2; shift 2 ;;
        --monitors) monitors=1; shift ;;
        --dpi) [ $# -ge 2 ] || usage; dpi=$2; shift 2 ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || usage
size=${DESKTOP_SIZE:-1024x768}
w=${size%x*} h=${size#*x}
screen=$size
[ "$monitors" = 1 ] && screen="$((2 * w))x$h"

source "$here/stop-on-exit.sh"
# Waits up to 10 s for a condition (a command); false when it never held.
wait_for() { for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done; return 1; }
visible() { xdotool search --onlyvisible --class "$1" >/dev/null 2>&1; }
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; }
# The window manager's work area leaves room for a panel.
work_area_shrunk() {
    local wa
    wa=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= *\([0-9-]*\), *\([0-9-]*\), *\([0-9-]*\), *\([0-9-]*\).*/\4/p')
    [ -n "$wa" ] && [ "$wa" -lt "$h" ]
}

# Xvfb writes the display number it chose to fd 3 once it accepts clients.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset +extension RANDR \
    3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "desktop.sh: Xvfb did not start" >&2; cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

if [ "$monitors" = 1 ]; then
    xrandr --setmonitor '*PomfyLeft' "$w/270x$h/203+0+0" none >/dev/null &&
        xrandr --setmonitor PomfyRight "$w/270x$h/203+$w+0" none >/dev/null ||
        { echo "desktop.sh: cannot make two monitors" >&2; exit 1; }
fi

[ -z "$dpi" ] || echo "Xft.dpi: $dpi" | xrdb -merge || { echo "desktop.sh: cannot set Xft.dpi" >&2; exit 1; }

# MATE's programs want a session bus and settings of their own.
if [ "$wm" = marco ] || [ "$panel" = mate ]; then
    mkdir -m 700 "$tmp/runtime" "$tmp/config"
    export XDG_RUNTIME_DIR=$tmp/runtime XDG_CONFIG_HOME=$tmp/config
    dbus-daemon --session --nofork --print-address=3 3>"$tmp/bus" >"$tmp/dbus.log" 2>&1 &
    pids+=($!)
    wait_for test -s "$tmp/bus" || { echo "desktop.sh: no session bus" >&2; exit 1; }
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
    export DBUS_SESSION_BUS_ADDRESS
fi

case "$wm" in
    # openbox runs its --startup command once it manages windows.
    openbox) openbox --sm-disable --startup "touch $tmp/openbox-ready" >"$tmp/openbox.log" 2>&1 &
        pids+=($!) ;;
    marco) marco --no-composite >"$tmp/marco.log" 2>&1 & pids+=($!) ;;
    i3) i3 -c "$here/i3.config" >"$tmp/i3.log" 2>&1 & pids+=($!) ;;
    none) ;;
    *) usage ;;
esac
if [ "$wm" = openbox ]; then
    wait_for test -e "$tmp/openbox-ready" || { echo "desktop.sh: openbox did not start" >&2; exit 1; }
elif [ "$wm" != none ]; then
    wait_for wm_up || { echo "desktop.sh: $wm did not start" >&2; cat "$tmp/$wm.log" >&2; exit 1; }
fi
if [ "$wm" = i3 ]; then
    wait_for visible i3bar || { echo "desktop.sh: no i3bar" >&2; cat "$tmp/i3.log" >&2; exit 1; }
fi

case "$panel" in
    tint2) tint2 -c "$here/tint2rc" >"$tmp/tint2.log" 2>&1 & pids+=($!) ;;
    mate) mate-panel >"$tmp/mate-panel.log" 2>&1 & pids+=($!) ;;
    none) ;;
    *) usage ;;
esac
if [ "$panel" != none ]; then
    class=$panel; [ "$panel" = mate ] && class=mate-panel
    wait_for visible "$class" || { echo "desktop.sh: $class did not start" >&2; exit 1; }
    # A window manager that publishes a work area leaves room for it.
    if [ "$wm" = openbox ] || [ "$wm" = marco ]; then wait_for work_area_shrunk; fi
fi

"$@"
