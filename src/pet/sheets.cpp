// The sprite sheets: the palette, the building of a sheet from its indices,
// and the showing of one frame in the pet window.
#include "sheets.h"

#include <cstring>

#include "pet.h"

const uint32_t Palette[25] = {
    0x00000000u,  // no index 0
    MaskColour, 0xFF000000u, 0xFFD84870u, 0xFFF890C0u, 0xFFF070A0u, 0xFF601010u,
    0xFFB02038u, 0xFFF8A0D8u, 0xFFD04870u, 0xFFF088B8u, 0xFFF8F8F8u, 0xFFFFD6F7u,
    0xFFFFFFFFu, 0xFFF81880u, 0xFFB00028u, 0xFFD00050u, 0xFFF8D0F0u, 0xFFF8C8E8u,
    0xFF80F0F8u, 0xFF0098F8u, 0xFF00E8F8u, 0xFF0050F8u, 0xFFD64A73u, 0xFFF78CBDu,
};

Surface* CurrentSheet = nullptr;
Surface* StandardSheet = nullptr;
PetHooks Hooks;

uint32_t SheetColour(int32_t value) {
    if (value >= 1 && value <= 24) return Palette[value];
    return static_cast<uint32_t>(value);
}

const SheetData* FindSheet(const char* name) {
    if (!name) return nullptr;
    for (const SheetData& sheet : SpriteData)
        if (std::strcmp(sheet.name, name) == 0) return &sheet;
    return nullptr;
}

void FillSheet(Surface* sheet, const SheetData* data, bool mirrored) {
    if (!sheet || !data) return;
    const int64_t count = static_cast<int64_t>(data->frames) * SheetFrameSize * SheetFrameSize;
    const uint8_t* next = data->values;
    int64_t left = count;
    const int32_t width = sheet->width;
    for (int32_t y = 0; y < sheet->height; ++y) {
        for (int32_t i = 0; i < width; ++i) {
            if (left == 0) return;
            const int32_t x = mirrored ? width - 1 - i : i;
            SetPixel(sheet, static_cast<float>(x), static_cast<float>(y), SheetColour(*next++));
            --left;
        }
    }
}

// A new sheet of `frames` frames filled from the named sheet's data; null
// when the surface cannot be made (also when frames x 35 does not fit the
// width). A name that is not stored leaves the sheet transparent.
static Surface* BuildSheet(int32_t frames, const char* name, bool mirrored) {
    const int64_t width = static_cast<int64_t>(frames) * SheetFrameSize;
    if (width > INT32_MAX) return nullptr;
    // A count below 1 asks for no width at all, which the window refuses.
    Surface* sheet = CreateSurface(width < 0 ? 0 : static_cast<int32_t>(width), SheetFrameSize);
    if (!sheet) return nullptr;
    FillSheet(sheet, FindSheet(name), mirrored);
    return sheet;
}

void LoadSheet(int32_t frames, const char* name, bool mirrored) {
    CurrentSheet = BuildSheet(frames, name, mirrored);
    if (Hooks.sheet) Hooks.sheet(CurrentSheet, name, mirrored);
}

void BuildStandardSheet() {
    StandardSheet = BuildSheet(6, "standard", false);
    if (Hooks.sheet) Hooks.sheet(StandardSheet, "standard", false);
}

void ShowFrame(const Surface* sheet, int32_t k) {
    if (!sheet) return;
    // Corners (35k - 35, 0) and (35k, 35): the window clips the column and
    // the row past the frame. A frame number the sheet does not have shows
    // nothing (the copy would otherwise be clamped to a stray edge column).
    const int64_t right = static_cast<int64_t>(k) * SheetFrameSize;
    const int64_t left = right - SheetFrameSize;
    if (k >= 1 && right <= sheet->width)
        PutRect(0, 0, sheet, static_cast<int32_t>(left), 0, static_cast<int32_t>(right),
                SheetFrameSize);
    if (Hooks.frame) Hooks.frame(sheet, k);
}

void Show(int32_t k, int32_t ms) {
    ShowFrame(CurrentSheet, k);
    SleepMs(ms);
}

void FreeSheet(Surface*& sheet) {
    DestroySurface(sheet);
    sheet = nullptr;
}
