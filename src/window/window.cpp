// The record of the pet window: opening and closing it, its caption and its
// position, the same on every backend. The backend does the rest through
// platform.h.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core.h"
#include "platform.h"

WindowRecord PetWindow;

namespace {

// The position last carried out, packed (x high, y low): the window thread
// writes it, the logic thread reads it.
std::atomic<uint64_t> Position{0};

uint64_t Pack(int32_t x, int32_t y) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) | static_cast<uint32_t>(y);
}

void SetOpenFailure(const char* reason) {
    std::snprintf(PetWindow.failure, sizeof PetWindow.failure, "%s", reason);
}

bool KnownDepth(int32_t depth) {
    switch (depth) {
        case 1: case 2: case 4: case 8: case 15: case 16: case 24: case 32:
            return true;
        default:
            return false;
    }
}

void CloseWindowLayer() {
    if (!PetWindow.open) return;
    PetWindow.open = false;
    // The program may end in the middle of a drawing operation.
    if (ScreenLock.held) {
        ScreenLock.count = 0;
        ScreenLock.held = false;
        UnlockForLogic();
    }
    const PlatformBackend& b = Backend();
    if (b.direct != nullptr)
        b.direct->CloseWindow();
    else
        StopWindowThread();
    FreeFramebuffer();
}

}  // namespace

void WindowPlaced(int32_t x, int32_t y) {
    Position = Pack(ToLogicalPosition(x), ToLogicalPosition(y));
}

void WindowPosition(int32_t& x, int32_t& y) {
    const uint64_t packed = Position.load();
    x = static_cast<int32_t>(static_cast<uint32_t>(packed >> 32));
    y = static_cast<int32_t>(static_cast<uint32_t>(packed));
}

int32_t OpenPetWindow(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                      int32_t refresh) {
    (void)refresh;
    // One window per program: a second one would leave the first one's
    // thread running over freed buffers.
    if (PetWindow.open) {
        SetOpenFailure("it is open already");
        return 1;
    }
    PetWindow.failure[0] = '\0';
    // There is one row mark per framebuffer row.
    if (width <= 0 || height <= 0 || !KnownDepth(depth) || height > MaxRows ||
        width > INT32_MAX / 4) {
        SetOpenFailure("its size or colour depth was refused");
        return 1;
    }
    // The desktop's scale comes with its size.
    int32_t desktopWidth = 0, desktopHeight = 0;
    GetDesktopSize(desktopWidth, desktopHeight);
    if (DeviceLength(width) > INT32_MAX / 4) {
        SetOpenFailure("its size or colour depth was refused");
        return 1;
    }
    if (pages < 1) pages = 1;
    (void)pages;  // one framebuffer whatever is asked for
    if (flags >= 0 && (flags & FlagShaped)) flags |= FlagNoSwitching | FlagNoFrame;
    if (!AllocateFramebuffer(width, height)) {
        SetOpenFailure("there is no memory for its pixels");
        return 1;
    }
    PetWindow.flags = flags;
    PetWindow.width = width;
    PetWindow.height = height;

    // Centred on the primary screen, halves rounded down.
    const int32_t x = (desktopWidth - width) >> 1;
    const int32_t y = (desktopHeight - height) >> 1;
    Position = Pack(x, y);

    const PlatformBackend& b = Backend();
    const char* failure = nullptr;
    if (b.direct != nullptr) {
        if (b.direct->OpenWindow(ToDevicePosition(x), ToDevicePosition(y), Scaling.deviceWidth,
                                 Scaling.deviceHeight) != 0)
            failure = "the desktop refused it";
    } else {
        failure = StartWindowThread(ToDevicePosition(x), ToDevicePosition(y));
    }
    if (failure != nullptr) {
        SetOpenFailure(failure);
        FreeFramebuffer();
        PetWindow.flags = PetWindow.width = PetWindow.height = 0;
        Position = 0;
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
    if (letGo) UnlockForLogic();
    const PlatformBackend& b = Backend();
    if (b.direct != nullptr)
        b.direct->SetTitle(PetWindow.title);
    else
        QueueWindowTitle(PetWindow.title);
    if (letGo) LockForLogic();
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
    if (!PetWindow.open || (PetWindow.flags & FlagFullScreen)) return;
    if (x == KeepCoordinate || y == KeepCoordinate) {
        int32_t left = 0, top = 0;
        WindowPosition(left, top);
        if (x == KeepCoordinate) x = left;
        if (y == KeepCoordinate) y = top;
    }
    const PlatformBackend& b = Backend();
    if (b.direct != nullptr) {
        b.direct->Move(ToDevicePosition(x), ToDevicePosition(y));
        Position = Pack(x, y);
    } else {
        QueueWindowMove(ToDevicePosition(x), ToDevicePosition(y));
    }
}

void ResetWindowCore() {
    if (ScreenLock.held) UnlockForLogic();
    ScreenLock = ScreenLockState();
    PetWindow = WindowRecord();
    Position = 0;
    FreeFramebuffer();
    ForegroundColour = 0xFFFFFFFFu;
    BackgroundColour = 0xFF000000u;
    ResetDesktopKnowledge();
    ResetKeysAndChance();
}
