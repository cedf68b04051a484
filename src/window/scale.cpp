// The desktop's scale: logical pixels, which the pet works in, against the
// device pixels of a scaled screen, and the converted rows enlarged to the
// window's device size. Each sprite pixel becomes a block of whole device
// pixels (nearest neighbour, no blending), so that the mask colour stays
// exact and the window's shape follows the sprite pixel for pixel.
#include <cstdlib>
#include <cstring>

#include "core.h"

namespace {

// Device column -> framebuffer column, when the window is enlarged (at
// scale 1, nullptr).
int32_t* SourceColumn = nullptr;
// The first device row of each framebuffer row; RowStart[height] is the
// window's device height.
int32_t RowStart[MaxRows + 1];

// The first device pixel of logical pixel i of a length that is device
// long: i * device / logical, halves rounded up.
int32_t BlockEdge(int64_t i, int64_t logical, int64_t device) {
    return static_cast<int32_t>((2 * i * device + logical) / (2 * logical));
}

// Halves away from zero, within the 32-bit range.
int32_t Round(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v < 0 ? v - 0.5 : v + 0.5);
}

bool Converting() {
    return PetWindow.devicePositions && PetWindow.scale != 1;
}

}  // namespace

int32_t DeviceLength(int32_t logical) {
    return Round(static_cast<double>(logical) * PetWindow.scale);
}

int32_t ToDevicePosition(int32_t logical) {
    return Converting() ? Round(static_cast<double>(logical) * PetWindow.scale) : logical;
}

int32_t ToLogicalPosition(int32_t device) {
    return Converting() ? Round(static_cast<double>(device) / PetWindow.scale) : device;
}

int32_t ToLogicalExtent(int32_t device) {
    return Converting() ? static_cast<int32_t>(static_cast<double>(device) / PetWindow.scale)
                        : device;
}

bool PrepareEnlargement(int32_t width, int32_t height) {
    FreeEnlargement();
    const int32_t deviceWidth = DeviceLength(width), deviceHeight = DeviceLength(height);
    for (int32_t y = 0; y <= height && y <= MaxRows; ++y)
        RowStart[y] = BlockEdge(y, height, deviceHeight);
    if (deviceWidth != width || deviceHeight != height) {
        SourceColumn = static_cast<int32_t*>(std::malloc(static_cast<size_t>(deviceWidth) * 4));
        if (SourceColumn == nullptr) return false;
        int32_t x = 0;
        for (int32_t X = 0; X < deviceWidth; ++X) {
            while (BlockEdge(x + 1, width, deviceWidth) <= X) ++x;
            SourceColumn[X] = x;
        }
    }
    PetWindow.deviceWidth = deviceWidth;
    PetWindow.deviceHeight = deviceHeight;
    return true;
}

void FreeEnlargement() {
    std::free(SourceColumn);
    SourceColumn = nullptr;
    PetWindow.deviceWidth = PetWindow.deviceHeight = 0;
}

int32_t FirstDeviceRow(int32_t y) {
    return RowStart[y];
}

void ConvertRow(int32_t y) {
    const uint32_t* from = &PixelAt(PetWindow.framebuffer, 0, y);
    const int32_t width = PetWindow.deviceWidth;
    uint32_t* const rows = PetWindow.convertedRows;
    uint32_t* to = rows + static_cast<size_t>(RowStart[y]) * static_cast<size_t>(width);
    const bool alpha = PetWindow.rowForm == RowForm::Alpha;
    if (SourceColumn == nullptr) {
        if (alpha) {
            MaskToAlpha(from, static_cast<size_t>(width), to);
        } else {
            for (int32_t x = 0; x < width; ++x) to[x] = from[x] & 0x00FFFFFFu;
        }
    } else if (alpha) {
        for (int32_t x = 0; x < width; ++x) MaskToAlpha(&from[SourceColumn[x]], 1, &to[x]);
    } else {
        for (int32_t x = 0; x < width; ++x) to[x] = from[SourceColumn[x]] & 0x00FFFFFFu;
    }
    // The block's other rows are copies of its first.
    const size_t bytes = static_cast<size_t>(width) * 4;
    for (int32_t r = RowStart[y] + 1; r < RowStart[y + 1]; ++r)
        std::memcpy(rows + static_cast<size_t>(r) * static_cast<size_t>(width), to, bytes);
}

void ToLogicalRuns(const std::vector<PixelRun>& device, std::vector<PixelRun>& logical) {
    logical.clear();
    if (SourceColumn == nullptr) {
        logical = device;
        return;
    }
    int32_t y = 0;
    for (const PixelRun& r : device) {
        while (RowStart[y + 1] <= r.y) ++y;
        if (r.y != RowStart[y]) continue;  // a copy of the block's first row
        const int32_t x = SourceColumn[r.x];
        logical.push_back(PixelRun{x, y, SourceColumn[r.x + r.width - 1] + 1 - x});
    }
}
