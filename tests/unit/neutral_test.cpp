// The helpers that the desktop backends share: the opaque runs and the
// alpha of a picture, and the key codes of keysyms.
#include <gtest/gtest.h>

#include "core.h"
#include "neutral.h"

namespace {

TEST(OpaquePixelRuns, OnlyRgbDecidesAndRunsReachTheRowEnds) {
    const uint32_t M = 0xFFFF00FFu, m = 0x00FF00FFu;  // both transparent
    const uint32_t O = 0xFFFF00FEu, o = 0x00000000u;  // both opaque
    const std::vector<uint32_t> pixels = {O, o, M, m, O,
                                          M, M, M, M, M,
                                          m, O, O, O, o};
    std::vector<PixelRun> runs{PixelRun{9, 9, 9}};  // replaced, not added to
    OpaquePixelRuns(pixels.data(), 5, 3, false, runs);
    EXPECT_EQ(runs, (std::vector<PixelRun>{{0, 0, 2}, {4, 0, 1}, {1, 2, 4}}));
    const std::vector<uint32_t> clear(35 * 35, M);
    OpaquePixelRuns(clear.data(), 35, 35, false, runs);
    EXPECT_TRUE(runs.empty());
}

TEST(MaskToAlpha, MaskColourClearAndEveryOtherPixelOpaque) {
    const std::vector<uint32_t> rows = {0xFFFF00FFu, 0x00FF00FFu, 0x00FF00FEu, 0x00000000u,
                                        0x7F123456u};
    std::vector<uint32_t> out(rows.size(), 0xDEADBEEFu);
    MaskToAlpha(rows.data(), rows.size(), out.data());
    EXPECT_EQ(out, (std::vector<uint32_t>{0u, 0u, 0xFFFF00FEu, 0xFF000000u, 0xFF123456u}));
}

// Keysyms by value: X11 and xkbcommon share them.
TEST(KeyCodeOfKeysym, CharactersKeysAndModifiers) {
    EXPECT_EQ(KeyCodeOfKeysym(0xFF1B, 0x1B), 27);        // Escape
    EXPECT_EQ(KeyCodeOfKeysym('a', 'a'), 'a');
    EXPECT_EQ(KeyCodeOfKeysym(0xE9, 0xE9), 0xE9);        // e acute
    EXPECT_EQ(KeyCodeOfKeysym('@', 0), 0);  // Control+@: character 0 still counts
    EXPECT_EQ(KeyCodeOfKeysym(0xFFFF, 0x7F), KeyDelete);  // a key, not character 127
    EXPECT_EQ(KeyCodeOfKeysym(0xFF97, -1), KeyUp);       // keypad, Num Lock off
    EXPECT_EQ(KeyCodeOfKeysym(0xFFB8, '8'), '8');        // keypad, Num Lock on
    EXPECT_EQ(KeyCodeOfKeysym(0xFF61, -1), KeyOther);    // Print
    EXPECT_EQ(KeyCodeOfKeysym(0x20AC, -1), KeyOther);    // the euro sign, not Latin-1
    EXPECT_EQ(KeyCodeOfKeysym(0, -1), -1);
    // Shift, Control, Alt, Caps Lock, Num Lock, AltGr, Super.
    for (uint32_t modifier : {0xFFE1u, 0xFFE4u, 0xFFE9u, 0xFFE5u, 0xFF7Fu, 0xFE03u, 0xFFEBu}) {
        EXPECT_EQ(KeyCodeOfKeysym(modifier, -1), -1) << modifier;
    }
    // The extended codes meet the core's table: PollKey gives code c as 255
    // and ExtendedKeyTable[c - 256].
    const struct {
        uint32_t keysym;
        char second;
    } keys[] = {{0xFF52, 'H'}, {0xFF54, 'P'}, {0xFF51, 'K'}, {0xFF53, 'M'},
                {0xFF63, 'R'}, {0xFFFF, 'S'}, {0xFF50, 'G'}, {0xFF57, 'O'},
                {0xFF55, 'I'}, {0xFF56, 'Q'}, {0xFFBE, ';'}, {0xFFC7, 'D'}};
    for (const auto& k : keys) {
        const int32_t code = KeyCodeOfKeysym(k.keysym, -1);
        ASSERT_GE(code, 256);
        ASSERT_LE(code, 276);
        EXPECT_EQ(ExtendedKeyTable[code - 256], k.second) << k.keysym;
    }
    EXPECT_EQ(KeyCodeOfKeysym(0xFFC8, -1), KeyF11);
    EXPECT_EQ(KeyCodeOfKeysym(0xFFC9, -1), KeyF12);
}

}  // namespace
