#pragma once

// The program is single-threaded: every wait runs the window's events between its polls through
// this one function, so tests can count pumps and run without a window.

#include <functional>

namespace EventPump {

// Runs the pending window events once.
void Run();
// Replaces what Run does; an empty function restores the default (the application's event loop).
void Set(std::function<void()> pump);

// Paces a polling loop: spins for a short while, then sleeps well under a millisecond between
// polls (a little longer once the wait has lasted beyond the time a reply normally takes), so a
// reply is picked up quickly while an idle wait costs almost no processor time. One per wait.
class PollPacer {
  public:
    void pause();

  private:
    int m_polls = 0;
};

}  // namespace EventPump
