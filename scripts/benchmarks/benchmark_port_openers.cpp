// What looking for other programs that hold a port costs an upgrade's open, on a machine whose
// processes hold many descriptors: every process's descriptors are looked at once per open. Four
// child processes hold 5,000 descriptors each (20,000 in all, besides the machine's own); the
// port is a pseudo-terminal. Prints the time of one look, best and median of nine; figures only.

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/serial/PortOpeners.h"

namespace {

constexpr int kHolders = 4;
constexpr int kDescriptorsEach = 5000;
constexpr int kRuns = 9;

// A child that holds `count` descriptors until its pipe closes; its pid, or -1.
pid_t holder(int count) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        int held = 0;
        while (held < count && ::open("/dev/null", O_RDONLY) >= 0) ++held;
        const char done = held == count ? 1 : 0;
        if (::write(ready[1], &done, 1) != 1) ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char done = 0;
    const bool held = pid > 0 && ::read(ready[0], &done, 1) == 1 && done == 1;
    ::close(ready[0]);
    return held ? pid : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    std::vector<pid_t> holders;
    for (int i = 0; i < kHolders; ++i) holders.push_back(holder(kDescriptorsEach));
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    const bool ready = master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0 &&
                       std::count(holders.begin(), holders.end(), -1) == 0;
    std::vector<double> ms;
    if (ready) {
        const QString port = QString::fromLocal8Bit(::ptsname(master));
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer timer;
            timer.start();
            const OpenerScan scan = OtherOpeners(port);
            ms.push_back(timer.nsecsElapsed() / 1e6);
            if (!scan.openers.isEmpty()) std::printf("unexpected: the port is held\n");
        }
    }
    for (const pid_t pid : holders) {
        if (pid <= 0) continue;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    if (!ready) {
        std::printf("cannot hold %d descriptors in %d processes, or open a pseudo-terminal\n",
                    kHolders * kDescriptorsEach, kHolders);
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "other openers of a port, with %d descriptors held by %d processes besides the "
        "machine's own: best %.1f ms, median %.1f ms (of %d)\n",
        kHolders * kDescriptorsEach, kHolders, ms.front(), ms[ms.size() / 2], kRuns);
    return 0;
}
