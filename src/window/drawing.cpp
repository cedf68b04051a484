// Surfaces, the framebuffer and its row marks, the logic thread's side of
// the screen lock and the drawing operations. Everything here runs on the
// logic thread, except MarkAllRows and TakeMarkedBand, which the window
// thread calls holding the lock.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "core.h"
#include "platform.h"

Surface Framebuffer;
bool RowMarks[MaxRows];
uint32_t* ConvertedRows = nullptr;
ScreenLockState ScreenLock;
uint32_t ForegroundColour = 0xFFFFFFFFu;
uint32_t BackgroundColour = 0xFF000000u;

// True when the logic thread has marked rows since it last told the window
// thread about marks. Read and written under the lock only.
static bool UnannouncedMarks = false;

// Copies rows, chosen when the window opens.
static void (*BlockCopy)(void* to, const void* from, size_t bytes) = nullptr;

static void PlainBlockCopy(void* to, const void* from, size_t bytes) {
    std::memcpy(to, from, bytes);
}

bool AllocateFramebuffer(int32_t width, int32_t height) {
    // Every depth is kept as 4 bytes per pixel.
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const int32_t deviceWidth = DeviceLength(width), deviceHeight = DeviceLength(height);
    FreeFramebuffer();
    Framebuffer.pixels = static_cast<uint32_t*>(std::malloc(count * 4));
    ConvertedRows = static_cast<uint32_t*>(
        std::calloc(static_cast<size_t>(deviceWidth) * static_cast<size_t>(deviceHeight), 4));
    if (!Framebuffer.pixels || !ConvertedRows ||
        !PrepareEnlargement(width, height, deviceWidth, deviceHeight)) {
        FreeFramebuffer();
        return false;
    }
    Framebuffer.width = width;
    Framebuffer.height = height;
    Framebuffer.pitch = width * 4;
    for (size_t i = 0; i < count; ++i) Framebuffer.pixels[i] = 0xFF000000u;
    ForegroundColour = 0xFFFFFFFFu;
    BackgroundColour = 0xFF000000u;
    BlockCopy = PlainBlockCopy;
    return true;
}

void FreeFramebuffer() {
    std::free(Framebuffer.pixels);
    Framebuffer = Surface();
    std::free(ConvertedRows);
    ConvertedRows = nullptr;
    FreeEnlargement();
    for (bool& m : RowMarks) m = false;
    UnannouncedMarks = false;
}

void TakeScreenLock() {
    if (!ScreenLock.held) {
        LockForLogic();
        ScreenLock.held = true;
    }
    ++ScreenLock.count;
}

void ReleaseScreenLock() {
    // An unmatched release must not unlock a lock this thread does not hold.
    if (ScreenLock.count <= 0) return;
    if (--ScreenLock.count == 0) {
        const bool announce = UnannouncedMarks;
        UnannouncedMarks = false;
        ScreenLock.held = false;
        UnlockForLogic();
        if (announce) AnnounceMarkedRows();
    }
}

int32_t RoundCoordinate(float v) {
    // In double, v + 0.5 is exact for every float, so 0.49999997 stays below 1.
    const double d = v;
    if (d > 0 && d < 2147483647.5) return static_cast<int32_t>(d + 0.5);  // truncates
    if (d <= 0 && d > -2147483648.5) return static_cast<int32_t>(d - 0.5);
    if (d > 0) return INT32_MAX;
    return INT32_MIN;  // very negative, or NaN: outside every surface
}

static int32_t SurfacePitch(int32_t width) {
    const int64_t bytes = static_cast<int64_t>(width) * 4;
    const int64_t pitch = (bytes + 15) / 16 * 16;
    return pitch > INT32_MAX ? 0 : static_cast<int32_t>(pitch);
}

Surface* CreateSurface(int32_t width, int32_t height) {
    if (!PetWindow.open || width <= 0 || height <= 0) return nullptr;
    const int32_t pitch = SurfacePitch(width);
    if (pitch == 0) return nullptr;
    const uint64_t bytes = static_cast<uint64_t>(pitch) * static_cast<uint64_t>(height);
    if (bytes > static_cast<uint64_t>(PTRDIFF_MAX) / 2) return nullptr;

    Surface* s = new (std::nothrow) Surface;
    if (!s) return nullptr;
    s->pixels = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(bytes)));
    if (!s->pixels) {
        delete s;
        return nullptr;
    }
    s->width = width;
    s->height = height;
    s->pitch = pitch;
    // The padding at the end of each row is filled too: it is never shown.
    const size_t words = static_cast<size_t>(bytes / 4);
    for (size_t i = 0; i < words; ++i) s->pixels[i] = MaskColour;
    return s;
}

void DestroySurface(Surface* surface) {
    if (!surface || surface == &Framebuffer) return;
    std::free(surface->pixels);
    delete surface;
}

void SetPixel(Surface* surface, float x, float y, uint32_t colour) {
    if (!PetWindow.open || !surface || !surface->pixels) return;
    const int32_t px = RoundCoordinate(x);
    const int32_t py = RoundCoordinate(y);
    if (px < 0 || py < 0 || px >= surface->width || py >= surface->height) return;
    TakeScreenLock();
    PixelAt(*surface, px, py) = colour;
    if (surface == &Framebuffer) RowMarks[py] = UnannouncedMarks = true;
    ReleaseScreenLock();
}

static int32_t Clamp(int32_t v, int32_t low, int32_t high) {
    return v < low ? low : v > high ? high : v;
}

int32_t PutRect(float x, float y, const Surface* source, int32_t x1, int32_t y1, int32_t x2,
                int32_t y2) {
    if (!PetWindow.open || !source || !source->pixels || source->width <= 0 || source->height <= 0 ||
        !Framebuffer.pixels)
        return 1;
    int64_t dx = RoundCoordinate(x);
    int64_t dy = RoundCoordinate(y);

    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    x1 = Clamp(x1, 0, source->width - 1);
    x2 = Clamp(x2, 0, source->width - 1);
    y1 = Clamp(y1, 0, source->height - 1);
    y2 = Clamp(y2, 0, source->height - 1);
    int64_t sx = x1, sy = y1;
    int64_t w = static_cast<int64_t>(x2) - x1 + 1;
    int64_t h = static_cast<int64_t>(y2) - y1 + 1;

    const int64_t fw = Framebuffer.width, fh = Framebuffer.height;
    if (dx + w <= 0 || dx >= fw || dy + h <= 0 || dy >= fh) return 0;
    if (dx < 0) {
        sx -= dx;
        w += dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        h += dy;
        dy = 0;
    }
    if (dx + w > fw) w = fw - dx;
    if (dy + h > fh) h = fh - dy;

    const size_t rowBytes = static_cast<size_t>(w) * 4;
    TakeScreenLock();
    for (int64_t r = 0; r < h; ++r) {
        uint32_t* to = &PixelAt(Framebuffer, static_cast<int32_t>(dx), static_cast<int32_t>(dy + r));
        const uint32_t* from = &PixelAt(*source, static_cast<int32_t>(sx), static_cast<int32_t>(sy + r));
        if (source == &Framebuffer)
            std::memmove(to, from, rowBytes);  // may overlap
        else
            BlockCopy(to, from, rowBytes);
        RowMarks[dy + r] = true;
    }
    UnannouncedMarks = true;
    ReleaseScreenLock();
    return 0;
}

void SetColours(uint32_t foreground, uint32_t background) {
    ForegroundColour = foreground;
    BackgroundColour = background;
}

void ClearScreen() {
    if (!PetWindow.open || !Framebuffer.pixels) return;
    TakeScreenLock();
    for (int32_t y = 0; y < Framebuffer.height; ++y) {
        for (int32_t x = 0; x < Framebuffer.width; ++x) PixelAt(Framebuffer, x, y) = BackgroundColour;
        RowMarks[y] = true;
    }
    UnannouncedMarks = true;
    ReleaseScreenLock();
}

void MarkAllRows() {
    for (int32_t y = 0; y < Framebuffer.height && y < MaxRows; ++y) RowMarks[y] = true;
    RowsMarkedByWindow();
}

bool TakeMarkedBand(int32_t& first, int32_t& last) {
    const int32_t rows = Framebuffer.height < MaxRows ? Framebuffer.height : MaxRows;
    if (!Framebuffer.pixels || !ConvertedRows || rows <= 0) {
        for (bool& m : RowMarks) m = false;
        return false;
    }
    first = 0;
    while (first < rows && !RowMarks[first]) ++first;
    if (first == rows) return false;
    last = rows - 1;
    while (!RowMarks[last]) --last;

    for (int32_t y = first; y <= last; ++y) {
        if (!RowMarks[y]) continue;
        ConvertRow(y);
        RowMarks[y] = false;
    }
    first = FirstDeviceRow(first);
    last = FirstDeviceRow(last + 1) - 1;
    return true;
}
