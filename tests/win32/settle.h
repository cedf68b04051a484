// For the Win32 tests and the probe: waits until the window thread has done
// everything asked of it so far, that is, until it has slept in its wait for
// 60 ms without waking (it does not wake while nothing changes). False when
// it never did within two seconds.
#pragma once

#include "win32_window.h"

inline bool Settle() {
    long seen = PetWindowWakeups();
    int quiet = 0;
    for (int i = 0; i < 400; ++i) {
        Sleep(5);
        const long now = PetWindowWakeups();
        if (now != seen || !PetWindowResting()) {
            seen = now;
            quiet = 0;
        } else if (++quiet >= 12) {
            return true;
        }
    }
    return false;
}
