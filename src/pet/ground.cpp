// Where the pet stands and how it says goodbye: the desktop's size, the
// window's corner as last read, the ground line above the taskbar and the
// Escape check that the walks make at every step.
#include <cstdint>

#include "pet.h"

int32_t DesktopWidth = 0;
int32_t DesktopHeight = 0;
int32_t PetX = 0;
int32_t PetY = 0;

int32_t GroundOffset() {
    // The bar is asked afresh every time, so that the pet follows a taskbar
    // that moves or changes height while it runs.
    const int32_t top = GetTaskbarTop();
    if (top > 0 && top < DesktopHeight) {
        // The window's lowest three rows overlap the bar.
        return DesktopHeight - top + 32;
    }
    // No bar along the bottom (or one at or below the desktop's bottom edge):
    // the pet stands near the top of the screen.
    return DesktopHeight - 3;
}

int32_t GroundY() {
    return DesktopHeight - GroundOffset();
}

void QuitCheck() {
    if (PollKey() != "\x1B") {
        return;
    }
    ShowFrame(StandardSheet, 1);  // the farewell frame
    SleepMs(2000);
    FreeSheet(StandardSheet);
    FreeSheet(CurrentSheet);
    EndProgram(0);
}
