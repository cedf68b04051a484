// The key ring, PollKey's results and the checks of long pauses.
#include <string>

#include "fixture.h"

namespace {

using KeyRingTest = OpenWindowTest;

TEST_F(KeyRingTest, AFullRingDropsItsOldestKey) {
    for (int32_t c = 1; c <= 16; ++c) SimTypeKey(0, 'a' + c);
    for (int32_t c = 2; c <= 16; ++c) EXPECT_EQ(PollKey(), std::string(1, static_cast<char>('a' + c)));
    EXPECT_EQ(PollKey(), "");
    // Exactly the 15 keys taken are traced, in order.
    const auto taken = EventsOf(TraceEvent::Kind::Key);
    ASSERT_EQ(taken.size(), 15u);
    EXPECT_EQ(taken.front().key, 'a' + 2);
    EXPECT_EQ(taken.back().key, 'a' + 16);
}

TEST_F(KeyRingTest, PollKeyForms) {
    const struct {
        int32_t code;
        std::string expected;
    } cases[] = {
        {27, "\x1B"},           {'a', "a"},
        {255, "\xFF"},          {CloseKey, "\xFF" "k"},
        {256, "\xFF" "k"},      {257, "\xFF" "H"},
        {266, "\xFF" "Q"},      {267, "\xFF" ";"},
        {276, "\xFF" "D"},      {5000, "\xFF" "D"},
        {0x1BFF, "\xFF\x1B"},   {-229, "\xFF" "k"},  // low byte 27, still not Escape
        {INT32_MIN, "\xFF" "k"},
    };
    for (const auto& c : cases) {
        SimTypeKey(SimNow(), c.code);
        EXPECT_EQ(PollKey(), c.expected) << c.code;
        EXPECT_EQ(PollKey(), "") << c.code;
    }
}

TEST_F(KeyRingTest, CloseRequestsNeverHoldBackALaterKey) {
    SimTypeKey(0, CloseKey);
    SimTypeKey(0, CloseKey);
    SimTypeKey(0, 27);
    EXPECT_EQ(PollKey(), "\x1B");
    EXPECT_EQ(PollKey(), "");
    EXPECT_EQ(EventsOf(TraceEvent::Kind::Key).size(), 3u);
    // Alone, a close request is read as one.
    SimTypeKey(0, CloseKey);
    EXPECT_EQ(PollKey(), "\xFF" "k");
}

TEST_F(KeyRingTest, CodeZeroReadsAsNoKeyButStillCountsAsAHit) {
    SimTypeKey(0, 0);
    SleepMs(2000);
    EXPECT_EQ(SimNow(), 0);
    EXPECT_EQ(PollKey(), "");
    EXPECT_FALSE(::Keys.hit);
}

TEST(KeysClosed, NoWindowNoKeys) {
    SimReset();
    SimTypeKey(0, 27);
    EXPECT_EQ(PollKey(), "");
    SimReset();
}

// How long SleepMs(n) lasts when a key is typed at keyAt (negative: none).
int64_t PauseLength(int32_t n, int64_t keyAt) {
    SimReset();
    EXPECT_EQ(OpenPetWindow(35, 35), 0);
    SimPlaceWindow(0, 0);
    if (keyAt >= 0) SimTypeKey(keyAt, 'x');
    SleepMs(n);
    const int64_t length = SimNow();
    if (keyAt >= 0 && keyAt <= length) {
        EXPECT_EQ(PollKey(), "x") << "the key stays for PollKey";
    }
    SimReset();
    return length;
}

TEST(Pauses, LongPausesCheckEvery50MsExceptTheLastStep) {
    // 2000 ms: checks at 0, 50, ..., 1900 (39 of them), then 50 ms unchecked.
    EXPECT_EQ(PauseLength(2000, -1), 2000);
    EXPECT_EQ(PauseLength(2000, 0), 0);
    EXPECT_EQ(PauseLength(2000, 1), 50);
    EXPECT_EQ(PauseLength(2000, 1851), 1900);
    EXPECT_EQ(PauseLength(2000, 1900), 1900);
    EXPECT_EQ(PauseLength(2000, 1901), 2000);
    // 120 ms: checks at 0 and 50, then 20 ms.
    EXPECT_EQ(PauseLength(120, 50), 50);
    EXPECT_EQ(PauseLength(120, 51), 120);
    EXPECT_EQ(PauseLength(120, -1), 120);
    // 100 ms: one check, then 50 ms.
    EXPECT_EQ(PauseLength(100, 0), 0);
    EXPECT_EQ(PauseLength(100, 1), 100);
    // Below 100 ms nothing is checked.
    EXPECT_EQ(PauseLength(99, 0), 99);
}

TEST_F(KeyRingTest, AKeyDuringAShortPauseCutsTheNextLongOne) {
    SimTypeKey(40, 27);
    SleepMs(80);
    EXPECT_EQ(SimNow(), 80);
    SleepMs(2000);
    EXPECT_EQ(SimNow(), 80) << "the hit was still pending";
    SleepMs(2000);
    EXPECT_EQ(SimNow(), 2080) << "the check cleared it";
    EXPECT_EQ(PollKey(), "\x1B");

    // A poll clears the hit as well.
    SimTypeKey(SimNow(), 'q');
    EXPECT_EQ(PollKey(), "q");
    SleepMs(200);
    EXPECT_EQ(SimNow(), 2280);
}

TEST_F(KeyRingTest, ZeroNegativeAndWaitForKey) {
    SleepMs(0);
    SleepMs(-5);
    SleepMs(INT32_MIN);
    EXPECT_EQ(SimNow(), 0);
    SimTypeKey(120, 'k');
    SleepMs(-1);  // until a key, checking every 50 ms
    EXPECT_EQ(SimNow(), 150);
    const auto pauses = EventsOf(TraceEvent::Kind::Sleep);
    ASSERT_EQ(pauses.size(), 4u);
    EXPECT_EQ(pauses[0].ms, 0);
    EXPECT_EQ(pauses[1].ms, -5);
    EXPECT_EQ(pauses[2].ms, INT32_MIN);
    EXPECT_EQ(pauses[3].ms, -1);
}

}  // namespace
