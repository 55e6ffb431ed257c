#pragma once

// The program is single-threaded: every wait runs the window's events between its polls through
// this one function, so tests can count pumps and run without a window.

#include <chrono>
#include <functional>

namespace EventPump {

// Runs the pending window events once.
void Run();
// Replaces what Run does; an empty function restores the default (the application's event loop).
void Set(std::function<void()> pump);

// Paces a polling loop: spins for a short while, then sleeps well under a millisecond between
// polls for the time a reply normally takes, then ever longer sleeps, up to 2 ms, and after a
// second 50 ms, so a prompt reply is picked up at once while an idle wait costs almost no
// processor time. One per wait, made when the wait begins; a wait with a deadline hands in the
// time left, so that no sleep carries it past its end.
class PollPacer {
  public:
    void pause(std::chrono::microseconds untilDeadline = std::chrono::microseconds::max());

  private:
    int m_polls = 0;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::microseconds m_sleep{0};
};

}  // namespace EventPump
