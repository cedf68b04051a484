// The stored sprite data: the twelve sheets, their sizes, and where the art
// may lie inside each frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "sprites.h"

namespace {

constexpr int S = SheetFrameSize;

struct Expected {
    const char* name;
    int32_t frames;
};

// The sheets in their lookup order, with the frame counts the behaviours
// rely on.
const Expected Sheets[] = {
    {"standard", 6}, {"airtwist", 8}, {"falling", 13}, {"freeze", 20},
    {"happyjump", 4}, {"hatschi", 5}, {"shout", 4}, {"sleeping", 14},
    {"slide", 6}, {"twist", 9}, {"umfall", 5}, {"walking", 10},
};

// Value of pixel (x, y) of frame k (from 1) of a stored sheet.
int Value(const SheetData& s, int k, int x, int y) {
    return s.values[static_cast<size_t>(y) * s.frames * S + static_cast<size_t>(k - 1) * S + x];
}

// Lowest row holding a visible pixel, -1 for an empty frame.
int LowestRow(const SheetData& s, int k) {
    for (int y = S - 1; y >= 0; --y)
        for (int x = 0; x < S; ++x)
            if (Value(s, k, x, y) != 1) return y;
    return -1;
}

// How many pixels differ between two frames of a sheet.
int Changed(const SheetData& s, int a, int b) {
    int n = 0;
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) n += Value(s, a, x, y) != Value(s, b, x, y);
    return n;
}

const SheetData& Sheet(const char* name) {
    for (const SheetData& s : SpriteData)
        if (std::string(s.name) == name) return s;
    ADD_FAILURE() << "no sheet " << name;
    std::abort();
}

bool SomersaultFrame(const SheetData& s, int k) {
    return std::string(s.name) == "freeze" && k >= 7 && k <= 17;
}

TEST(SpriteData, TwelveSheetsInLookupOrderWithTheirFrameCounts) {
    ASSERT_EQ(SheetCount, 12);
    for (int i = 0; i < SheetCount; ++i) {
        EXPECT_STREQ(SpriteData[i].name, Sheets[i].name) << "sheet " << i;
        EXPECT_EQ(SpriteData[i].frames, Sheets[i].frames) << Sheets[i].name;
        EXPECT_NE(SpriteData[i].values, nullptr) << Sheets[i].name;
    }
}

// Every value of every row is a palette index; a short row would show up as
// zeros at the end of the array, a long one does not compile.
TEST(SpriteData, EveryValueIsAPaletteIndex) {
    for (const SheetData& s : SpriteData) {
        const size_t count = static_cast<size_t>(s.frames) * S * S;
        size_t bad = 0, first = count;
        for (size_t i = 0; i < count; ++i)
            if (s.values[i] < 1 || s.values[i] > 24) {
                ++bad;
                first = std::min(first, i);
            }
        EXPECT_EQ(bad, 0u) << s.name << ": first bad value at row " << first / (s.frames * S)
                           << ", x " << first % (s.frames * S);
    }
}

// The pet stands on row 31 of every frame but the somersault's; below it and
// along both side columns the frame is transparent.
TEST(SpriteData, ArtLiesWhereTheWindowExpectsIt) {
    for (const SheetData& s : SpriteData) {
        for (int k = 1; k <= s.frames; ++k) {
            const std::string at = std::string(s.name) + " frame " + std::to_string(k);
            for (int y = 32; y < S; ++y)
                for (int x = 0; x < S; ++x)
                    ASSERT_EQ(Value(s, k, x, y), 1) << at << ": (" << x << ", " << y << ")";
            for (int y = 0; y < S; ++y) {
                ASSERT_EQ(Value(s, k, 0, y), 1) << at << ": column 0, row " << y;
                ASSERT_EQ(Value(s, k, S - 1, y), 1) << at << ": column 34, row " << y;
            }
            const int low = LowestRow(s, k);
            ASSERT_GE(low, 0) << at << " is empty";
            if (!SomersaultFrame(s, k)) {
                EXPECT_EQ(low, 31) << at;
            }
        }
    }
}

// The somersault of "freeze" leaves the bottom of the frame and comes back:
// it is higher in the middle than at either end.
TEST(SpriteData, SomersaultRisesInsideTheFrame) {
    const SheetData& s = Sheet("freeze");
    int highest = S;
    for (int k = 7; k <= 17; ++k) highest = std::min(highest, LowestRow(s, k));
    EXPECT_LT(highest, 31 - 3);
    EXPECT_GT(LowestRow(s, 17), highest);
    EXPECT_GT(LowestRow(s, 7), highest);
}

// Cycles that repeat must close: going from the last frame back to the first
// changes no more than the largest step inside the cycle.
TEST(SpriteData, RepeatedCyclesLoopWithoutAJump) {
    for (const char* name : {"walking", "airtwist"}) {
        const SheetData& s = Sheet(name);
        int largest = 0;
        for (int k = 1; k < s.frames; ++k) largest = std::max(largest, Changed(s, k, k + 1));
        EXPECT_LE(Changed(s, s.frames, 1), largest) << name;
        EXPECT_GT(largest, 0) << name << " does not move";
    }
}

// Frames that alternate on screen must differ, or the motion is lost.
TEST(SpriteData, AlternatingFramesDiffer) {
    const struct {
        const char* sheet;
        int a, b;
    } pairs[] = {{"freeze", 19, 20}, {"twist", 8, 9}, {"slide", 5, 6}, {"shout", 3, 4},
                 {"hatschi", 4, 5}, {"standard", 5, 6}};
    for (const auto& p : pairs)
        EXPECT_GT(Changed(Sheet(p.sheet), p.a, p.b), 0) << p.sheet << " " << p.a << "/" << p.b;
}

}  // namespace
