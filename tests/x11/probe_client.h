// The end-to-end tests' side: the probe program run as a child process; the
// looks at the desktop through the tests' own X connection are xclient.h's.
#pragma once

#include "xclient.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The probe (or another program), started with the given environment changes
// ("NAME=value" sets, "NAME" removes). Commands and answers are lines; a
// command that gets no answer within five seconds answers "<no answer>".
struct Probe {
    explicit Probe(const std::vector<std::string>& environment = {},
                   const std::string& program = std::string());
    ~Probe();
    std::string Send(const std::string& command);
    // Closes its input and waits for it to end; its exit status, or 128 + the
    // signal that ended it, or -1 when it did not end within the time.
    int Wait(std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
    std::string Errors();  // what it wrote to standard error so far

    int pid = -1;
    int input = -1;
    int output = -1;
    int errors = -1;
    std::string pending;
};

// Polls check every 10 ms until it holds or the time is up; its last result.
bool WaitUntil(const std::function<bool()>& check,
               std::chrono::milliseconds limit = std::chrono::milliseconds(3000));
