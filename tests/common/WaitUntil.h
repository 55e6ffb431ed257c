#pragma once

#include <functional>

// Waits until `done` holds, `ms` at most, running the event loop meanwhile.
bool WaitUntil(const std::function<bool()>& done, int ms);
