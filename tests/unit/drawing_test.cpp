// Surfaces, SetPixel, PutRect, ClearScreen and the band the window thread
// takes from the framebuffer.
#include <cmath>
#include <limits>
#include <utility>

#include "fixture.h"

namespace {

// A pixel value that tells where it came from.
uint32_t Tag(int32_t x, int32_t y) {
    return 0xFF000000u | (static_cast<uint32_t>(x) << 8) | static_cast<uint32_t>(y);
}

Surface* TaggedSheet(int32_t width, int32_t height) {
    Surface* s = CreateSurface(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) PixelAt(*s, x, y) = Tag(x, y);
    return s;
}

void FillFramebuffer(uint32_t colour) {
    for (int32_t y = 0; y < 35; ++y)
        for (int32_t x = 0; x < 35; ++x) PixelAt(PetWindow.framebuffer, x, y) = colour;
    ClearMarks();
}

int MarkedRows() {
    int n = 0;
    for (bool m : PetWindow.rowMarks) n += m;
    return n;
}

using Drawing = OpenWindowTest;

TEST(Rounding, HalvesGoAwayFromZero) {
    EXPECT_EQ(RoundCoordinate(2.5f), 3);
    EXPECT_EQ(RoundCoordinate(-2.5f), -3);
    EXPECT_EQ(RoundCoordinate(34.49f), 34);
    EXPECT_EQ(RoundCoordinate(34.5f), 35);
    EXPECT_EQ(RoundCoordinate(-0.5f), -1);
    EXPECT_EQ(RoundCoordinate(-0.49f), 0);
    EXPECT_EQ(RoundCoordinate(0.0f), 0);
    // The largest float below one half must not be pushed up to 1 by a
    // rounding of the sum itself.
    EXPECT_EQ(RoundCoordinate(0.49999997f), 0);
    EXPECT_EQ(RoundCoordinate(-0.49999997f), 0);
    EXPECT_EQ(RoundCoordinate(1e30f), INT32_MAX);
    EXPECT_EQ(RoundCoordinate(-1e30f), INT32_MIN);
    EXPECT_EQ(RoundCoordinate(std::numeric_limits<float>::quiet_NaN()), INT32_MIN);
}

TEST_F(Drawing, SurfacesArePaddedTo16BytesAndStartAsMask) {
    const int32_t widths[][2] = {{35, 144}, {210, 848}, {700, 2800}, {1, 16}, {4, 16}, {5, 32}};
    for (auto [width, pitch] : widths) {
        Surface* s = CreateSurface(width, 35);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->pitch, pitch) << width;
        for (int32_t y = 0; y < 35; ++y)
            for (int32_t x = 0; x < width; ++x) ASSERT_EQ(PixelAt(*s, x, y), MaskColour);
        DestroySurface(s);
    }
    EXPECT_EQ(CreateSurface(0, 35), nullptr);
    EXPECT_EQ(CreateSurface(35, -1), nullptr);
    EXPECT_EQ(CreateSurface(INT32_MAX, INT32_MAX), nullptr);
    DestroySurface(nullptr);
    DestroySurface(&PetWindow.framebuffer);  // not ours to free: ignored
    EXPECT_NE(PetWindow.framebuffer.pixels, nullptr);
}

TEST(DrawingClosed, NothingWithoutAWindow) {
    SimReset();
    EXPECT_EQ(CreateSurface(35, 35), nullptr);
    Surface fake;
    uint32_t pixel = 7;
    fake.width = fake.height = 1;
    fake.pitch = 16;
    fake.pixels = &pixel;
    SetPixel(&fake, 0, 0, 1);
    EXPECT_EQ(pixel, 7u);
    EXPECT_NE(PutRect(0, 0, &fake, 0, 0, 0, 0), 0);
    ClearScreen();  // must not touch a framebuffer that does not exist
}

TEST_F(Drawing, SetPixelRoundsAndDropsOutsidePixels) {
    Surface* s = CreateSurface(35, 35);
    SetPixel(s, 34.5f, 0, 1);   // column 35
    SetPixel(s, -0.5f, 0, 1);   // column -1
    SetPixel(s, 0, 35.2f, 1);   // row 35
    SetPixel(s, 1e30f, 0, 1);
    SetPixel(s, std::nanf(""), 0, 1);
    for (int32_t y = 0; y < 35; ++y)
        for (int32_t x = 0; x < 35; ++x) ASSERT_EQ(PixelAt(*s, x, y), MaskColour);

    SetPixel(s, 34.49f, 2, 0x00FF00FFu);  // stored as given, alpha included
    EXPECT_EQ(PixelAt(*s, 34, 2), 0x00FF00FFu);
    SetPixel(s, 2.5f, -0.4f, 0x12345678u);
    EXPECT_EQ(PixelAt(*s, 3, 0), 0x12345678u);
    EXPECT_EQ(MarkedRows(), 0) << "an off-screen sheet marks no framebuffer row";
    DestroySurface(s);

    SetPixel(&PetWindow.framebuffer, 4, 9, 0xFFFFFFFFu);
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 4, 9), 0xFFFFFFFFu);
    EXPECT_EQ(MarkedRows(), 1);
    EXPECT_TRUE(PetWindow.rowMarks[9]);
}

TEST_F(Drawing, FramesOfASheetFillTheWholeWindow) {
    Surface* sheet = TaggedSheet(210, 35);
    for (int32_t k : {1, 3, 6}) {
        // Either corner order gives the same copy.
        for (bool swapped : {false, true}) {
            FillFramebuffer(0);
            const int32_t status = swapped ? PutRect(0, 0, sheet, 35 * k, 35, 35 * k - 35, 0)
                                           : PutRect(0, 0, sheet, 35 * k - 35, 0, 35 * k, 35);
            EXPECT_EQ(status, 0);
            for (int32_t y = 0; y < 35; ++y)
                for (int32_t x = 0; x < 35; ++x)
                    ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), Tag(35 * k - 35 + x, y))
                        << "frame " << k << " at " << x << "," << y;
            EXPECT_EQ(MarkedRows(), 35);
        }
    }
    DestroySurface(sheet);
}

TEST_F(Drawing, RectanglesOutsideTheSourceArePulledOntoItsEdge) {
    Surface* sheet = TaggedSheet(210, 35);
    FillFramebuffer(0);
    EXPECT_EQ(PutRect(0, 0, sheet, -5, 0, -1, 34), 0);
    for (int32_t y = 0; y < 35; ++y) {
        EXPECT_EQ(PixelAt(PetWindow.framebuffer, 0, y), Tag(0, y));
        EXPECT_EQ(PixelAt(PetWindow.framebuffer, 1, y), 0u);
    }
    FillFramebuffer(0);
    EXPECT_EQ(PutRect(0, 0, sheet, 300, 40, 400, 50), 0);  // the corner pixel only
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 0, 0), Tag(209, 34));
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 1, 0), 0u);
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 0, 1), 0u);
    EXPECT_EQ(MarkedRows(), 1);
    DestroySurface(sheet);
}

TEST_F(Drawing, DestinationIsClippedToTheFramebuffer) {
    Surface* sprite = TaggedSheet(35, 35);
    FillFramebuffer(0);
    EXPECT_EQ(PutRect(-10.4f, -2.5f, sprite, 0, 0, 34, 34), 0);  // lands at (-10, -3)
    for (int32_t y = 0; y < 35; ++y)
        for (int32_t x = 0; x < 35; ++x)
            ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), (x < 25 && y < 32) ? Tag(x + 10, y + 3) : 0u)
                << x << "," << y;
    for (int32_t y = 0; y < 35; ++y) EXPECT_EQ(PetWindow.rowMarks[y], y < 32) << y;

    FillFramebuffer(0);
    EXPECT_EQ(PutRect(30, 33, sprite, 0, 0, 34, 34), 0);
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 30, 33), Tag(0, 0));
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 34, 34), Tag(4, 1));
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 29, 33), 0u);
    EXPECT_EQ(MarkedRows(), 2);

    // Wholly outside, however far: carried out, nothing drawn.
    FillFramebuffer(0);
    const std::pair<float, float> far[] = {{35.f, 0.f},  {-35.f, 0.f}, {0.f, 35.f}, {0.f, -35.f},
                                           {2e9f, 0.f},  {-2e9f, 0.f}, {0.f, 3e38f}};
    for (auto [x, y] : far) {
        EXPECT_EQ(PutRect(x, y, sprite, 0, 0, 34, 34), 0);
    }
    EXPECT_EQ(MarkedRows(), 0);
    for (int32_t y = 0; y < 35; ++y)
        for (int32_t x = 0; x < 35; ++x) ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), 0u);
    DestroySurface(sprite);
}

TEST_F(Drawing, MaskPixelsOverwriteAndNullSourcesAreRefused) {
    Surface* opaque = CreateSurface(35, 35);
    Surface* holed = CreateSurface(35, 35);
    for (int32_t y = 0; y < 35; ++y)
        for (int32_t x = 0; x < 35; ++x) {
            PixelAt(*opaque, x, y) = 0xFF102030u;
            PixelAt(*holed, x, y) = 0xFF405060u;
        }
    PixelAt(*holed, 3, 3) = MaskColour;
    PutRect(0, 0, opaque, 0, 0, 35, 35);
    PutRect(0, 0, holed, 0, 0, 35, 35);
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 3, 3), MaskColour);
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 4, 3), 0xFF405060u);

    ClearMarks();
    EXPECT_NE(PutRect(0, 0, nullptr, 0, 0, 35, 35), 0);
    EXPECT_EQ(MarkedRows(), 0);
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 4, 3), 0xFF405060u);
    DestroySurface(opaque);
    DestroySurface(holed);
}

TEST_F(Drawing, ClearScreenFillsWithTheBackground) {
    SetColours(MaskColour, MaskColour);
    EXPECT_EQ(PetWindow.foreground, MaskColour);
    ClearMarks();
    ClearScreen();
    for (int32_t y = 0; y < 35; ++y)
        for (int32_t x = 0; x < 35; ++x) ASSERT_EQ(PixelAt(PetWindow.framebuffer, x, y), MaskColour);
    EXPECT_EQ(MarkedRows(), 35);
}

TEST_F(Drawing, TheBandRunsFromFirstToLastMarkAndLosesAlpha) {
    int32_t first = -1, last = -1;
    ClearMarks();
    EXPECT_FALSE(TakeMarkedBand(first, last));

    SetPixel(&PetWindow.framebuffer, 0, 3, 0xFFFF00FFu);
    SetPixel(&PetWindow.framebuffer, 34, 7, 0x80123456u);
    PixelAt(PetWindow.framebuffer, 0, 5) = 0xFFABCDEFu;  // unmarked, inside the band
    PixelAt(PetWindow.framebuffer, 0, 9) = 0xFFABCDEFu;  // unmarked, below it
    ASSERT_TRUE(TakeMarkedBand(first, last));
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 7);
    EXPECT_EQ(PetWindow.convertedRows[3 * 35 + 0], 0x00FF00FFu);
    EXPECT_EQ(PetWindow.convertedRows[7 * 35 + 34], 0x00123456u);
    EXPECT_EQ(PetWindow.convertedRows[7 * 35 + 0], 0x00000000u);  // was opaque black
    EXPECT_EQ(PetWindow.convertedRows[5 * 35 + 0], 0u) << "only marked rows are converted";
    EXPECT_EQ(PetWindow.convertedRows[9 * 35 + 0], 0u);
    EXPECT_EQ(MarkedRows(), 0);
    EXPECT_FALSE(TakeMarkedBand(first, last));

    MarkAllRows();
    ASSERT_TRUE(TakeMarkedBand(first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 34);
    EXPECT_EQ(PetWindow.convertedRows[5 * 35 + 0], 0x00ABCDEFu);
}

TEST_F(Drawing, NestedLockingTakesThePlatformLockOnce) {
    // The headless lock stops the program when it is taken twice.
    TakeScreenLock();
    TakeScreenLock();
    EXPECT_EQ(ScreenLock.count, 2);
    SetPixel(&PetWindow.framebuffer, 1, 1, 5);
    EXPECT_EQ(PutRect(0, 0, &PetWindow.framebuffer, 1, 1, 1, 1), 0);
    EXPECT_EQ(PixelAt(PetWindow.framebuffer, 0, 0), 5u);
    ReleaseScreenLock();
    EXPECT_TRUE(ScreenLock.held);
    ReleaseScreenLock();
    EXPECT_FALSE(ScreenLock.held);
    EXPECT_EQ(ScreenLock.count, 0);
    ReleaseScreenLock();  // unmatched: ignored
    EXPECT_EQ(ScreenLock.count, 0);
}

}  // namespace
