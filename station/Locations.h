#pragma once

// Slots are numbered in the order of the ports' locations, so that the numbers follow the
// fixture's wiring rather than the order in which units happened to be plugged in.

#include <QString>

// USB paths by their numbers (1-1.9 before 1-1.10), location ids as hexadecimal numbers (0x1142
// before 0x11a0); text otherwise.
bool LocationBefore(const QString& a, const QString& b);
