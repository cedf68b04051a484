// Building sheets from the sprite data and showing their frames, on the
// headless window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core.h"
#include "legend_table.h"
#include "pet.h"
#include "sheets.h"
#include "sim.h"

namespace {

constexpr int S = SheetFrameSize;

struct SheetTest : ::testing::Test {
    void SetUp() override {
        SimReset();
        ASSERT_EQ(OpenPetWindow(35, 35), 0);
        CurrentSheet = nullptr;
        StandardSheet = nullptr;
        Hooks = PetHooks();
    }
    void TearDown() override {
        FreeSheet(CurrentSheet);
        FreeSheet(StandardSheet);
        Hooks = PetHooks();
        SimReset();
    }
};

const SheetData& StoredSheet(const char* name) {
    const SheetData* s = FindSheet(name);
    if (!s) {
        ADD_FAILURE() << "no sheet " << name;
        return SpriteData[0];
    }
    return *s;
}

int StoredValue(const SheetData& s, int x, int y) {
    return s.values[static_cast<size_t>(y) * s.frames * S + x];
}

void FillFramebuffer(uint32_t colour) {
    for (int y = 0; y < PetWindow.framebuffer.height; ++y)
        for (int x = 0; x < PetWindow.framebuffer.width; ++x) PixelAt(PetWindow.framebuffer, x, y) = colour;
    for (bool& m : PetWindow.rowMarks) m = false;
}

// A sheet whose every column has its own colour (values outside the
// palette are colours themselves), so that a copy one column off shows.
struct StripedData {
    std::vector<uint8_t> values;
    SheetData data;
    explicit StripedData(int frames) {
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < frames * S; ++x) values.push_back(static_cast<uint8_t>(25 + x + y % 2));
        data = {"striped", frames, values.data()};
    }
};

TEST_F(SheetTest, LoadedSheetHoldsThePaletteColoursOfTheStoredValues) {
    LoadSheet(4, "happyjump", false);
    ASSERT_NE(CurrentSheet, nullptr);
    ASSERT_EQ(CurrentSheet->width, 140);
    ASSERT_EQ(CurrentSheet->height, 35);
    const SheetData& s = StoredSheet("happyjump");
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < 140; ++x)
            ASSERT_EQ(PixelAt(*CurrentSheet, x, y), Palette[StoredValue(s, x, y)]) << x << ", " << y;
}

TEST_F(SheetTest, MirroredSheetIsTheWholeStripFlipped) {
    LoadSheet(4, "happyjump", true);
    ASSERT_NE(CurrentSheet, nullptr);
    ASSERT_EQ(CurrentSheet->width, 140);
    const SheetData& s = StoredSheet("happyjump");
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < 140; ++x)
            ASSERT_EQ(PixelAt(*CurrentSheet, x, y), Palette[StoredValue(s, 139 - x, y)]) << x << ", " << y;
    // so frame 1 as loaded is stored frame 4 seen in a mirror
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            ASSERT_EQ(PixelAt(*CurrentSheet, x, y), Palette[StoredValue(s, 3 * S + (S - 1 - x), y)]);
}

TEST_F(SheetTest, ValuesOutsideThePaletteAreColoursThemselves) {
    EXPECT_EQ(SheetColour(1), 0xFFFF00FFu);
    EXPECT_EQ(SheetColour(13), 0xFFFFFFFFu);
    EXPECT_EQ(SheetColour(0), 0x00000000u);
    EXPECT_EQ(SheetColour(25), 0x00000019u);
    EXPECT_EQ(SheetColour(24), 0xFFF78CBDu);
    EXPECT_EQ(SheetColour(-1), 0xFFFFFFFFu);

    // the same through a whole build
    std::vector<uint8_t> values(S * S, 1);
    values[0] = 0;
    values[1] = 13;
    values[2] = 25;
    const SheetData data{"test", 1, values.data()};
    Surface* sheet = CreateSurface(S, S);
    ASSERT_NE(sheet, nullptr);
    FillSheet(sheet, &data, false);
    EXPECT_EQ(PixelAt(*sheet, 0, 0), 0x00000000u);
    EXPECT_EQ(PixelAt(*sheet, 1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(*sheet, 2, 0), 0x00000019u);
    EXPECT_EQ(PixelAt(*sheet, 3, 0), 0xFFFF00FFu);
    DestroySurface(sheet);
}

// legend.txt tells people who edit the maps which colour a character is.
TEST_F(SheetTest, PaletteMatchesTheLegendOfTheMaps) {
    bool seen[25] = {};
    for (const LegendEntry& e : LegendTable) {
        ASSERT_GE(e.index, 1);
        ASSERT_LE(e.index, 24);
        EXPECT_FALSE(seen[e.index]) << "index " << e.index << " listed twice";
        seen[e.index] = true;
        EXPECT_EQ(Palette[e.index], 0xFF000000u | e.rgb) << "'" << e.ch << "' index " << e.index;
    }
    for (int i = 1; i <= 24; ++i) EXPECT_TRUE(seen[i]) << "index " << i << " has no character";
    EXPECT_EQ(Palette[1], MaskColour);
}

TEST_F(SheetTest, ShowFrameReplacesTheWholeWindowWithOneFrame) {
    StripedData striped(4);
    Surface* sheet = CreateSurface(4 * S, S);
    ASSERT_NE(sheet, nullptr);
    FillSheet(sheet, &striped.data, false);
    for (int k : {1, 4}) {
        FillFramebuffer(0x12345678u);
        ShowFrame(sheet, k);
        for (int y = 0; y < S; ++y) {
            EXPECT_TRUE(PetWindow.rowMarks[y]) << "row " << y;
            for (int x = 0; x < S; ++x)
                ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), PixelAt(*sheet, S * (k - 1) + x, y))
                    << "frame " << k << " at " << x << ", " << y;
        }
    }
    DestroySurface(sheet);
}

TEST_F(SheetTest, ShowFrameOfLoadedSheetsAndOfFramesTheSheetLacks) {
    LoadSheet(13, "falling", true);
    ASSERT_NE(CurrentSheet, nullptr);
    FillFramebuffer(0x12345678u);
    ShowFrame(CurrentSheet, 13);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), PixelAt(*CurrentSheet, 12 * S + x, y));
    // no frame 0 or 14: nothing is drawn
    FillFramebuffer(0x12345678u);
    for (int k : {0, 14, -1, INT32_MAX, INT32_MIN}) ShowFrame(CurrentSheet, k);
    for (int y = 0; y < S; ++y) {
        EXPECT_FALSE(PetWindow.rowMarks[y]);
        for (int x = 0; x < S; ++x) ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), 0x12345678u);
    }
}

TEST_F(SheetTest, FailedSurfaceLeavesNoSheetAndTheWindowAlone) {
    LoadSheet(4, "happyjump", false);
    ASSERT_NE(CurrentSheet, nullptr);
    Surface* before = CurrentSheet;
    FillFramebuffer(0x12345678u);
    // A width of nothing is refused by the window layer.
    LoadSheet(0, "happyjump", false);
    EXPECT_EQ(CurrentSheet, nullptr);
    ShowFrame(CurrentSheet, 1);
    for (int y = 0; y < S; ++y) {
        EXPECT_FALSE(PetWindow.rowMarks[y]);
        for (int x = 0; x < S; ++x) ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), 0x12345678u);
    }
    // LoadSheet does not free what it replaced
    EXPECT_EQ(before->width, 140);
    DestroySurface(before);
    // frame counts beyond any width the window can hold are refused too
    LoadSheet(INT32_MAX, "freeze", false);
    EXPECT_EQ(CurrentSheet, nullptr);
    LoadSheet(-3, "freeze", false);
    EXPECT_EQ(CurrentSheet, nullptr);
}

TEST(SheetWithoutWindow, NothingIsBuiltOrShownBeforeTheWindowOpens) {
    SimReset();
    CurrentSheet = nullptr;
    StandardSheet = nullptr;
    int calls = 0;
    static int* callsSeen;
    callsSeen = &calls;
    Hooks.sheet = [](const Surface* sheet, const char*, bool) {
        EXPECT_EQ(sheet, nullptr);
        ++*callsSeen;
    };
    LoadSheet(10, "walking", false);
    BuildStandardSheet();
    EXPECT_EQ(CurrentSheet, nullptr);
    EXPECT_EQ(StandardSheet, nullptr);
    EXPECT_EQ(calls, 2);
    ShowFrame(CurrentSheet, 1);
    ShowFrame(StandardSheet, 5);
    Hooks = PetHooks();
}

TEST_F(SheetTest, FreeingTwiceFreesOnce) {
    LoadSheet(8, "airtwist", false);
    ASSERT_NE(CurrentSheet, nullptr);
    FreeSheet(CurrentSheet);
    EXPECT_EQ(CurrentSheet, nullptr);
    FreeSheet(CurrentSheet);  // a double free would stop the sanitizer build here
    EXPECT_EQ(CurrentSheet, nullptr);
}

TEST_F(SheetTest, StandardSheetIsBuiltUnmirroredBesideTheCurrentOne) {
    LoadSheet(5, "umfall", true);
    Surface* current = CurrentSheet;
    BuildStandardSheet();
    ASSERT_NE(StandardSheet, nullptr);
    EXPECT_EQ(CurrentSheet, current);
    EXPECT_NE(StandardSheet, current);
    ASSERT_EQ(StandardSheet->width, 210);
    const SheetData& s = StoredSheet("standard");
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < 210; ++x)
            ASSERT_EQ(PixelAt(*StandardSheet, x, y), Palette[StoredValue(s, x, y)]);
}

// The data is read as one stream: a count other than the stored one runs
// across the row ends, and never past the end of the sheet's data.
TEST_F(SheetTest, OtherFrameCountsReadTheDataAsOneStream) {
    const SheetData& s = StoredSheet("happyjump");
    LoadSheet(2, "happyjump", false);
    ASSERT_NE(CurrentSheet, nullptr);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < 2 * S; ++x) {
            const int i = y * 2 * S + x;  // position in the stream
            ASSERT_EQ(PixelAt(*CurrentSheet, x, y), Palette[s.values[i]]);
        }
    FreeSheet(CurrentSheet);

    LoadSheet(9, "happyjump", true);  // more than stored: the rest stays transparent
    ASSERT_NE(CurrentSheet, nullptr);
    const int width = 9 * S;
    for (int y = 0; y < S; ++y)
        for (int i = 0; i < width; ++i) {
            const int stream = y * width + i;
            const uint32_t want = stream < 4 * S * S ? Palette[s.values[stream]] : MaskColour;
            ASSERT_EQ(PixelAt(*CurrentSheet, width - 1 - i, y), want) << i << ", " << y;
        }
}

TEST_F(SheetTest, LookupTakesTheStoredNamesOnly) {
    for (const SheetData& s : SpriteData) EXPECT_EQ(FindSheet(s.name), &s);
    EXPECT_EQ(FindSheet("Walking"), nullptr);
    EXPECT_EQ(FindSheet("walk"), nullptr);
    EXPECT_EQ(FindSheet(""), nullptr);
    EXPECT_EQ(FindSheet(nullptr), nullptr);
    LoadSheet(3, "nothing", false);  // a sheet of the asked size, all transparent
    ASSERT_NE(CurrentSheet, nullptr);
    EXPECT_EQ(CurrentSheet->width, 105);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < 105; ++x) ASSERT_EQ(PixelAt(*CurrentSheet, x, y), MaskColour);
}

TEST_F(SheetTest, HooksSeeEveryBuildAndEveryFrameShown) {
    static std::vector<std::string> seen;
    seen.clear();
    Hooks.sheet = [](const Surface* sheet, const char* name, bool mirrored) {
        seen.push_back(std::string("sheet ") + name + (mirrored ? " mirrored" : "") +
                       (sheet ? "" : " null"));
    };
    Hooks.frame = [](const Surface* sheet, int32_t k) {
        seen.push_back("frame " + std::to_string(k) + (sheet == StandardSheet ? " standard" : ""));
    };
    BuildStandardSheet();
    LoadSheet(6, "slide", true);
    ShowFrame(CurrentSheet, 6);
    ShowFrame(StandardSheet, 5);
    FreeSheet(CurrentSheet);
    ShowFrame(CurrentSheet, 2);  // null: no frame
    LoadSheet(0, "slide", false);
    const std::vector<std::string> want = {"sheet standard", "sheet slide mirrored", "frame 6",
                                           "frame 5 standard", "sheet slide null"};
    EXPECT_EQ(seen, want);
}

}  // namespace
