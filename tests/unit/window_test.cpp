// Opening the window, its caption, its position and the program's end.
#include <cstring>
#include <string>
#include <utility>

#include "fixture.h"

namespace {

TEST(Open, RefusesBadSizesAndASecondWindow) {
    const int32_t bad[][2] = {{0, 35}, {35, 0}, {-35, 35}, {35, 36}};
    for (auto [w, h] : bad) {
        SimReset();
        EXPECT_NE(OpenPetWindow(w, h), 0) << w << "x" << h;
        EXPECT_FALSE(PetWindow.open);
        EXPECT_EQ(PetWindow.framebuffer.pixels, nullptr);
        // A reason the program can show the user.
        EXPECT_STRNE(PetWindow.failure, "");
    }
    SimReset();
    EXPECT_EQ(OpenPetWindow(35, 35), 0);
    EXPECT_STREQ(PetWindow.failure, "");
    EXPECT_NE(OpenPetWindow(35, 35), 0);
    EXPECT_STREQ(PetWindow.failure, "it is open already");
    SimReset();
}

TEST(Open, StartsBlackUnmarkedAndCentred) {
    const int32_t desktops[][4] = {{1024, 768, 494, 366}, {1023, 767, 494, 366},
                                   {1280, 1024, 622, 494}, {20, 20, -8, -8}};
    for (auto [w, h, x, y] : desktops) {
        SimConfig config;
        config.desktopWidth = w;
        config.desktopHeight = h;
        SimReset(config);
        int32_t dw = 0, dh = 0;
        GetDesktopSize(dw, dh);  // before the window exists
        EXPECT_EQ(dw, w);
        EXPECT_EQ(dh, h);
        ASSERT_EQ(OpenPetWindow(35, 35), 0);
        int32_t px = 0, py = 0;
        GetWindowPosition(px, py);
        EXPECT_EQ(px, x);
        EXPECT_EQ(py, y);
    }
    EXPECT_EQ(PetWindow.framebuffer.width, 35);
    EXPECT_EQ(PetWindow.framebuffer.height, 35);
    EXPECT_EQ(PetWindow.framebuffer.pitch, 140);
    for (int32_t i = 0; i < 35 * 35; ++i) {
        ASSERT_EQ(PetWindow.framebuffer.pixels[i], 0xFF000000u);
        ASSERT_EQ(PetWindow.convertedRows[i], 0u);
    }
    for (bool m : PetWindow.rowMarks) EXPECT_FALSE(m);
    EXPECT_EQ(PetWindow.foreground, 0xFFFFFFFFu);
    EXPECT_EQ(PetWindow.background, 0xFF000000u);
    EXPECT_NE(OpenPetWindow(35, 35), 0) << "one window per program";
    EXPECT_TRUE(PetWindow.open);
    SimReset();
}

TEST(Open, AFailedOpeningLeavesEverythingClosed) {
    SimConfig config;
    config.windowOpens = false;
    SimReset(config);
    EXPECT_NE(OpenPetWindow(35, 35), 0);
    EXPECT_FALSE(PetWindow.open);
    EXPECT_EQ(CreateSurface(35, 35), nullptr);
    SetWindowPosition(1, 2);
    EXPECT_TRUE(EventsOf(TraceEvent::Kind::Move).empty());
    int32_t x = 9, y = 9;
    GetWindowPosition(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    SimReset();
}

using Window = OpenWindowTest;

TEST_F(Window, TitlesAreCutTo127Characters) {
    const std::string longTitle(200, 'p');
    SetWindowTitle(longTitle.c_str());
    EXPECT_EQ(std::string(PetWindow.title), longTitle.substr(0, 127));
    // Setting the caption with the screen lock held lets go of it for the
    // time of the change (the headless backend stops the program otherwise)
    // and takes it back.
    TakeScreenLock();
    SetWindowTitle("Pomfy");
    EXPECT_TRUE(ScreenLock.held);
    EXPECT_EQ(ScreenLock.count, 1);
    ReleaseScreenLock();
    SetWindowTitle(nullptr);
    const auto titles = EventsOf(TraceEvent::Kind::Title);
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[0].text, longTitle.substr(0, 127));
    EXPECT_EQ(titles[1].text, "Pomfy");
    EXPECT_EQ(titles[2].text, "");
}

TEST(Title, BeforeOpeningItIsKeptForTheWindow) {
    SimReset();
    EXPECT_STREQ(PetWindow.title, "pomfy");
    SetWindowTitle("Early");
    EXPECT_STREQ(PetWindow.title, "Early");
    EXPECT_TRUE(SimTrace().empty());
    SimReset();
    EXPECT_STREQ(PetWindow.title, "pomfy");
}

TEST_F(Window, PositionsReadBackCutTo16Bits) {
    const int32_t cases[][4] = {{-40, 10, -40, 10},        {32767, -32768, 32767, -32768},
                                {40000, -40000, -25536, 25536}, {32768, 65536, -32768, 0},
                                {2000, 800, 2000, 800}};
    for (auto [x, y, rx, ry] : cases) {
        SimPlaceWindow(x, y);
        int32_t gx = 0, gy = 0;
        GetWindowPosition(gx, gy);
        EXPECT_EQ(gx, rx) << x;
        EXPECT_EQ(gy, ry) << y;
    }
}

TEST_F(Window, KeepCoordinateKeepsTheCurrentOne) {
    SetWindowPosition(KeepCoordinate, 300);
    SetWindowPosition(100, KeepCoordinate);
    SetWindowPosition(KeepCoordinate, KeepCoordinate);
    SetWindowPosition(-40, 10);
    const auto moves = EventsOf(TraceEvent::Kind::Move);
    ASSERT_EQ(moves.size(), 4u);
    EXPECT_EQ(std::make_pair(moves[0].x, moves[0].y), std::make_pair(494, 300));
    EXPECT_EQ(std::make_pair(moves[1].x, moves[1].y), std::make_pair(100, 300));
    EXPECT_EQ(std::make_pair(moves[2].x, moves[2].y), std::make_pair(100, 300));
    int32_t x = 0, y = 0;
    GetWindowPosition(x, y);
    EXPECT_EQ(x, -40);
    EXPECT_EQ(y, 10);
}

void EndWithThree() {
    SleepMs(30);
    EndProgram(3);
}
void JustReturn() {
    SleepMs(30);
}

TEST_F(Window, EndProgramEndsTheRunWithItsStatus) {
    EXPECT_EQ(SimRun(EndWithThree), 3);
    const auto exits = EventsOf(TraceEvent::Kind::Exit);
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].status, 3);
    EXPECT_EQ(exits[0].t, 30);
    EXPECT_EQ(SimRun(JustReturn), -1);
    EXPECT_EQ(SimNow(), 60);
}

}  // namespace
