// The window thread's wake-ups on Linux, for the backends that sleep in
// ppoll() (X11, Wayland): an eventfd that Wake signals and a timerfd on the
// monotonic clock, the one ClockNs reads, that SetTimer arms.
#pragma once

#include <poll.h>
#include <time.h>

#include <cstdint>
#include <string>

// The monotonic clock in nanoseconds (a backend's ClockNs), and in seconds
// (its Seconds).
int64_t MonotonicNs();
double MonotonicSeconds();

// Makes the two descriptors; false and why not.
bool OpenWakeups(std::string& why);
void CloseWakeups();
// Fills the two pollfd entries for them.
void WakeupPollFds(pollfd& wake, pollfd& timer);
// After ppoll(): reads whichever of them fired.
void DrainWakeups(const pollfd& wake, const pollfd& timer);
// WindowMechanism's Wake and SetTimer.
void WakeNow();
void WakeAt(int64_t when);
// The ppoll() timeout that ends at until (NoDeadline: none), in t.
const timespec* TimeoutUntil(int64_t until, timespec& t);
