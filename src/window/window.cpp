// Opening and closing the pet window, its caption and position, and the
// desktop queries: the platform-neutral half. The backend linked into the
// program does the rest through platform.h.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core.h"
#include "platform.h"

// The program's file name without directory and extension, until the pet
// sets its own caption.
static const char DefaultTitle[] = "pomfy";

char TitleBuffer[128] = "pomfy";
bool WindowOpen = false;
int32_t WindowFlags = 0;
char OpenFailure[128] = "";

static void SetOpenFailure(const char* reason) {
    std::snprintf(OpenFailure, sizeof OpenFailure, "%s", reason);
}

// From drawing.cpp and keys.cpp.
extern void (*BlockCopy)(void* to, const void* from, size_t bytes);
void ResetKeysAndChance();

static void PlainBlockCopy(void* to, const void* from, size_t bytes) {
    std::memcpy(to, from, bytes);
}

static bool KnownDepth(int32_t depth) {
    switch (depth) {
        case 1: case 2: case 4: case 8: case 15: case 16: case 24: case 32:
            return true;
        default:
            return false;
    }
}

static void FreeFramebuffer() {
    std::free(Framebuffer.pixels);
    Framebuffer = Surface();
    std::free(ConvertedRows);
    ConvertedRows = nullptr;
    for (bool& m : RowMarks) m = false;
}

static void CloseWindowLayer() {
    if (!WindowOpen) return;
    WindowOpen = false;
    // The program may end in the middle of a drawing operation.
    if (ScreenLock.held) {
        ScreenLock.count = 0;
        ScreenLock.held = false;
        PlatformUnlock();
    }
    PlatformCloseWindow();
    FreeFramebuffer();
}

int32_t OpenPetWindow(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                      int32_t refresh) {
    (void)refresh;
    // One window per program: a second one would leave the first one's
    // thread running over freed buffers.
    if (WindowOpen) {
        SetOpenFailure("it is open already");
        return 1;
    }
    OpenFailure[0] = '\0';
    // There is one row mark per framebuffer row.
    if (width <= 0 || height <= 0 || !KnownDepth(depth) || height > MaxRows ||
        width > INT32_MAX / 4) {
        SetOpenFailure("its size or colour depth was refused");
        return 1;
    }
    if (pages < 1) pages = 1;
    (void)pages;  // one framebuffer whatever is asked for
    if (flags >= 0 && (flags & FlagShaped)) flags |= FlagNoSwitching | FlagNoFrame;

    // Every depth is kept as 4 bytes per pixel.
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    FreeFramebuffer();
    Framebuffer.pixels = static_cast<uint32_t*>(std::malloc(count * 4));
    ConvertedRows = static_cast<uint32_t*>(std::calloc(count, 4));
    if (!Framebuffer.pixels || !ConvertedRows) {
        FreeFramebuffer();
        SetOpenFailure("there is no memory for its pixels");
        return 1;
    }
    Framebuffer.width = width;
    Framebuffer.height = height;
    Framebuffer.pitch = width * 4;
    for (size_t i = 0; i < count; ++i) Framebuffer.pixels[i] = 0xFF000000u;
    ForegroundColour = 0xFFFFFFFFu;
    BackgroundColour = 0xFF000000u;
    BlockCopy = PlainBlockCopy;
    WindowFlags = flags;

    const int32_t status = PlatformOpenWindow(width, height, flags);
    if (status != 0) {
        FreeFramebuffer();
        WindowFlags = 0;
        if (OpenFailure[0] == '\0') SetOpenFailure("the desktop refused it");
        return status;
    }
    WindowOpen = true;

    static bool closingRegistered = false;
    if (!closingRegistered) {
        closingRegistered = true;
        std::atexit(CloseWindowLayer);
    }
    return 0;
}

void SetWindowTitle(const char* title) {
    std::memset(TitleBuffer, 0, sizeof TitleBuffer);
    if (title) {
        size_t n = 0;
        while (n < sizeof TitleBuffer - 1 && title[n]) ++n;
        std::memcpy(TitleBuffer, title, n);
    }
    if (!WindowOpen) return;
    // The window thread takes the caption in its message step, under the
    // lock: holding it here would make the two threads wait for each other.
    const bool letGo = ScreenLock.held;
    if (letGo) PlatformUnlock();
    PlatformSetTitle(TitleBuffer);
    if (letGo) PlatformLock();
}

void GetWindowPosition(int32_t& x, int32_t& y) {
    if (!WindowOpen) {
        x = 0;
        y = 0;
        return;
    }
    int32_t left = 0, top = 0;
    PlatformGetWindowPosition(left, top);
    x = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(left) & 0xFFFFu));
    y = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(top) & 0xFFFFu));
}

void SetWindowPosition(int32_t x, int32_t y) {
    if (!WindowOpen || (WindowFlags & FlagFullScreen)) return;
    if (x == KeepCoordinate || y == KeepCoordinate) {
        int32_t left = 0, top = 0;
        PlatformGetWindowPosition(left, top);
        if (x == KeepCoordinate) x = left;
        if (y == KeepCoordinate) y = top;
    }
    PlatformQueueMove(x, y);
}

void GetDesktopSize(int32_t& width, int32_t& height) {
    PlatformGetDesktopSize(width, height);
}

int32_t GetTaskbarTop() {
    return PlatformTaskbarTop();
}

void RemoveFromTaskbar(const char* title) {
    PlatformRemoveFromTaskbar(title ? title : "");
}

void EndProgram(int32_t code) {
    PlatformExit(code);
}

void ResetWindowCore() {
    if (ScreenLock.held) PlatformUnlock();
    ScreenLock = ScreenLockState();
    WindowOpen = false;
    WindowFlags = 0;
    OpenFailure[0] = '\0';
    FreeFramebuffer();
    ForegroundColour = 0xFFFFFFFFu;
    BackgroundColour = 0xFF000000u;
    std::memset(TitleBuffer, 0, sizeof TitleBuffer);
    std::memcpy(TitleBuffer, DefaultTitle, sizeof DefaultTitle);
    BlockCopy = PlainBlockCopy;
    ResetKeysAndChance();
}
