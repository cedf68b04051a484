// The desktop's scale: logical pixels, which the pet works in, against the
// device pixels of a scaled screen, and the presented rows enlarged to the
// window's device size. Each sprite pixel becomes a block of whole device
// pixels (nearest neighbour, no blending), so the mask colour stays exact
// and the window's shape follows the sprite pixel for pixel.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core.h"

DeviceScale Scaling;

namespace {

// Device column -> framebuffer column, for the window's device width.
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

}  // namespace

int32_t DeviceLength(int32_t logical) {
    return Round(static_cast<double>(logical) * Scaling.factor);
}

int32_t ToDevicePosition(int32_t logical) {
    if (!Scaling.devicePositions || Scaling.factor == 1) return logical;
    return Round(static_cast<double>(logical) * Scaling.factor);
}

int32_t ToLogicalPosition(int32_t device) {
    if (!Scaling.devicePositions || Scaling.factor == 1) return device;
    return Round(static_cast<double>(device) / Scaling.factor);
}

int32_t ToLogicalExtent(int32_t device) {
    if (!Scaling.devicePositions || Scaling.factor == 1) return device;
    return static_cast<int32_t>(static_cast<double>(device) / Scaling.factor);
}

bool PrepareEnlargement(int32_t width, int32_t height, int32_t deviceWidth, int32_t deviceHeight) {
    FreeEnlargement();
    Scaling.deviceWidth = deviceWidth;
    Scaling.deviceHeight = deviceHeight;
    for (int32_t y = 0; y <= height && y <= MaxRows; ++y)
        RowStart[y] = BlockEdge(y, height, deviceHeight);
    if (deviceWidth == width) return true;
    SourceColumn = static_cast<int32_t*>(std::malloc(static_cast<size_t>(deviceWidth) * 4));
    if (SourceColumn == nullptr) return false;
    int32_t x = 0;
    for (int32_t X = 0; X < deviceWidth; ++X) {
        while (BlockEdge(x + 1, width, deviceWidth) <= X) ++x;
        SourceColumn[X] = x;
    }
    return true;
}

void FreeEnlargement() {
    std::free(SourceColumn);
    SourceColumn = nullptr;
    Scaling.deviceWidth = Scaling.deviceHeight = 0;
}

int32_t FirstDeviceRow(int32_t y) {
    return RowStart[y];
}

void ConvertRow(int32_t y) {
    const uint32_t* from = &PixelAt(Framebuffer, 0, y);
    const int32_t width = Scaling.deviceWidth;
    uint32_t* to = ConvertedRows + static_cast<size_t>(RowStart[y]) * static_cast<size_t>(width);
    if (SourceColumn == nullptr) {
        for (int32_t x = 0; x < width; ++x) to[x] = from[x] & 0x00FFFFFFu;
    } else {
        for (int32_t x = 0; x < width; ++x) to[x] = from[SourceColumn[x]] & 0x00FFFFFFu;
    }
    // The block's other rows are copies of its first.
    const size_t bytes = static_cast<size_t>(width) * 4;
    for (int32_t r = RowStart[y] + 1; r < RowStart[y + 1]; ++r)
        std::memcpy(ConvertedRows + static_cast<size_t>(r) * static_cast<size_t>(width), to, bytes);
}

void OpaqueLogicalRuns(std::vector<PixelRun>& runs) {
    const int32_t width = Framebuffer.width, height = Framebuffer.height;
    if (SourceColumn == nullptr && Scaling.deviceHeight == height) {
        OpaquePixelRuns(ConvertedRows, width, height, runs);
        return;
    }
    // The first device pixel of each block stands for its sprite pixel.
    static std::vector<uint32_t> picture;
    picture.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row =
            ConvertedRows + static_cast<size_t>(RowStart[y]) * static_cast<size_t>(Scaling.deviceWidth);
        for (int32_t x = 0; x < width; ++x)
            picture[static_cast<size_t>(y) * width + x] = row[BlockEdge(x, width, Scaling.deviceWidth)];
    }
    OpaquePixelRuns(picture.data(), width, height, runs);
}
