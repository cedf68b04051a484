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

ScreenLockState ScreenLock;

bool AllocateFramebuffer(int32_t width, int32_t height) {
    // Every depth is kept as 4 bytes per pixel.
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    FreeFramebuffer();
    Surface& f = PetWindow.framebuffer;
    f.pixels = static_cast<uint32_t*>(std::malloc(count * 4));
    if (!f.pixels || !PrepareEnlargement(width, height)) {
        FreeFramebuffer();
        return false;
    }
    PetWindow.convertedRows = static_cast<uint32_t*>(std::malloc(
        static_cast<size_t>(PetWindow.deviceWidth) * static_cast<size_t>(PetWindow.deviceHeight) * 4));
    if (!PetWindow.convertedRows) {
        FreeFramebuffer();
        return false;
    }
    f.width = width;
    f.height = height;
    f.pitch = width * 4;
    for (size_t i = 0; i < count; ++i) f.pixels[i] = 0xFF000000u;
    PetWindow.foreground = 0xFFFFFFFFu;
    PetWindow.background = 0xFF000000u;
    ShowRowsAs(RowForm::Opaque);
    return true;
}

void FreeFramebuffer() {
    std::free(PetWindow.framebuffer.pixels);
    PetWindow.framebuffer = Surface();
    std::free(PetWindow.convertedRows);
    PetWindow.convertedRows = nullptr;
    FreeEnlargement();
    for (bool& m : PetWindow.rowMarks) m = false;
    PetWindow.unannouncedMarks = false;
    PetWindow.rowForm = RowForm::Opaque;
    PetWindow.shape.clear();
    PetWindow.shapeGiven = false;
}

void TakeScreenLock() {
    if (!ScreenLock.held) {
        Driver().Lock();
        ScreenLock.held = true;
    }
    ++ScreenLock.count;
}

void ReleaseScreenLock() {
    // An unmatched release must not unlock a lock this thread does not hold.
    if (ScreenLock.count <= 0) return;
    if (--ScreenLock.count == 0) {
        const bool announce = PetWindow.unannouncedMarks;
        PetWindow.unannouncedMarks = false;
        ScreenLock.held = false;
        Driver().Unlock();
        if (announce) Driver().RowsMarked();
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
    if (!surface || surface == &PetWindow.framebuffer) return;
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
    if (surface == &PetWindow.framebuffer) PetWindow.rowMarks[py] = PetWindow.unannouncedMarks = true;
    ReleaseScreenLock();
}

static int32_t Clamp(int32_t v, int32_t low, int32_t high) {
    return v < low ? low : v > high ? high : v;
}

int32_t PutRect(float x, float y, const Surface* source, int32_t x1, int32_t y1, int32_t x2,
                int32_t y2) {
    const Surface& framebuffer = PetWindow.framebuffer;
    if (!PetWindow.open || !source || !source->pixels || source->width <= 0 || source->height <= 0 ||
        !framebuffer.pixels)
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

    const int64_t fw = framebuffer.width, fh = framebuffer.height;
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
        uint32_t* to = &PixelAt(framebuffer, static_cast<int32_t>(dx), static_cast<int32_t>(dy + r));
        const uint32_t* from = &PixelAt(*source, static_cast<int32_t>(sx), static_cast<int32_t>(sy + r));
        std::memmove(to, from, rowBytes);  // the framebuffer onto itself may overlap
        PetWindow.rowMarks[dy + r] = true;
    }
    PetWindow.unannouncedMarks = true;
    ReleaseScreenLock();
    return 0;
}

void SetColours(uint32_t foreground, uint32_t background) {
    PetWindow.foreground = foreground;
    PetWindow.background = background;
}

void ClearScreen() {
    const Surface& framebuffer = PetWindow.framebuffer;
    if (!PetWindow.open || !framebuffer.pixels) return;
    TakeScreenLock();
    for (int32_t y = 0; y < framebuffer.height; ++y) {
        for (int32_t x = 0; x < framebuffer.width; ++x)
            PixelAt(framebuffer, x, y) = PetWindow.background;
        PetWindow.rowMarks[y] = true;
    }
    PetWindow.unannouncedMarks = true;
    ReleaseScreenLock();
}

void MarkAllRows() {
    for (int32_t y = 0; y < PetWindow.framebuffer.height && y < MaxRows; ++y)
        PetWindow.rowMarks[y] = true;
    RowsMarkedByWindow();
}

void FocusChanged() {
    // Some desktops draw a window that gains or loses the keyboard afresh.
    MarkAllRows();
}

void ShowRowsAs(RowForm form) {
    PetWindow.rowForm = form;
    if (PetWindow.framebuffer.pixels == nullptr) return;
    for (int32_t y = 0; y < PetWindow.framebuffer.height; ++y) ConvertRow(y);
}

bool TakeMarkedBand(int32_t& first, int32_t& last) {
    const Surface& framebuffer = PetWindow.framebuffer;
    bool* const marks = PetWindow.rowMarks;
    const int32_t rows = framebuffer.height < MaxRows ? framebuffer.height : MaxRows;
    if (!framebuffer.pixels || !PetWindow.convertedRows || rows <= 0) {
        for (int32_t y = 0; y < MaxRows; ++y) marks[y] = false;
        return false;
    }
    first = 0;
    while (first < rows && !marks[first]) ++first;
    if (first == rows) return false;
    last = rows - 1;
    while (!marks[last]) --last;

    for (int32_t y = first; y <= last; ++y) {
        if (!marks[y]) continue;
        ConvertRow(y);
        marks[y] = false;
    }
    first = FirstDeviceRow(first);
    last = FirstDeviceRow(last + 1) - 1;
    return true;
}
