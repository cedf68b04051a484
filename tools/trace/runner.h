// Runs the real pet code on the headless backend and reports what it does,
// event by event: the shared core of pomfy-trace, pomfy-preview and the
// pet's script tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/sim.h"
#include "window.h"

struct TimedKey {
    int64_t t;     // virtual milliseconds
    int32_t code;  // 27 for Escape, a character code, CloseKey for a close request
};

struct TaskbarChange {
    int64_t t;
    int32_t top;  // 0: no bar along the bottom
};

struct RunOptions {
    int32_t desktopWidth = 1024;
    int32_t desktopHeight = 768;
    int32_t taskbarTop = 738;
    // Given to SeedRandom: by start-up in place of SecondsTimer(), or before
    // the one behaviour.
    double seed = 1;
    // One behaviour (a name of the ActionTable or "FallingEntrance") with the
    // standard sheet built and the window on the ground line; empty: the
    // whole program from start-up.
    std::string behaviour;
    // Start-up alone, without the main loop (ignored with a behaviour).
    bool startUpOnly = false;
    // Events at virtual times >= sessionMs are not reported, and the run
    // stops at the pet's next step after that time; < 0: no limit.
    int64_t sessionMs = -1;
    // The whole program: stop after this many passes of the main loop; < 0:
    // no limit.
    int64_t passes = -1;
    // The window's corner before the run; without it, where the window opens
    // (a session) or centred on the ground line (a behaviour).
    bool hasStart = false;
    int32_t startX = 0;
    int32_t startY = 0;
    std::vector<TimedKey> keys;
    std::vector<TaskbarChange> taskbarChanges;
    // Keep the backend's own trace (SimTrace) as well.
    bool keepTrace = false;
};

struct RunResult {
    bool exited = false;    // the program ended (exitCode holds its status)
    int32_t exitCode = -1;
    bool stopped = false;   // stopped by sessionMs or passes
    int64_t endTime = 0;    // virtual time when the run ended
    int64_t passes = 0;     // main-loop passes completed
};

// Receives the run's events (TraceEvent, of every kind but Note) in time
// order: the backend's own and the pet's behaviours, sheets, frames and
// main-loop passes.
using TraceSink = std::function<void(const TraceEvent&)>;

// Fills options from the command line (argv[0] is skipped). On a bad option
// or value returns false with a one-line message in error.
bool ParseRunOptions(int argc, char** argv, RunOptions& options, std::string& error);
// The text of --help.
const char* RunOptionsUsage();

// The procedure of a behaviour name (those of the ActionTable and
// "FallingEntrance"); null for any other name.
void (*BehaviourNamed(const std::string& name))();

// Runs the pet as the options say and hands every event to sink, in time
// order. Leaves the headless backend as the run left it (window, clock);
// the pet's sheets are freed.
RunResult RunPet(const RunOptions& options, const TraceSink& sink);
