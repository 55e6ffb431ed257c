// Reads from a silent device as the command line does, blocked on the library's receive
// notification, until SIGINT. Prints "waiting" once the read is about to start, then the outcome
// and the milliseconds from the signal to the end of the read.

#include <time.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "link/DeviceCommands.h"
#include "link/FTDI.h"
#include "link/Interrupt.h"
#include "link/ReceiveNotification.h"
#include "link/SubCom.h"

namespace {

std::atomic<long long> signalledNs{0};

long long nowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

}  // namespace

int main() {
    std::signal(SIGINT, [](int) {
        signalledNs = nowNs();
        Interrupt::Request();
    });
    FTDI::LoadDriverLibrary();
    PortHandle = FTDI::OpenBySerial("TARV0001");
    if (!FTDI::ArmReceiveNotification()) return 2;
    SubCom::SendCommand(DeviceCommands::Identify());
    std::puts("waiting");
    std::fflush(stdout);
    const bool interrupted = FTDI::ReadLineWithin(10000).outcome == FTDI::ReadOutcome::Interrupted;
    std::printf("%s %lld\n", interrupted ? "interrupted" : "ended",
                (nowNs() - signalledNs) / 1'000'000);
}
