// Script tests of the pet: run real pet code on the headless backend and get
// one ordered trace of what it did, as compact lines that are easy to assert
// on:
//
//   "behaviour WalkRight"   a behaviour procedure starts (nested ones too)
//   "sheet walking~"        a sheet was built ("~": mirrored; " null" appended
//                           when no surface could be made)
//   "frame walking 1"       ShowFrame drew frame 1 of that sheet as loaded
//   "frame walking~ 10"     ... of the mirrored sheet; "frame standard 5"
//   "move 497 706"          the window moved
//   "sleep 80"              a pause began, with its argument as passed
//   "key 27"                PollKey took a key from the buffer
//   "title Pomfy"           the caption was set
//   "taskbar Pomfy"         the window was taken out of the taskbar
//   "exit 0"                the program ended with status 0
//
// Each line carries its virtual time in milliseconds. The ends of the main
// loop's passes are kept beside the lines, not among them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runner.h"
#include "sim/sim.h"

constexpr int32_t EscapeKey = 27;

struct TraceLine {
    int64_t t;
    std::string text;
};

struct PetTrace {
    std::vector<TraceLine> lines;
    // For every pass of the main loop that ended: the number of lines before
    // its end, so that the next pass's lines begin at lines[passEnds[n]].
    std::vector<size_t> passEnds;
    RunResult result;

    // Every line's text, in order.
    std::vector<std::string> Texts() const;
    // The texts of the lines of one kind ("move", "frame", ...), in order.
    std::vector<std::string> Of(const std::string& kind) const;
    // The texts of all lines but those of the given kinds.
    std::vector<std::string> Without(const std::vector<std::string>& kinds) const;
    // "t text" for every line.
    std::vector<std::string> Timed() const;
    // Sum of the arguments of every "sleep" line.
    int64_t PauseSum() const;
    // Virtual time of the n-th line (from 0) whose text is text; -1 if none.
    int64_t TimeOf(const std::string& text, int32_t n = 0) const;
    // How many lines have this text.
    int32_t Count(const std::string& text) const;
    bool Exited() const { return result.exited; }
    int32_t ExitCode() const { return result.exitCode; }
};

// Called with every event as it happens, while the pet's globals hold the
// state of that moment (for probes such as CurrentSheet at a behaviour start).
using PetProbe = std::function<void(const TraceEvent&)>;

// Options for one behaviour that starts with the window's corner at (x, y)
// and the generator seeded with seed.
RunOptions At(int32_t x, int32_t y, double seed = 1);
// The same options on a desktop of another width (its height and bar kept).
RunOptions Narrowed(RunOptions options, int32_t width);
// The first RandomInt(n) after the generator is seeded with seed, the way
// the runner seeds it.
int32_t FirstDraw(double seed, int32_t n);

// One behaviour, with StandardSheet built, CurrentSheet null and the window
// at options' start (default: centred on the ground line); options.seed seeds
// the generator first.
PetTrace TraceBehaviour(const std::string& name, RunOptions options = {},
                        const PetProbe& probe = nullptr);
// The whole program from start-up; bound it with options.sessionMs,
// options.passes or an Escape in options.keys.
PetTrace TraceProgram(RunOptions options, const PetProbe& probe = nullptr);
// Start-up alone (steps up to the main loop).
PetTrace TraceStartUp(RunOptions options = {}, const PetProbe& probe = nullptr);

// Expected traces, written the way the scripts read.
struct Script {
    std::vector<std::string> lines;
    Script& Behaviour(const std::string& name);
    Script& Sheet(const std::string& name);  // "walking", "walking~"
    Script& Frame(const std::string& sheet, int32_t k);
    Script& Sleep(int32_t ms);
    // Frame then Sleep: "show k for ms".
    Script& Show(const std::string& sheet, int32_t k, int32_t ms);
    Script& Move(int32_t x, int32_t y);
    Script& Line(const std::string& text);
    Script& Then(const Script& more);
};
