#!/usr/bin/env bash
# The real pet against desktop clients that restart, lie or change under it
# (pomfy-xhostile, on a desktop without a window manager): where it stands
# is checked from outside after each change. Every check of a case runs, and
# the case fails at its end with the list of those that did not hold.
#
#   hostile.sh CASE PET PROBE HOSTILE      (starts a desktop of its own)
#
#   restart    a panel that restarts with its old window id, a strut whose
#              columns end at 0xffffffff, a window that becomes a dock after
#              it was mapped, the pet's window unmapped by another client
#   not-a-bar  reservations that are no bar (a strut of 760 rows, a work area
#              one row high, per-monitor work areas of 7,7,7,7), the work areas
#              of desktop 16, a desktop number nobody publishes work areas for
#   monitors   another monitor becomes primary while the pet runs; a primary
#              monitor wholly outside the root; one of 1 x 1
#   many-windows  4096 windows in _NET_CLIENT_LIST and the work area changing
#              50 times a second for 10 s: the pet's requests to the server stay
#              few (counted as its write calls, which a slow machine does not
#              raise: a lookup that asked per window would make thousands)
#   churn      windows made and destroyed 1000 times a second for 10 s (run
#              from the AddressSanitizer tree: no leak when a window vanishes
#              while the pet looks at it)
#   noise      a client rewrites a property of its own window flat out for
#              20 s: the pet's memory stays small (its peak and the X server's
#              are printed); then the same with the pet's address space
#              limited (ulimit -v): it goes on, or ends with one line and
#              status 1, and never hangs
#   root-listed  _NET_CLIENT_LIST names the root window: the pet still hears
#              new panels and its window being unmapped
#   screen     the pet's monitor (1024 x 768 on a root of 1280 x 1024) grows to
#              1280 x 1024 and shrinks to 800 x 600, the panel going to its new
#              bottom each time: the pet stands on it; then the monitor becomes
#              100 x 600 at an offset: the pet comes back into it
case_name=$1 PET=$2 PROBE=$3 HOSTILE=$4
if [ "${5:-}" != --on-desktop ]; then
    case "$case_name" in
        restart|not-a-bar|many-windows|churn|noise|root-listed) options=(--no-wm) ;;
        screen) options=(--no-wm); export DESKTOP_SIZE=1280x1024 ;;
        monitors) options=(--no-wm --monitors) ;;
        *) echo "hostile.sh: no case \"$case_name\"" >&2; exit 2 ;;
    esac
    exec "$(dirname "$0")/../e2e/desktop.sh" "${options[@]}" "$0" "$@" --on-desktop
fi
source "$(dirname "$0")/lib.sh"

coproc HOSTILE_IO { "$HOSTILE" 2>"$scratch/hostile.log"; }
own_pids+=("$HOSTILE_IO_PID")
# One command to the hostile client; returns once the server has it.
hostile() {
    local reply
    echo "$*" >&"${HOSTILE_IO[1]}"
    read -r -t 60 reply <&"${HOSTILE_IO[0]}" || fail "pomfy-xhostile did not answer \"$*\""
    [ "$reply" = ok ] || fail "pomfy-xhostile: $reply"
}

misses=()
miss() { echo "   missed: $*" >&2; misses+=("$*"); }
# The pet comes to stand at y = $1 (it moves often: hurry_pet runs).
expect_y() {
    "$PROBE" wait-y "$1" --timeout 20 >/dev/null || miss "$2 (the pet is not at y = $1)"
}
# The pet is started and found; its window id in $pet_window.
start_and_find() {
    start_pet "$PET"
    local found
    found=$("$PROBE" find --timeout 10) || fail "no pet window"
    set -- $found
    pet_window=$1 pet_x=$2 pet_y=$3
    hurry_pet 150
}
# Escape until the pet ends with status 0, or a miss ($1) after 30 s.
expect_escape_ends() {
    stop_hurry
    for _ in $(seq 15); do
        "$PROBE" keys 16 --key Escape --focus >/dev/null 2>&1
        for _ in $(seq 20); do kill -0 "$pet_pid" 2>/dev/null || break 2; sleep 0.1; done
    done
    if kill -0 "$pet_pid" 2>/dev/null; then
        miss "$1: Escape did not end the pet"
        kill "$pet_pid"
        wait "$pet_pid" 2>/dev/null
        return
    fi
    wait "$pet_pid"
    local status=$?
    [ "$status" -eq 0 ] || miss "$1: the pet ended with status $status after Escape"
}

case "$case_name" in
restart)
    hostile dock 1 0 738 500 30 30 0 4294967295
    start_and_find
    expect_y 706 "a strut whose columns end at 0xffffffff"

    step "the panel restarts with the same window id"
    hostile destroy 1
    expect_y 3 "the panel gone"
    hostile dock 1 0 738 500 30 30 0 1023
    expect_y 706 "the new panel"
    hostile strut 1 60 0 1023
    hostile move 1 0 708 500 60
    expect_y 676 "the new panel grown to 60 rows"

    step "a window becomes a dock after it was mapped"
    hostile destroy 1
    hostile plain 2 0 700 1024 68
    expect_y 3 "a plain window along the bottom"
    sleep 2
    hostile make-dock 2
    expect_y 668 "the window that became a dock"

    step "another client unmaps the pet's window"
    # Mapped again at its next move: the keys that hurry it cannot reach it
    # meanwhile, so that may be after a long pause.
    xdotool windowunmap "$pet_window"
    "$PROBE" find --timeout 60 >/dev/null || miss "the pet's window was not mapped again"
    expect_escape_ends "after its window was unmapped"
    ;;
not-a-bar)
    hostile wm
    hostile dock 1 0 8 1024 760 760
    start_and_find
    expect_y 3 "a strut of 760 rows"
    hostile destroy 1
    hostile root _NET_WORKAREA 0,0,1024,1
    sleep 2
    expect_y 3 "a work area one row high"
    hostile root _NET_WORKAREA 0,0,1024,768
    hostile root _GTK_WORKAREAS_D0 7,7,7,7
    sleep 2
    expect_y 3 "per-monitor work areas of 7,7,7,7"

    step "desktop 16"
    hostile root _NET_CURRENT_DESKTOP 16
    sleep 2
    hostile root _GTK_WORKAREAS_D16 0,0,1024,700
    expect_y 668 "the work areas of desktop 16"

    step "a desktop that nobody publishes work areas for"
    hostile root _NET_CURRENT_DESKTOP 1234567
    expect_y 3 "desktop 1234567"
    sleep 2
    [ -z "$(xlsatoms -name _GTK_WORKAREAS_D1234567 2>/dev/null)" ] ||
        miss "the pet made the atom _GTK_WORKAREAS_D1234567"
    expect_escape_ends "on a desktop with a window manager's check window"
    ;;
monitors)
    hostile dock 1 0 738 1024 30 30 0 1023
    start_and_find
    expect_y 706 "the panel of the primary monitor"
    step "the right monitor becomes primary"
    xrandr --delmonitor PomfyRight >/dev/null &&
        xrandr --setmonitor '*PomfyRight' 1024/270x768/203+1024+0 none >/dev/null ||
        fail "cannot make the right monitor primary"
    hostile strut 1 60 0 1023
    hostile move 1 0 708 1024 60
    expect_y 676 "the panel grown on the monitor the pet started on"
    expect_escape_ends "after the primary monitor changed"

    step "a primary monitor wholly outside the root"
    xrandr --setmonitor '*PomfyAway' 1000/265x700/185+5000+5000 none >/dev/null ||
        fail "cannot make a monitor outside the root"
    start_and_find
    { [ "$pet_x" -ge 0 ] && [ "$pet_x" -lt 2048 ] && [ "$pet_y" -ge 0 ] && [ "$pet_y" -lt 768 ]; } ||
        miss "the pet opened at $pet_x,$pet_y, outside the root"
    grep -q "outside the screen" "$scratch/pet.log" || miss "no line about the monitor outside the root"
    expect_escape_ends "with the primary monitor outside the root"

    step "a primary monitor of 1 x 1"
    xrandr --delmonitor PomfyAway >/dev/null
    xrandr --setmonitor '*PomfyDot' 1/1x1/1+0+0 none >/dev/null || fail "cannot make a 1 x 1 monitor"
    start_and_find
    sleep 10  # time for a walk to begin
    expect_escape_ends "on a desktop 1 px wide"
    ;;
many-windows)
    hostile clients 4096
    start_and_find
    sleep 3
    writes() { awk '/^syscw:/ {print $2}' "/proc/$pet_pid/io"; }
    before=$(writes)
    hostile flood _NET_WORKAREA 50 10
    made=$(( $(writes) - before ))
    echo "   the pet made $made write calls in 10 s"
    [ "$made" -lt 20000 ] || miss "the pet made $made write calls in 10 s of changes"
    expect_escape_ends "with 4096 windows"
    ;;
churn)
    start_and_find
    hostile churn 1000 10
    expect_escape_ends "after 10 000 windows came and went"
    grep -q LeakSanitizer "$scratch/pet.log" && miss "leaks: $(grep SUMMARY "$scratch/pet.log")"
    ;;
noise)
    # This desktop's X server: a child of tests/e2e/desktop.sh, as we are.
    server=$(pgrep -x Xvfb -P "$PPID" | head -n1)
    [ -n "$server" ] || fail "no X server found"
    kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }
    figures() { echo "   $1: pet $(kb "$pet_pid" "$2") kB, X server $(kb "$server" "$2") kB"; }
    start_and_find
    sleep 3
    figures "before (resident)" VmRSS
    limit=$(( $(kb "$pet_pid" VmSize) + 32768 ))  # room to grow by 32 MB
    hostile noise 20
    figures "peak (during)" VmHWM
    sleep 5
    figures "after (resident)" VmRSS
    peak=$(kb "$pet_pid" VmHWM)
    [ "$peak" -lt 65536 ] || miss "the pet grew to $peak kB during the flood"
    expect_escape_ends "after the flood"

    step "the flood again, under ulimit -v $limit"
    start_pet bash -c 'ulimit -v "$1" && exec "$2"' limited "$limit" "$PET"
    "$PROBE" find --timeout 10 >/dev/null || fail "no pet window under ulimit -v $limit"
    hurry_pet 150
    hostile noise 20
    if kill -0 "$pet_pid" 2>/dev/null; then
        expect_escape_ends "under ulimit -v after the flood"
    else
        wait "$pet_pid"
        status=$?
        [ "$status" -eq 1 ] && [ "$(wc -l <"$scratch/pet.log")" -eq 1 ] ||
            miss "under ulimit -v the pet ended with status $status and $(wc -l <"$scratch/pet.log") lines"
    fi
    ;;
root-listed)
    hostile plain 3 0 0 10 10
    hostile list-root
    start_and_find
    sleep 3  # its first looks at the desktop, the root among the clients
    hostile dock 1 0 738 1024 30 30 0 1023
    expect_y 706 "a panel that came after the root was listed"
    xdotool windowunmap "$pet_window"
    "$PROBE" find --timeout 60 >/dev/null || miss "the pet's window was not mapped again"
    expect_escape_ends "with the root among the clients"
    ;;
screen)
    # Xvfb keeps its root's size (xrandr --fb refuses), so the monitor the
    # pet lives on changes instead: RandR says the same either way.
    monitor() {
        xrandr --delmonitor PomfyScreen >/dev/null 2>&1
        xrandr --setmonitor '*PomfyScreen' "$1" none >/dev/null || fail "cannot make the monitor $1"
    }
    monitor 1024/270x768/203+0+0
    hostile dock 1 0 738 1024 30 286 0 1023  # struts count from the root's bottom
    start_and_find
    expect_y 706 "the panel at the bottom of 1024 x 768"

    step "the screen grows to 1280 x 1024, the panel to its new bottom"
    monitor 1280/339x1024/271+0+0
    hostile strut 1 30 0 1279
    hostile move 1 0 994 1280 30
    expect_y 962 "the panel at the bottom of 1280 x 1024"

    step "the screen shrinks to 800 x 600"
    monitor 800/211x600/158+0+0
    hostile strut 1 454 0 799
    hostile move 1 0 570 800 30
    expect_y 538 "the panel at the bottom of 800 x 600"

    step "a monitor of 100 x 600 at 600,400"
    monitor 100/26x600/158+600+400
    hostile strut 1 54 600 699
    hostile move 1 600 970 100 30
    expect_y 938 "the panel at the bottom of the monitor at an offset"
    # Wherever its walks take it, the window overlaps the monitor.
    "$PROBE" moves --timeout 30 -- sleep 15 >"$scratch/moves.log"
    away=$(awk 'NF == 3 && ($2 <= 565 || $2 >= 700 || $3 <= 365 || $3 >= 1000)' "$scratch/moves.log" | wc -l)
    [ "$away" -eq 0 ] || miss "$away of the pet's moves left the monitor: $(head -n 3 "$scratch/moves.log")"
    expect_escape_ends "after the screen changed"
    ;;
esac

[ ${#misses[@]} -eq 0 ] || fail "$case_name: ${#misses[@]} checks did not hold: $(printf '%s; ' "${misses[@]}")"
echo "ok: $case_name"
