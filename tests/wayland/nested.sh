#!/usr/bin/env bash
# Runs a command on a Wayland desktop of its own: Xvfb (1024x768) on a free
# display number with a Wayland compositor running nested in it, so that
# typed keys and clicks on the Xvfb reach the compositor's window as a real
# seat does, and XWayland started by the compositor. Everything started here
# is stopped again when the command ends; the command's exit status is this
# script's.
#
#   tests/wayland/nested.sh mutter|sway|phoc|kwin|plasma COMMAND [ARGS...]
#
# sway runs swaybar along the bottom of the screen. NESTED_SCALE (1 unless
# set; 1.5, 2 ...) is the output's scale (sway, kwin). With OUTPUTS=2 in the
# environment, sway has two outputs, X11-1 and X11-2, side by side: two
# windows in an Xvfb twice as wide, X11-1 on the left; their ids are in
# OUTPUT_WINDOWS, and a close request to one unplugs that output. plasma is
# KWin with Plasma's shell (plasmashell) and the panel it makes on its first
# start, along the bottom.
#
# The command finds in its environment:
#   DISPLAY, XAUTHORITY  the compositor's XWayland server
#   WAYLAND_DISPLAY, XDG_RUNTIME_DIR  the compositor itself
#   OUTER_DISPLAY        the Xvfb, where xdotool types and clicks
#   INNER_USER           the user that the compositor's clients must run as
#                        (sway refuses to run as root, and none of these
#                        compositors takes clients of another user, so under
#                        root sway, phoc and KWin run as an unprivileged user
#                        made for the tests), or empty
#   SWAYSOCK             sway's IPC socket (sway only)
#   SESSION_BUS          the session bus of KWin and Plasma (kwin, plasma)
#   COMPOSITOR           mutter, sway, phoc, kwin or plasma
set -u
[ $# -ge 2 ] || { echo "usage: nested.sh mutter|sway|phoc|kwin|plasma COMMAND [ARGS...]" >&2; exit 2; }
compositor=$1; shift
test_user=pomfy-test

source "$(dirname "$0")/../e2e/stop-on-exit.sh"
chmod 755 "$tmp"
die() { echo "nested.sh: $*" >&2; for f in "$tmp"/*.log; do [ -s "$f" ] && tail -n 15 "$f" >&2; done; exit 1; }

program=$compositor
[ "$compositor" = kwin ] && program=kwin_wayland
[ "$compositor" = plasma ] && program=plasmashell
for p in Xvfb "$program" Xwayland xdotool; do
    command -v "$p" >/dev/null || die "$p is not installed (scripts/install-deps --all installs it)"
done

outputs=${OUTPUTS:-1}
# KWin's window is its output's mode: the logical 1024 x 768 times the scale.
screen=$((1024 * outputs))x768
[ "$compositor" = kwin ] && screen=$(awk -v s="${NESTED_SCALE:-1}" 'BEGIN { printf "%dx%d", 1024 * s + 0.5, 768 * s + 0.5 }')
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || die "Xvfb did not start"
export OUTER_DISPLAY=":$(head -n1 "$tmp/display")"

runtime="$tmp/run"
mkdir -m 700 "$runtime"
INNER_USER=
as_user=()
# Under root, the compositor runs as the test user.
unprivileged() {
    if [ "$(id -u)" -eq 0 ]; then
        id "$test_user" >/dev/null 2>&1 ||
            useradd --system --user-group --no-create-home --home-dir /nonexistent \
                --shell /usr/sbin/nologin "$test_user" 2>/dev/null ||
            id "$test_user" >/dev/null 2>&1 || die "cannot make the user $test_user"
        INNER_USER=$test_user
        chown "$test_user:" "$runtime"
        as_user=(runuser -u "$test_user" --)
    fi
}
# The compositor's Wayland socket in the runtime folder (named $1, or the
# first wayland-N), once it is there.
wait_socket() {
    for _ in $(seq 150); do
        WAYLAND_DISPLAY=$(cd "$runtime" && ls ${1:-wayland-*} 2>/dev/null | grep -v '\.lock$' | head -n1)
        [ -n "$WAYLAND_DISPLAY" ] && return 0
        sleep 0.1
    done
    die "$compositor made no Wayland socket"
}
case "$compositor" in
mutter)
    # A session bus of its own, stopped with the rest.
    dbus-daemon --session --nofork --print-address=3 3>"$tmp/bus" >"$tmp/dbus.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$tmp/bus" ] && break; sleep 0.1; done
    [ -s "$tmp/bus" ] || die "no session bus"
    DISPLAY=$OUTER_DISPLAY XDG_RUNTIME_DIR=$runtime MUTTER_DEBUG_DUMMY_MODE_SPECS=1024x768 \
        DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus") \
        mutter --nested --wayland --wayland-display=pomfy-wl >"$tmp/mutter.log" 2>&1 &
    pids+=($!)
    # "Using public X11 display :N, ..." once XWayland is up.
    for _ in $(seq 150); do
        inner=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$tmp/mutter.log" 2>/dev/null)
        [ -n "$inner" ] && break
        sleep 0.1
    done
    [ -n "$inner" ] || die "mutter started no XWayland"
    auth=$(ls "$runtime"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)
    export DISPLAY=$inner XAUTHORITY=$auth
    WAYLAND_DISPLAY=pomfy-wl
    ;;
sway)
    unprivileged
    : >"$tmp/inner-display"
    [ -n "$INNER_USER" ] && chown "$INNER_USER" "$tmp/inner-display"
    cat >"$tmp/sway.config" <<EOF
xwayland force
output * mode 1024x768 scale ${NESTED_SCALE:-1}
output X11-1 position 0 0
output X11-2 position 1024 0
exec sh -c 'echo "\$DISPLAY" >$tmp/inner-display'
bar {
    position bottom
    status_command while :; do echo pomfy; sleep 3600; done
}
EOF
    # wlroots looks up the atom of a close request without making it, and
    # on a bare X server it does not exist yet: an output window would not
    # know that it is closed.
    DISPLAY=$OUTER_DISPLAY xprop -root -f POMFY_ATOMS 32a -set POMFY_ATOMS WM_DELETE_WINDOW &&
        DISPLAY=$OUTER_DISPLAY xprop -root -remove POMFY_ATOMS || die "cannot make an atom"
    "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
        DISPLAY="$OUTER_DISPLAY" WLR_BACKENDS=x11 WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_X11_OUTPUTS=$outputs sway -c "$tmp/sway.config" >"$tmp/sway.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 150); do [ -s "$tmp/inner-display" ] && break; sleep 0.1; done
    [ -s "$tmp/inner-display" ] || die "sway started no XWayland"
    export DISPLAY=$(head -n1 "$tmp/inner-display")
    export XAUTHORITY=
    export SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock 2>/dev/null | head -n1)
    wait_socket
    # Without a window manager both output windows open at the Xvfb's
    # corner: the second goes to the right half. They have no names; the
    # first made is X11-1.
    if [ "$outputs" = 2 ]; then
        windows=()
        for _ in $(seq 100); do
            windows=($(DISPLAY=$OUTER_DISPLAY xwininfo -root -children | awk '/^ +0x/{print $1}' | sort))
            [ ${#windows[@]} -ge 2 ] && break
            sleep 0.1
        done
        [ ${#windows[@]} -ge 2 ] || die "sway made no second output"
        export OUTPUT_WINDOWS="${windows[*]}"
        DISPLAY=$OUTER_DISPLAY xdotool windowmove "${windows[1]}" 1024 0
    fi
    ;;
phoc)
    unprivileged
    : >"$tmp/inner-display"
    [ -n "$INNER_USER" ] && chown "$INNER_USER" "$tmp/inner-display"
    printf '[core]\nxwayland=true\n[output:X11-1]\nmode = 1024x768\n' >"$tmp/phoc.ini"
    chmod 644 "$tmp/phoc.ini"
    # Started by phoc once it runs, with XWayland's DISPLAY.
    printf '#!/bin/sh\necho "$DISPLAY" >%s\nexec sleep infinity\n' "$tmp/inner-display" >"$tmp/tell-display"
    chmod 755 "$tmp/tell-display"
    "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
        DISPLAY="$OUTER_DISPLAY" WLR_BACKENDS=x11 WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        phoc -C "$tmp/phoc.ini" -E "$tmp/tell-display" >"$tmp/phoc.log" 2>&1 &
    pids+=($!)
    wait_socket
    for _ in $(seq 150); do [ -s "$tmp/inner-display" ] && break; sleep 0.1; done
    [ -s "$tmp/inner-display" ] || die "phoc started no XWayland"
    export DISPLAY=$(head -n1 "$tmp/inner-display")
    export XAUTHORITY=
    ;;
kwin|plasma)
    unprivileged
    : >"$tmp/inner-display"
    [ -n "$INNER_USER" ] && chown "$INNER_USER" "$tmp/inner-display"
    # kwin_wayland carries a file capability, which an unprivileged user
    # may not exec; a copy has none.
    cp "$(command -v kwin_wayland)" "$tmp/kwin_wayland"
    chmod 755 "$tmp/kwin_wayland"
    # Started by KWin once XWayland is up, with its DISPLAY; for plasma,
    # then Plasma's shell with its panel along the bottom.
    printf '#!/bin/sh\necho "$DISPLAY" >%s\n' "$tmp/inner-display" >"$tmp/tell-display"
    # Its activity manager is started beside it, as a session's systemd
    # would: activated by the bus, it would lack the display.
    if [ "$compositor" = plasma ]; then
        activities=$(ls /usr/lib/*/libexec/kactivitymanagerd 2>/dev/null | head -n1)
        [ -n "$activities" ] || die "kactivitymanagerd is not installed"
        printf '%s >/dev/null 2>&1 &\nexec plasmashell --no-respawn >%s 2>&1\n' \
            "$activities" "$runtime/plasmashell.log" >>"$tmp/tell-display"
    fi
    chmod 755 "$tmp/tell-display"
    # A session bus of its own, of the compositor's user.
    "${as_user[@]}" dbus-daemon --session --nofork --print-address=3 3>"$tmp/bus" >"$tmp/dbus.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$tmp/bus" ] && break; sleep 0.1; done
    [ -s "$tmp/bus" ] || die "no session bus"
    "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" \
        DISPLAY="$OUTER_DISPLAY" DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus") \
        QT_QPA_PLATFORM=wayland KWIN_COMPOSE=Q \
        "$tmp/kwin_wayland" --x11-display "$OUTER_DISPLAY" --width 1024 --height 768 \
        --scale "${NESTED_SCALE:-1}" \
        --socket pomfy-wl --xwayland --no-lockscreen --no-global-shortcuts \
        "$tmp/tell-display" >"$tmp/kwin.log" 2>&1 &
    pids+=($!)
    wait_socket pomfy-wl
    for _ in $(seq 150); do [ -s "$tmp/inner-display" ] && break; sleep 0.1; done
    [ -s "$tmp/inner-display" ] || die "kwin started no XWayland"
    export DISPLAY=$(head -n1 "$tmp/inner-display")
    export XAUTHORITY=$(ls "$runtime"/xauth_* 2>/dev/null | head -n1)
    export SESSION_BUS=$(head -n1 "$tmp/bus")
    ;;
*)
    die "no such compositor: $compositor"
    ;;
esac
export INNER_USER COMPOSITOR=$compositor WAYLAND_DISPLAY XDG_RUNTIME_DIR=$runtime

# XWayland takes clients once its socket is there and it answers.
ready=0
for _ in $(seq 100); do
    if [ -n "$INNER_USER" ]; then
        runuser -u "$INNER_USER" -- env DISPLAY="$DISPLAY" xdpyinfo >/dev/null 2>&1 && ready=1
    else
        xdpyinfo >/dev/null 2>&1 && ready=1
    fi
    [ "$ready" = 1 ] && break
    sleep 0.1
done
[ "$ready" = 1 ] || die "XWayland on $DISPLAY does not answer"

"$@"
