// The record of the pet window: opening and closing it, its caption and its
// position, the same on every backend. The backend's driver does the rest.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core.h"
#include "platform.h"

WindowRecord PetWindow;

namespace {

uint64_t Pack(int32_t x, int32_t y) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
}

void SetOpenFailure(const char* reason) {
    std::snprintf(PetWindow.failure, sizeof PetWindow.failure, "%s", reason);
}

void CloseWindowLayer() {
    if (!PetWindow.open) return;
    PetWindow.open = false;
    // The program may end in the middle of a drawing operation.
    if (ScreenLock.held) {
        ScreenLock.count = 0;
        ScreenLock.held = false;
        Driver().Unlock();
    }
    Driver().Close();
    FreeFramebuffer();
}

}  // namespace

void WindowPlaced(int32_t x, int32_t y) {
    PetWindow.position = Pack(ToLogicalPosition(x), ToLogicalPosition(y));
}

void WindowPosition(int32_t& x, int32_t& y) {
    const uint64_t packed = PetWindow.position.load();
    x = static_cast<int32_t>(static_cast<uint32_t>(packed >> 32));
    y = static_cast<int32_t>(static_cast<uint32_t>(packed));
}

int32_t OpenPetWindow(int32_t width, int32_t height) {
    // One window per program: a second one would leave the first one's
    // thread running over freed buffers.
    if (PetWindow.open) {
        SetOpenFailure("it is open already");
        return 1;
    }
    PetWindow.failure[0] = '\0';
    // There is one row mark per framebuffer row.
    if (width <= 0 || height <= 0 || height > MaxRows || width > INT32_MAX / 4) {
        SetOpenFailure("its size was refused");
        return 1;
    }
    // The desktop's scale comes with its size.
    int32_t desktopWidth = 0, desktopHeight = 0;
    GetDesktopSize(desktopWidth, desktopHeight);
    if (DeviceLength(width) > INT32_MAX / 4) {
        SetOpenFailure("its size was refused");
        return 1;
    }
    PetWindow.width = width;
    PetWindow.height = height;
    if (!AllocateFramebuffer(width, height)) {
        SetOpenFailure("there is no memory for its pixels");
        PetWindow.width = PetWindow.height = 0;
        return 1;
    }

    // Centred on the primary screen, halves rounded down.
    const int32_t x = (desktopWidth - width) >> 1;
    const int32_t y = (desktopHeight - height) >> 1;
    PetWindow.position = Pack(x, y);

    if (const char* failure = Driver().Open(ToDevicePosition(x), ToDevicePosition(y))) {
        SetOpenFailure(failure);
        FreeFramebuffer();
        PetWindow.width = PetWindow.height = 0;
        PetWindow.position = 0;
        return 1;
    }
    PetWindow.open = true;

    static bool closingRegistered = false;
    if (!closingRegistered) {
        closingRegistered = true;
        std::atexit(CloseWindowLayer);
    }
    return 0;
}

void SetWindowTitle(const char* title) {
    std::memset(PetWindow.title, 0, sizeof PetWindow.title);
    if (title) {
        size_t n = 0;
        while (n < sizeof PetWindow.title - 1 && title[n]) ++n;
        std::memcpy(PetWindow.title, title, n);
    }
    if (!PetWindow.open) return;
    // The window thread takes the caption in its cycle, under the lock:
    // holding it here would make the two threads wait for each other.
    const bool letGo = ScreenLock.held;
    if (letGo) Driver().Unlock();
    Driver().SetTitle(PetWindow.title);
    if (letGo) Driver().Lock();
}

void GetWindowPosition(int32_t& x, int32_t& y) {
    if (!PetWindow.open) {
        x = 0;
        y = 0;
        return;
    }
    int32_t left = 0, top = 0;
    WindowPosition(left, top);
    x = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(left) & 0xFFFFu));
    y = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(top) & 0xFFFFu));
}

void SetWindowPosition(int32_t x, int32_t y) {
    if (!PetWindow.open) return;
    if (x == KeepCoordinate || y == KeepCoordinate) {
        int32_t left = 0, top = 0;
        WindowPosition(left, top);
        if (x == KeepCoordinate) x = left;
        if (y == KeepCoordinate) y = top;
    }
    Driver().Move(ToDevicePosition(x), ToDevicePosition(y));
}

void ResetWindowCore() {
    if (ScreenLock.held) Driver().Unlock();
    ScreenLock = ScreenLockState();
    FreeFramebuffer();
    PetWindow.open = false;
    PetWindow.width = PetWindow.height = 0;
    std::strcpy(PetWindow.title, "pomfy");
    PetWindow.failure[0] = '\0';
    PetWindow.position = 0;
    PetWindow.desktopKnown = false;
    PetWindow.desktopWidth = PetWindow.desktopHeight = 0;
    PetWindow.scale = 1;
    PetWindow.devicePositions = true;
    PetWindow.foreground = 0xFFFFFFFFu;
    PetWindow.background = 0xFF000000u;
    ResetKeysAndChance();
}
