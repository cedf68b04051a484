#!/usr/bin/env bash
# The real pet on the desktops people run: after its entrance it stands on
# the ground line of the bar that a separate X client sees (the bar's top
# edge less 32), or at y = 3 where nothing reserves the bottom of the
# primary monitor; Escape then ends it with status 0.
#
#   desktops.sh CASE PET PROBE      (starts a desktop of its own)
#
#   openbox-tint2      openbox, tint2 along the bottom
#   marco-mate         marco, mate-panel (a bar along the top, one along the bottom)
#   i3                 i3 with i3bar along the bottom
#   mate-no-wm         mate-panel (it reserves its strips with struts) and no
#                      window manager
#   no-panel           openbox and no panel: y = 3
#   monitors-other     two monitors, a panel along the bottom of the secondary
#                      (right) one only: the pet on the primary one stands at y = 3
#   monitors-primary   two monitors, a panel along the bottom of the primary one
#   panel-moves        no window manager; the panel goes to the top while the pet
#                      walks (y = 3) and back to the bottom (on it again)
#   scaled-192         openbox, tint2, Xft.dpi 192 (200 %): the window 70 x 70, its
#                      shape in whole 2 x 2 blocks, on the bar as at 100 % (all
#                      lengths twice)
case_name=$1 PET=$2 PROBE=$3
if [ "${4:-}" != --on-desktop ]; then
    case "$case_name" in
        openbox-tint2) options=() ;;
        marco-mate) options=(--wm marco --panel mate) ;;
        i3) options=(--wm i3 --panel none) ;;
        mate-no-wm) options=(--wm none --panel mate) ;;
        no-panel) options=(--panel none) ;;
        monitors-other|monitors-primary) options=(--monitors --panel none) ;;
        panel-moves) options=(--no-wm) ;;
        scaled-192) options=(--dpi 192) ;;
        *) echo "desktops.sh: no case \"$case_name\"" >&2; exit 2 ;;
    esac
    exec "$(dirname "$0")/../e2e/desktop.sh" "${options[@]}" "$0" "$@" --on-desktop
fi
source "$(dirname "$0")/lib.sh"
height=$(xdpyinfo | awk '/dimensions:/ {split($2, s, "x"); print s[2]}')

# The top edge of the visible window of this class that reaches the bottom
# of the screen, as any X client sees it.
bar_top() {
    local id y h
    for _ in $(seq 100); do
        for id in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
            y=$(xwininfo -id "$id" | awk '/Absolute upper-left Y/ {print $4}')
            h=$(xwininfo -id "$id" | awk '/Height:/ {print $2}')
            if [ -n "$y" ] && [ $((y + h)) -eq "$height" ]; then echo "$y"; return 0; fi
        done
        sleep 0.1
    done
    fail "no $1 window along the bottom of the screen"
}

# A panel of pomfy-xprobe's: X Y W H; its id in $panel_id.
start_panel() {
    "$PROBE" panel "$@" >"$scratch/panel-id" 2>"$scratch/panel.log" &
    own_pids+=($!)
    for _ in $(seq 100); do [ -s "$scratch/panel-id" ] && break; sleep 0.1; done
    panel_id=$(head -n1 "$scratch/panel-id")
    [ -n "$panel_id" ] || fail "the test panel did not start"
}
# Moves the test panel and its reservation: top or bottom, 30 pixels high.
move_panel() {
    if [ "$1" = top ]; then
        xdotool windowmove "$panel_id" 0 0
        xprop -id "$panel_id" -f _NET_WM_STRUT_PARTIAL 32c \
            -set _NET_WM_STRUT_PARTIAL "0, 0, 30, 0, 0, 0, 0, 0, 0, 1023, 0, 0"
    else
        xdotool windowmove "$panel_id" 0 $((height - 30))
        xprop -id "$panel_id" -f _NET_WM_STRUT_PARTIAL 32c \
            -set _NET_WM_STRUT_PARTIAL "0, 0, 0, 30, 0, 0, 0, 0, 0, 0, 0, 1023"
    fi
}
# The work area of the (one) window manager leaves room for a panel.
work_area_shrunk() {
    xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= 0, 0, [0-9]*, $((height - 30))"
}

case "$case_name" in
    openbox-tint2) ground=$(( $(bar_top tint2) - 32 )) ;;
    scaled-192) ground=$(( $(bar_top tint2) - 2 * 32 )) ;;
    marco-mate|mate-no-wm) ground=$(( $(bar_top mate-panel) - 32 )) ;;
    i3) ground=$(( $(bar_top i3bar) - 32 )) ;;
    no-panel) ground=3 ;;
    monitors-other|monitors-primary)
        # The work area is one rectangle for the whole root: it ends above
        # the panel across both monitors.
        if [ "$case_name" = monitors-other ]; then
            start_panel 1024 $((height - 30)) 1024 30
            ground=3
        else
            start_panel 0 $((height - 30)) 1024 30
            ground=$((height - 30 - 32))
        fi
        for _ in $(seq 100); do work_area_shrunk && break; sleep 0.1; done
        work_area_shrunk || fail "the window manager did not leave room for the panel: $(xprop -root _NET_WORKAREA)"
        ;;
    panel-moves)
        start_panel 0 $((height - 30)) 1024 30
        ground=$((height - 30 - 32))
        ;;
esac

step "$case_name: the pet lands at y = $ground"
start_pet "$PET"
"$PROBE" find --timeout 10 >/dev/null || fail "no pet window"
"$PROBE" wait-y "$ground" --timeout 20 >/dev/null || fail "the pet did not land at y = $ground"

if [ "$case_name" = scaled-192 ]; then
    read -r _ _ _ width height _ < <("$PROBE" find) || fail "no pet window"
    [ "$width x $height" = "70 x 70" ] || fail "the window is $width x $height at 200 %, not 70 x 70"
    "$PROBE" blocks 2 >/dev/null || fail "the pet's shape is not made of whole 2 x 2 blocks"
fi

if [ "$case_name" = panel-moves ]; then
    hurry_pet 150
    step "the panel to the top"
    move_panel top
    "$PROBE" wait-y 3 --timeout 30 >/dev/null || fail "the pet did not go to y = 3 with the panel on top"
    step "the panel back to the bottom"
    move_panel bottom
    "$PROBE" wait-y "$ground" --timeout 30 >/dev/null || fail "the pet did not go back onto the panel"
    stop_hurry
fi
# Escape, typed again now and then: a window manager that is still settling
# may take the keyboard focus away from the pet meanwhile.
for _ in $(seq 15); do
    "$PROBE" keys 16 --key Escape --focus >/dev/null 2>&1
    for _ in $(seq 20); do kill -0 "$pet_pid" 2>/dev/null || break 2; sleep 0.1; done
done
wait_pet 20
[ "$pet_status" -eq 0 ] || fail "the pet ended with status $pet_status after Escape, not 0"
echo "ok: $case_name: the pet stood at y = $ground"
