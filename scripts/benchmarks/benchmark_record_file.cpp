// What a record file with a long stretch without a line feed (a copy gone wrong, a disk that
// filled mid-line) costs each of its readers before it goes on: the upgrade before it touches its
// unit, the terminal station and the station window before they start their first upgrade. Each
// should read in time proportional to the file's size. Runs the real programs on the simulated
// bridge; prints figures only.
//
//   benchmark_record_file [MEGABYTES [FOLDER]]
//
// 200 MB by default; FOLDER holds the tarvellon-flash and tarvellon-station to measure, by default
// those of this build.

#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>

#include "scripts/benchmarks/SimulatedUnit.h"

namespace {

constexpr int kSampleMs = 10;
constexpr qint64 kGiveUpMs = 900'000;

struct Figures {
    double seconds = -1;  // until the reader had read: -1 when it never got there
    qint64 peakKb = 0;    // the reader's largest resident size by then
};

QByteArray procFile(qint64 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/task/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs `program` until `ready` holds, then ends it and the upgrades it started.
Figures measure(const QString& program, const QStringList& arguments,
                const std::function<bool(QProcess&)>& ready) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    Figures figures;
    while (process.state() != QProcess::NotRunning && clock.elapsed() < kGiveUpMs) {
        figures.peakKb = qMax(figures.peakKb, PeakKb(process.processId()));
        if (ready(process)) {
            figures.seconds = clock.elapsed() / 1000.0;
            break;
        }
        process.waitForReadyRead(kSampleMs);
    }
    for (const QByteArray& child : procFile(process.processId(), "children").split(' ')) {
        if (child.trimmed().toInt() > 0) ::kill(child.trimmed().toInt(), SIGKILL);
    }
    process.kill();
    process.waitForFinished();
    return figures;
}

bool upgradeStarted(QProcess& upgrade) {
    while (upgrade.canReadLine()) {
        if (upgrade.readLine().contains("\"event\":\"start\"")) return true;
    }
    return false;
}

bool firstUpgradeStarted(QProcess& station) {
    return !procFile(station.processId(), "children").trimmed().isEmpty();
}

bool writeRecordFile(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray block(1 << 20, 'x');
    for (qint64 left = bytes; left > 0; left -= block.size()) {
        if (file.write(block.constData(), qMin<qint64>(left, block.size())) < 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 200;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) + '/' : QString();
    const QString flash = folder.isEmpty() ? QStringLiteral(FLASH_PROGRAM)
                                           : folder + QStringLiteral("tarvellon-flash");
    const QString window = folder.isEmpty() ? QStringLiteral(STATION_PROGRAM)
                                            : folder + QStringLiteral("tarvellon-station");
    QTemporaryDir work;
    const QString image = work.filePath(QStringLiteral("image.frw"));
    const QString records = work.filePath(QStringLiteral("records.jsonl"));
    if (!SetUpSimulatedUnit(work, 3, 0)) {
        std::fprintf(stderr, "benchmark_record_file: cannot write its files\n");
        return 1;
    }

    struct Reader {
        const char* name;
        QString program;
        QStringList arguments;
        std::function<bool(QProcess&)> ready;
    };
    const Reader readers[] = {
        {"upgrade, until it touches its unit",
         flash,
         {QStringLiteral("upgrade"), QStringLiteral("BENCH001"), image, QStringLiteral("--json"),
          QStringLiteral("--record"), records},
         upgradeStarted},
        {"terminal station, until its first upgrade",
         flash,
         {QStringLiteral("station"), image, QStringLiteral("--record"), records},
         firstUpgradeStarted},
        {"station window, until its first upgrade",
         window,
         {image, QStringLiteral("--record"), records},
         firstUpgradeStarted},
    };
    std::printf("record file of %lld MB without a line feed, against an empty one\n", megabytes);
    std::printf("%-44s %12s %10s %12s %10s\n", "reader", "empty", "peak", "long line", "peak");
    for (const Reader& reader : readers) {
        Figures figures[2];
        for (const qint64 bytes : {qint64(0), megabytes << 20}) {
            if (!writeRecordFile(records, bytes)) {
                std::fprintf(stderr, "benchmark_record_file: cannot write the record file\n");
                return 1;
            }
            figures[bytes > 0] = measure(reader.program, reader.arguments, reader.ready);
        }
        std::printf("%-44s", reader.name);
        for (const Figures& figure : figures) {
            if (figure.seconds < 0) {
                std::printf("  gave up after %lld s", kGiveUpMs / 1000);
            } else {
                std::printf(" %10.2f s %7lld MB", figure.seconds, figure.peakKb >> 10);
            }
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    QFile::remove(records);
    return 0;
}
