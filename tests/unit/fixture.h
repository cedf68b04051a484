// A pet window opened on the headless backend, fresh for every test.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "core.h"
#include "platform.h"
#include "sim.h"

struct OpenWindowTest : ::testing::Test {
    void SetUp() override {
        SimReset();
        ASSERT_EQ(OpenPetWindow(35, 35), 0);
    }
    void TearDown() override { SimReset(); }
};

// The traced events of one kind, in order.
inline std::vector<TraceEvent> EventsOf(TraceEvent::Kind kind) {
    std::vector<TraceEvent> out;
    for (const TraceEvent& e : SimTrace())
        if (e.kind == kind) out.push_back(e);
    return out;
}

inline void ClearMarks() {
    for (bool& m : PetWindow.rowMarks) m = false;
}
