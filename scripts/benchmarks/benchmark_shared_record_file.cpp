// What another station's attempts cost a station that shares its record file: its largest
// resident size by the time it has read them back, with none and with many appended while its one
// unit is being flashed. Runs the real terminal station on the simulated bridge; prints figures
// only.
//
//   benchmark_shared_record_file [ATTEMPTS [FOLDER]]
//
// 50,000 attempts by default, each a started and a closing line as an upgrade writes them; FOLDER
// holds the tarvellon-flash to measure, by default that of this build.

#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "scripts/benchmarks/SimulatedUnit.h"
#include "station/AttemptLine.h"

namespace {

constexpr qint64 kGiveUpMs = 300'000;

// The lines of `attempts` attempts by another station on units of its own.
QByteArray otherStation(int attempts) {
    UpgradeReport report;
    report.imageKey = QStringLiteral("\u00B5TARVEL0");
    report.records = 20;
    QByteArray lines;
    for (int n = 0; n < attempts; ++n) {
        const QJsonObject started = AttemptLine::Started(
            AttemptLine::NewAttempt(), QStringLiteral("OTHER%1").arg(n),
            QStringLiteral("/srv/images/other.frw"), report, 0,
            {QStringLiteral("slot %1").arg(n % 8), QStringLiteral("1-1.2"), {}});
        const QJsonObject closing = AttemptLine::Closing(
            started,
            {{"outcome", "upgraded"}, {"duration_ms", 4000}, {"records_acknowledged", 20}});
        lines += QJsonDocument(started).toJson(QJsonDocument::Compact) + '\n' +
                 QJsonDocument(closing).toJson(QJsonDocument::Compact) + '\n';
    }
    return lines;
}

// The station's peak, in KB, once it has closed its unit's attempt; -1 when it never did.
qint64 measure(const QString& flash, const QString& image, const QString& records,
               const QByteArray& appended) {
    QFile::remove(records);
    QProcess station;
    station.setStandardErrorFile(QProcess::nullDevice());
    station.start(flash, {QStringLiteral("station"), image, QStringLiteral("--json"),
                          QStringLiteral("--record"), records});
    QElapsedTimer clock;
    clock.start();
    bool appendedYet = false;
    qint64 peak = -1;
    while (station.state() != QProcess::NotRunning && clock.elapsed() < kGiveUpMs) {
        QFile file(records);
        if (!appendedYet && file.open(QIODevice::ReadOnly) && file.size() > 0) {
            file.close();
            appendedYet = file.open(QIODevice::Append) && file.write(appended) >= 0;
        }
        if (station.canReadLine()) {
            peak = PeakKb(station.processId());
            break;
        }
        station.waitForReadyRead(10);
    }
    station.kill();
    station.waitForFinished();
    return peak;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const int attempts = argc > 1 ? QByteArray(argv[1]).toInt() : 50'000;
    const QString flash = argc > 2
                              ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/tarvellon-flash")
                              : QStringLiteral(FLASH_PROGRAM);
    QTemporaryDir work;
    const QString image = work.filePath(QStringLiteral("image.frw"));
    const QString records = work.filePath(QStringLiteral("records.jsonl"));
    // Slow enough for the other station's lines to be appended while the unit is flashed.
    if (!SetUpSimulatedUnit(work, 20, 500)) {
        std::fprintf(stderr, "benchmark_shared_record_file: cannot write its files\n");
        return 1;
    }

    const QByteArray lines = otherStation(attempts);
    std::printf("a station's peak once it has read its unit's attempt back\n");
    for (const int others : {0, attempts}) {
        const qint64 peak = measure(flash, image, records, others > 0 ? lines : QByteArray());
        std::printf(
            "%6d attempts of another station appended: %s\n", others,
            peak < 0 ? "gave up" : QStringLiteral("%1 MB").arg(peak >> 10).toUtf8().constData());
    }
    std::printf("(%lld MB of lines)\n", qint64(lines.size()) >> 20);
    return 0;
}
