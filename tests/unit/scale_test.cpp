// The desktop's scale: positions between logical and device pixels, and the
// presented rows enlarged into whole blocks.
#include <cmath>
#include <vector>

#include "fixture.h"

namespace {

// A window of 35 x 35 logical pixels opened at this scale (the headless
// backend itself is always at 1).
void OpenAtScale(double factor) {
    SimReset();
    int32_t w = 0, h = 0;
    GetDesktopSize(w, h);
    PetWindow.scale = factor;
    ASSERT_EQ(OpenPetWindow(35, 35), 0);
}

struct Scale : ::testing::TestWithParam<double> {
    void TearDown() override { SimReset(); }
};

TEST_P(Scale, PositionsComeBackUnchangedAndKeepTheirOrder) {
    PetWindow.scale = GetParam();
    int32_t lastDevice = ToDevicePosition(-3001);
    for (int32_t x = -3000; x <= 3000; ++x) {
        const int32_t device = ToDevicePosition(x);
        ASSERT_EQ(ToLogicalPosition(device), x) << "a still pet would drift at " << x;
        ASSERT_GT(device, lastDevice) << "a walk would jitter at " << x;
        ASSERT_LE(device - lastDevice, static_cast<int32_t>(GetParam()) + 1);
        lastDevice = device;
    }
    PetWindow.devicePositions = false;
    EXPECT_EQ(ToDevicePosition(101), 101);
    EXPECT_EQ(ToLogicalPosition(151), 151);
}

TEST_P(Scale, EverySpritePixelBecomesAWholeBlock) {
    const double factor = GetParam();
    OpenAtScale(factor);
    const int32_t side = static_cast<int32_t>(35 * factor + 0.5);
    ASSERT_EQ(PetWindow.deviceWidth, side);
    ASSERT_EQ(PetWindow.deviceHeight, side);

    // Every sprite pixel tagged with where it lies; one of the mask colour.
    for (int32_t y = 0; y < 35; ++y)
        for (int32_t x = 0; x < 35; ++x)
            PixelAt(PetWindow.framebuffer, x, y) = 0xFF000000u | static_cast<uint32_t>(x << 8 | y);
    PixelAt(PetWindow.framebuffer, 0, 0) = MaskColour;
    MarkAllRows();
    int32_t first = -1, last = -1;
    ASSERT_TRUE(TakeMarkedBand(first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, side - 1);
    const auto at = [side](int32_t X, int32_t Y) { return PetWindow.convertedRows[Y * side + X]; };
    EXPECT_EQ(at(0, 0), 0x00FF00FFu) << "the mask colour stays exact";

    // Device column X shows sprite column columnOf[X] in every row, and row
    // Y sprite row rowOf[Y] in every column: blocks, no blending.
    std::vector<int32_t> columnOf(side), rowOf(side);
    for (int32_t i = 0; i < side; ++i) {
        columnOf[i] = static_cast<int32_t>(at(i, side - 1) >> 8);
        rowOf[i] = static_cast<int32_t>(at(side - 1, i) & 0xFF);
    }
    for (int32_t Y = 0; Y < side; ++Y) {
        for (int32_t X = 0; X < side; ++X) {
            if (at(X, Y) == 0x00FF00FFu) continue;
            ASSERT_EQ(at(X, Y), static_cast<uint32_t>(columnOf[X] << 8 | rowOf[Y])) << X << "," << Y;
        }
    }
    // Every sprite pixel is floor(factor) or one more device pixels wide and
    // tall, in order, and rows are cut as columns are.
    EXPECT_EQ(columnOf, rowOf);
    std::vector<int32_t> blocks(35, 0);
    for (int32_t X = 0; X < side; ++X) {
        ASSERT_TRUE(X == 0 ? columnOf[X] == 0 : columnOf[X] - columnOf[X - 1] <= 1);
        ++blocks[columnOf[X]];
    }
    for (int32_t b : blocks) EXPECT_TRUE(b == static_cast<int32_t>(factor) || b == static_cast<int32_t>(factor) + 1) << b;

    // One changed row gives the band of its block only.
    SetPixel(&PetWindow.framebuffer, 3, 20, 0xFF123456u);
    ASSERT_TRUE(TakeMarkedBand(first, last));
    EXPECT_EQ(rowOf[first], 20);
    EXPECT_EQ(rowOf[last], 20);
    EXPECT_TRUE(first == 0 || rowOf[first - 1] == 19);
    EXPECT_TRUE(last == side - 1 || rowOf[last + 1] == 21);
    int32_t X = 0;
    while (columnOf[X] < 3) ++X;
    EXPECT_EQ(at(X, first), 0x00123456u);
    EXPECT_EQ(at(X, last), 0x00123456u);
}

// Wine reports its taskbar as the screen's last device row: a bar that
// starts in the desktop's last logical row is a bar there, not one at the
// bottom edge (where the pet would take the screen for one without a bar).
TEST_P(Scale, ABarInTheLastRowIsOnTheScreen) {
    SimReset();
    int32_t w = 0, h = 0;
    GetDesktopSize(w, h);
    PetWindow.scale = GetParam();
    const int32_t bottom = ToLogicalExtent(768);
    SimSetTaskbarTopAt(0, static_cast<int32_t>(std::ceil(bottom * GetParam())) - 1);
    EXPECT_EQ(GetTaskbarTop(), bottom - 1);
}

INSTANTIATE_TEST_SUITE_P(Factors, Scale, ::testing::Values(1.0, 1.25, 1.5, 1.75, 2.0, 3.0));

}  // namespace
