#pragma once

// Processor time, user and system, of this process (RUSAGE_SELF) or of its children that have
// ended and been waited for (RUSAGE_CHILDREN).

#include <sys/resource.h>

inline double ProcessorSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
