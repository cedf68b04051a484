# Watching the real pomfy.exe under Wine on the test desktop from outside,
# with the host's X checker: shared by tests/win32/e2e_pomfy.sh (the program
# as built) and tests/product/zip-run.sh (the program as unpacked from the
# .zip). Source it after setting XCHECK; it brings checks.sh along.
#
#   pet_start CMD...       starts the program in the background ($pet)
#   pet_find               waits for its window: $id $x $y $w $h (or fails)
#   pet_wait_ground Y MS   waits until the window stands at y = Y; 0 if so
#   pet_escape             activates the window and types Escape until the
#                          program ends; checks that it ends with status 0
#
# On exit a program still running is killed, and pet_exit_hook runs if the
# caller defines it.
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

# The ground line of the test desktop under Wine (1024x768): Wine's taskbar
# top edge is 767, so the window stands at y = 735.
PET_GROUND=735

pet=
pet_exit() {
    [ -n "$pet" ] && kill "$pet" 2>/dev/null
    declare -F pet_exit_hook >/dev/null && pet_exit_hook
}
trap pet_exit EXIT

pet_start() {
    "$@" &
    pet=$!
}

pet_find() {
    local found
    found=$("$XCHECK" find Pomfy 20000) || return 1
    read -r id x y w h <<<"$found"
}

pet_wait_ground() {
    local ground=$1 deadline found
    deadline=$(($(now) + $2))
    while [ "$(now)" -lt "$deadline" ]; do
        found=$("$XCHECK" find Pomfy 1000) && read -r id x y w h <<<"$found"
        [ "$y" = "$ground" ] && return 0
        sleep 0.1
    done
    return 1
}

# Escape, typed into the pet's window, ends the program at the end of the
# current step or act. A key cuts one long pause short, so during a nap
# it may take a second Escape. The window is activated first: openbox gives
# the keyboard to a window without a taskbar entry only when the user asks
# (e2e_keyboard.sh types Escape with no activation, under marco).
pet_escape() {
    local ended=0 status
    for _ in 1 2 3; do
        xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus "$id" 2>/dev/null
        sleep 0.2
        xdotool key Escape
        wait_ended "$pet" 150 && { ended=1; break; }
    done
    if [ "$ended" = 1 ]; then
        pet=
        [ "$status" = 0 ] && pass "Escape ends it with status 0" || fail "ended with status $status"
    else
        fail "still running after Escape"
    fi
}
