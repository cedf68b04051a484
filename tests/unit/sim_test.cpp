// The headless backend as tests and tools rely on it: presentation at each
// advance of the clock, the bar at virtual times, and independent runs.
#include <string>
#include <utility>
#include <vector>

#include "fixture.h"

namespace {

// What the listener saw: pixel (0, 0) as presented, per Present event.
std::vector<uint32_t> Presented;
int ListenedEvents = 0;
void Listen(const TraceEvent& e) {
    ++ListenedEvents;
    if (e.kind == TraceEvent::Kind::Present) Presented.push_back(PetWindow.convertedRows[0]);
}

struct Headless : OpenWindowTest {
    void SetUp() override {
        OpenWindowTest::SetUp();
        Presented.clear();
        ListenedEvents = 0;
        SimListener = Listen;
    }
    void TearDown() override {
        SimListener = nullptr;
        OpenWindowTest::TearDown();
    }
};

void Put(uint32_t colour) {
    Surface* s = CreateSurface(35, 35);
    SetPixel(s, 0, 0, colour);
    PutRect(0, 0, s, 0, 0, 35, 35);
    DestroySurface(s);
}

TEST_F(Headless, EachPausePresentsWhatWasDrawnBeforeIt) {
    Put(0xFF111111u);
    Put(0xFF222222u);  // replaces the first before any cycle
    SleepMs(80);
    SleepMs(80);  // nothing new: nothing presented
    SetPixel(&PetWindow.framebuffer, 3, 20, 0xFF333333u);
    SetPixel(&PetWindow.framebuffer, 3, 22, 0xFF333333u);
    SleepMs(5);
    const auto presents = EventsOf(TraceEvent::Kind::Present);
    ASSERT_EQ(presents.size(), 2u);
    // When, and which rows: first and last.
    EXPECT_EQ(presents[0].t, 0);
    EXPECT_EQ(std::make_pair(presents[0].firstRow, presents[0].lastRow), std::make_pair(0, 34));
    EXPECT_EQ(presents[1].t, 160);
    EXPECT_EQ(std::make_pair(presents[1].firstRow, presents[1].lastRow), std::make_pair(20, 22));
    ASSERT_EQ(Presented.size(), 2u);
    EXPECT_EQ(Presented[0], 0x00222222u) << "only the second frame is ever shown";
}

TEST_F(Headless, RunsEndWithACycle) {
    EXPECT_EQ(SimRun([] { Put(0xFF444444u); }), -1);
    ASSERT_EQ(Presented.size(), 1u);
    EXPECT_EQ(Presented[0], 0x00444444u);
}

TEST_F(Headless, TheBarMovesAtItsTimes) {
    SimSetTaskbarTopAt(500, 700);
    SimSetTaskbarTopAt(900, 0);
    EXPECT_EQ(GetTaskbarTop(), 738);
    SleepMs(499);
    EXPECT_EQ(GetTaskbarTop(), 738);
    SleepMs(1);
    EXPECT_EQ(GetTaskbarTop(), 700);
    SleepMs(400);
    EXPECT_EQ(GetTaskbarTop(), 0);
}

TEST_F(Headless, KeysTakenAreTracedWithTheirTimes) {
    SimTypeKey(100, 'a');
    SimTypeKey(100, 27);  // same time: after the first
    EXPECT_EQ(PollKey(), "");
    SleepMs(99);
    EXPECT_EQ(PollKey(), "");
    SleepMs(1);
    EXPECT_EQ(PollKey(), "a");
    EXPECT_EQ(PollKey(), "\x1B");
    const auto keys = EventsOf(TraceEvent::Kind::Key);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key, 'a');
    EXPECT_EQ(keys[1].key, 27);
    EXPECT_EQ(keys[1].t, 100);
}

TEST_F(Headless, ResetMakesRunsIndependent) {
    SimTypeKey(10, 'a');
    SimTypeKey(5000, 'b');
    SimSetTaskbarTopAt(0, 600);
    SleepMs(20);
    SetWindowTitle("Pomfy");
    SeedRandom(7);
    const double afterSeven = RandomUnit();
    TakeScreenLock();  // as if a run ended in the middle of a drawing
    SimNote("left over");

    SimReset();
    EXPECT_EQ(SimNow(), 0);
    EXPECT_TRUE(SimTrace().empty());
    EXPECT_FALSE(PetWindow.open);
    EXPECT_FALSE(ScreenLock.held);
    EXPECT_EQ(Keys.read, Keys.write);
    EXPECT_FALSE(Keys.hit);
    EXPECT_EQ(GetTaskbarTop(), 738);
    ASSERT_EQ(OpenPetWindow(35, 35), 0);
    SleepMs(6000);
    EXPECT_EQ(SimNow(), 6000) << "no key of the earlier run arrives";
    EXPECT_EQ(PollKey(), "");
    SeedRandom(7);
    EXPECT_EQ(RandomUnit(), afterSeven);
}

TEST_F(Headless, WithoutATraceTheListenerStillHearsEverything) {
    SimConfig config;
    config.keepTrace = false;
    config.clockStart = 1700000000.0;
    SimReset(config);
    ASSERT_EQ(OpenPetWindow(35, 35), 0);
    for (int i = 0; i < 1000; ++i) {
        SetWindowPosition(i, 700);
        SleepMs(10);
    }
    EXPECT_TRUE(SimTrace().empty());
    EXPECT_EQ(ListenedEvents, 2000);
    EXPECT_DOUBLE_EQ(SecondsTimer(), 1700000010.0);
}

TEST_F(Headless, KeysTypedBeforeOpeningArriveOnceItIsOpen) {
    SimReset();
    SimTypeKey(0, 27);
    EXPECT_EQ(PollKey(), "");
    ASSERT_EQ(OpenPetWindow(35, 35), 0);
    EXPECT_EQ(PollKey(), "\x1B");
}

}  // namespace
