// What the device link costs the host against the simulated bridge: a record's round trip, the
// processor time of a wait on a silent device and how closely it keeps its deadline, and how soon a
// read notices a reply, for the window's polling reads and the command line's reads that block on
// the library's receive notification. Prints figures and targets; run with the simulated bridge's
// folder on LD_LIBRARY_PATH.

#include <QApplication>
#include <QLibrary>
#include <QTemporaryFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "link/Clock.h"
#include "link/DeviceCommands.h"
#include "link/FTDI.h"
#include "link/PortHandle.h"
#include "link/ReceiveNotification.h"
#include "link/SubCom.h"
#include "operations/UpgradeProcedure.h"
#include "scripts/benchmarks/ProcessorTime.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kSerial = "BENCH001";
// An all-zero record is a data record whose checksum holds: the device answers it with 0.
constexpr std::uint8_t kRecord[DeviceCommands::RecordSize] = {};

// Attaches one simulated device with the given settings; false when the simulator is missing.
bool attach(QTemporaryFile& config, const QByteArray& settings) {
    config.resize(0);
    config.write(QByteArray("device = ") + kSerial + "\n" + settings);
    config.flush();
    qputenv("TARVELLON_SIM_CONFIG", config.fileName().toLocal8Bit());
    const auto reload =
        reinterpret_cast<int (*)()>(QLibrary::resolve("ftd2xx", "TarvellonSim_Reload"));
    if (!FTDI::LoadDriverLibrary() || reload == nullptr || reload() != 0) {
        return false;
    }
    PortHandle = FTDI::OpenBySerial(kSerial);
    return PortHandle.isOpen();
}

// Into record mode.
bool monitor() {
    SubCom::SendCommand(DeviceCommands::Monitor());
    return FTDI::ReadByteWithin(1000).byte == DeviceCommands::MonitorReady;
}

double medianUs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double usSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// Host time per record, write to acknowledgement, when the device answers at once.
double roundTripUs(int records) {
    std::vector<double> samples;
    for (int i = 0; i < records; ++i) {
        const auto start = Clock::now();
        FTDI::WriteBytes(kRecord, DeviceCommands::RecordSize);
        FTDI::ReadByte();
        samples.push_back(usSince(start));
    }
    return medianUs(samples);
}

// Share of one core used while a wait runs out.
template <typename Wait>
double cpuPercentWhile(Wait wait) {
    const double cpuStart = ProcessorSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    wait();
    return 100.0 * (ProcessorSeconds(RUSAGE_SELF) - cpuStart) / (usSince(start) / 1e6);
}

// How long after the acknowledgement becomes readable (the programming time after the write)
// the read returns. The read starts a random fraction of a millisecond after the write, so the
// reply falls at every point between two polls. Measured from before the write, so the figure
// errs on the high side.
template <typename Read>
double wakeDelayUs(int records, int programMs, Read read) {
    std::minstd_rand random(1);
    std::uniform_int_distribution<int> offsetUs(0, 999);
    std::vector<double> samples;
    for (int i = 0; i < records; ++i) {
        const auto start = Clock::now();
        FTDI::WriteBytes(kRecord, DeviceCommands::RecordSize);
        const auto readFrom = start + std::chrono::microseconds(offsetUs(random));
        while (Clock::now() < readFrom) {
        }
        read();
        samples.push_back(usSince(start) - programMs * 1000.0);
    }
    return medianUs(samples);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QTemporaryFile config;
    if (!config.open()) {
        std::fprintf(stderr, "benchmark_link: cannot write the simulator's configuration\n");
        return 1;
    }

    if (!attach(config, "runlevel = boot\nlatency_ms = 0\nprogram_ms = 0\n") || !monitor()) {
        std::fprintf(stderr, "benchmark_link: simulated bridge not found (LD_LIBRARY_PATH)\n");
        return 1;
    }
    roundTripUs(500);
    std::printf(
        "record round trip at zero latency, median of 20,000        %7.2f us  (target <= 20 us)\n",
        roundTripUs(20000));
    SubCom::ClosePort();

    // The window polls, for the whole reply deadline; the command line blocks on the library's
    // receive notification.
    attach(config, "silent_from_command = id\n");
    SubCom::SendCommand(DeviceCommands::Identify());
    const int deadlineMs = UpgradeProcedure::ReplyDeadlineMs;
    const auto readStart = Clock::now();
    const double idle = cpuPercentWhile([=] { FTDI::ReadLineWithin(deadlineMs); });
    const double lateMs = usSince(readStart) / 1000 - deadlineMs;
    std::printf(
        "processor time, %d s read on a silent device, window       %7.2f %%   (target <= 0.5 %% "
        "of a core)\n",
        deadlineMs / 1000, idle);
    std::printf(
        "  that read ended after its deadline by                    %7.2f ms  (target: a few "
        "ms)\n",
        lateMs);
    if (!FTDI::ArmReceiveNotification()) {
        std::fprintf(stderr, "benchmark_link: the simulated bridge refuses receive notification\n");
        return 1;
    }
    std::printf(
        "processor time, 2 s read on a silent device, command line  %7.2f %%   (target <= "
        "0.2 %% of a core)\n",
        cpuPercentWhile([] { FTDI::ReadLineWithin(2000); }));
    // What this machine charges for waking every 2 ms at all: the floor under the window's wait.
    std::printf("processor time, 2 s of bare 2 ms sleeps, for reference      %7.2f %%\n",
                cpuPercentWhile([] {
                    for (int i = 0; i < 1000; ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }));
    std::printf(
        "processor time, WaitMs(2000)                               %7.2f %%   (target <= 1 %% "
        "of a core)\n",
        cpuPercentWhile([] { Time::WaitMs(2000); }));
    SubCom::ClosePort();

    // The device's programming time places the reply: within the time replies normally take,
    // and long after it, where the window's polls are further apart.
    for (const int programMs : {5, 200}) {
        const int records = programMs < 100 ? 200 : 20;
        attach(config, "runlevel = boot\nlatency_ms = 0\nprogram_ms = " +
                           QByteArray::number(programMs) + "\n");
        monitor();
        const auto read = [] { FTDI::ReadByteWithin(1000); };
        std::printf(
            "pick-up delay, reply %3d ms after the write, window        %7.3f ms  (target <= "
            "%.1f ms, median of %d)\n",
            programMs, wakeDelayUs(records, programMs, read) / 1000, programMs < 100 ? 0.3 : 2.0,
            records);
        FTDI::ArmReceiveNotification();
        std::printf(
            "pick-up delay, reply %3d ms after the write, command line  %7.3f ms  (target <= "
            "0.3 ms, median of %d)\n",
            programMs, wakeDelayUs(records, programMs, read) / 1000, records);
        SubCom::ClosePort();
    }
    return 0;
}
