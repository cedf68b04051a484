// The opaque parts of the presented picture, and the picture with an alpha
// channel.
#include "core.h"
#include "neutral.h"

void OpaquePixelRuns(const uint32_t* pixels, int32_t width, int32_t height, bool alpha,
                     std::vector<PixelRun>& runs) {
    const auto shown = [alpha](uint32_t pixel) {
        return alpha ? (pixel >> 24) != 0 : (pixel & 0x00FFFFFFu) != 0x00FF00FFu;
    };
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
    OpaquePixelRuns(PetWindow.convertedRows, PetWindow.deviceWidth, PetWindow.deviceHeight,
                    PetWindow.rowForm == RowForm::Alpha, runs);
    if (PetWindow.shapeGiven && runs == PetWindow.shape) return nullptr;
    PetWindow.shape.swap(runs);
    PetWindow.shapeGiven = true;
    return &PetWindow.shape;
}
