// What the kernel's serial driver costs the host against the vendor's library: an upgrade of a
// device that answers at once (no latency timer, no programming time), through a pseudo-terminal
// and the real serial code, next to the same upgrade on the simulated bridge, whose device
// answers inside the library call. What is left is the host's own time per record: the program,
// the driver and the round trip. Runs the real command line, and the window's own upgrade in this
// process with --port, each best of three; prints figures only.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "app/Form1.h"
#include "app/MessageBoxes.h"
#include "scripts/benchmarks/BenchmarkImage.h"
#include "scripts/benchmarks/ProcessorTime.h"

namespace {

constexpr int kRecords = 20000;
constexpr int kRuns = 3;

struct Cost {
    double ms = -1;     // the upgrade, as the program's closing event reports it
    double cpuMs = -1;  // the program's processor time, start-up included
};

// The bridge's timer stays at 0, where the fast link would raise it to the simulated bridge's
// lowest, 2 ms.
Cost upgrade(const QTemporaryDir& folder, const QStringList& options) {
    const double cpuBefore = ProcessorSeconds(RUSAGE_CHILDREN);
    QProcess flash;
    flash.start(QStringLiteral(FLASH_PROGRAM),
                QStringList{"upgrade", "--json", "--latency-ms", "keep"} + options +
                    QStringList{"BENCH001", folder.filePath(QStringLiteral("image.frw"))});
    if (!flash.waitForFinished(-1) || flash.exitCode() != 0) return {};
    const QByteArray end = flash.readAllStandardOutput().trimmed().split('\n').last();
    return {QJsonDocument::fromJson(end).object()[QStringLiteral("duration_ms")].toDouble(),
            (ProcessorSeconds(RUSAGE_CHILDREN) - cpuBefore) * 1000};
}

// The window's upgrade button on the device its --port lists; the processor time is this
// process's, the window's start-up left out.
Cost windowUpgrade(const QTemporaryDir& folder, const QString& port) {
    const auto options =
        WindowCommandLine::Parse({WindowCommandLine::ProgramName, QStringLiteral("--port"), port});
    Form1 window(std::get<WindowOptions>(options));
    window.Form_Load();
    window.FirmwarePath = folder.filePath(QStringLiteral("image.frw"));
    window.DeviceSerial = window.DevicesList->item(0)->text();
    bool upgraded = false;
    MessageBoxes::SetHandler([&](const QString& text, MessageIcon) {
        upgraded = text == QStringLiteral("Upgrade successfull.");
    });
    const double cpuBefore = ProcessorSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    window.Upgrade->click();
    const Cost cost{double(clock.elapsed()), (ProcessorSeconds(RUSAGE_SELF) - cpuBefore) * 1000};
    return upgraded ? cost : Cost{};
}

enum class Through { Library, Pty, WindowOnPty };

// Best of kRuns.
Cost best(const QTemporaryDir& folder, Through through) {
    Cost best;
    for (int run = 0; run < kRuns; ++run) {
        QProcess bridge;
        QStringList options{"--driver", "d2xx"};
        if (through != Through::Library) {
            bridge.start(QStringLiteral(PTY_BRIDGE_PROGRAM));
            if (!bridge.waitForReadyRead(5000)) return {};
            options = {"--port", QString::fromLocal8Bit(bridge.readLine().trimmed())};
        }
        const Cost cost = through == Through::WindowOnPty ? windowUpgrade(folder, options.last())
                                                          : upgrade(folder, options);
        bridge.kill();
        bridge.waitForFinished();
        if (cost.ms < 0) return {};
        if (best.ms < 0 || cost.ms < best.ms) best = cost;
    }
    return best;
}

void print(const char* driver, const Cost& cost) {
    std::printf("%-26s %9.0f ms %9.1f us %12.1f us\n", driver, cost.ms, cost.ms * 1000 / kRecords,
                cost.cpuMs * 1000 / kRecords);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QTemporaryDir folder;
    QFile config(folder.filePath(QStringLiteral("sim.conf")));
    if (!folder.isValid() ||
        !WriteBenchmarkImage(folder.filePath(QStringLiteral("image.frw")), kRecords) ||
        !config.open(QIODevice::WriteOnly) ||
        config.write("device = BENCH001\nrunlevel = boot\nlatency_ms = 0\nprogram_ms = 0\n") < 0) {
        std::fprintf(stderr, "benchmark_serial_link: cannot write the image\n");
        return 1;
    }
    config.close();
    qputenv("TARVELLON_SIM_CONFIG", config.fileName().toLocal8Bit());
    const Cost library = best(folder, Through::Library);
    const Cost kernel = best(folder, Through::Pty);
    const Cost window = best(folder, Through::WindowOnPty);
    std::printf(
        "%d records, a device that answers at once, best of %d; processor time of the "
        "command line with its start-up, of the window without\n",
        kRecords, kRuns);
    std::printf("driver                        upgrade  per record  processor/record\n");
    print("d2xx, simulated bridge", library);
    print("serial, pseudo-terminal", kernel);
    print("window, pseudo-terminal", window);
    return 0;
}
