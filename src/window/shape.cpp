// The opaque parts of the presented picture, and the picture with an alpha
// channel.
#include "core.h"
#include "neutral.h"

namespace {

// The runs of pixels for which shown is true, row by row.
template <typename Shown>
void ShownRuns(const uint32_t* pixels, int32_t width, int32_t height, Shown shown,
               std::vector<PixelRun>& runs) {
    runs.clear();
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<intptr_t>(y) * width;
        int32_t x = 0;
        while (x < width) {
            while (x < width && !shown(row[x])) ++x;
            const int32_t start = x;
            while (x < width && shown(row[x])) ++x;
            if (x > start) runs.push_back(PixelRun{start, y, x - start});
        }
    }
}

bool NotMask(uint32_t pixel) {
    return (pixel & 0x00FFFFFFu) != 0x00FF00FFu;
}

bool NotClear(uint32_t pixel) {
    return (pixel >> 24) != 0;
}

}  // namespace

void OpaquePixelRuns(const uint32_t* pixels, int32_t width, int32_t height,
                     std::vector<PixelRun>& runs) {
    ShownRuns(pixels, width, height, NotMask, runs);
}

void MaskToAlpha(const uint32_t* rows, size_t count, uint32_t* out) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t rgb = rows[i] & 0xFFFFFFu;
        out[i] = rgb == 0xFF00FFu ? 0u : 0xFF000000u | rgb;
    }
}

const std::vector<PixelRun>* ShapeChange() {
    // Scratch kept between calls: a shape is worked out after every
    // presentation.
    static std::vector<PixelRun> runs;
    ShownRuns(PetWindow.convertedRows, PetWindow.deviceWidth, PetWindow.deviceHeight,
              PetWindow.rowForm == RowForm::Alpha ? NotClear : NotMask, runs);
    if (PetWindow.shapeGiven && runs == PetWindow.shape) return nullptr;
    PetWindow.shape.swap(runs);
    PetWindow.shapeGiven = true;
    return &PetWindow.shape;
}
