#include "station/StationStart.h"

#include <QFileInfo>

#include "operations/FailureDetail.h"
#include "operations/ImageCheck.h"

namespace StationStart {
namespace {

// Without it every unit would fail as if its upgrade had died.
std::optional<StartFailure> checkProgram(const QString& program) {
    const QFileInfo file(program);
    if (file.isFile() && file.isExecutable()) return std::nullopt;
    return StartFailure{
        StartFailure::Step::Engine,
        (file.exists() ? QStringLiteral("the upgrade program %1 cannot be run")
                       : QStringLiteral("the upgrade program %1 is missing"))
            .arg(program),
        QStringLiteral("Each unit is flashed by %1, installed beside the station: install the "
                       "package again, or put %1 back beside the station's program.")
            .arg(file.fileName())};
}

}  // namespace

std::variant<std::unique_ptr<StationEngine>, StartFailure> Start(StationOptions options,
                                                                 DriverChoice::Choice driver) {
    if (std::optional<StartFailure> failure = checkProgram(options.program)) return *failure;
    const ImageCheck check = CheckImage(options.imagePath);
    if (!check.passed) return StartFailure{StartFailure::Step::Image, check.detail, check.hint};
    options.image = check.report;
    const std::optional<Driver> installed = DriverChoice::Install(driver);
    if (!installed) {
        return StartFailure{
            StartFailure::Step::Library, NoLibraryDetail,
            FailureHint({.step = QStringLiteral("library"), .cause = FailureCause::NoLibrary})};
    }
    options.driver = *installed;
    auto engine = std::make_unique<StationEngine>(std::move(options));
    if (std::optional<StartFailure> failure = engine->start()) return *failure;
    return engine;
}

QStringList TerminalLines(const StartFailure& failure) {
    return !failure.hint.isEmpty()
               ? QStringList{failure.detail, QStringLiteral("hint: ") + failure.hint}
               : QStringList{failure.detail};
}

QString WindowText(const StartFailure& failure) {
    switch (failure.step) {
        case StartFailure::Step::Image:
            return failure.detail + '\n' + failure.hint;
        case StartFailure::Step::Library:
            // Said to whoever starts the window, from its menu entry or a line PC's start-up.
            return QStringLiteral(
                "The D2XX library (libftd2xx) is not installed, and --driver d2xx keeps the "
                "station to it.\nInstall the D2XX library from FTDI's website, or start the "
                "station with --driver serial, or from its menu entry, to reach the bridges "
                "through the kernel's driver.");
        case StartFailure::Step::Engine:
            break;
    }
    return (failure.detail + '\n' + failure.hint).trimmed();
}

}  // namespace StationStart
