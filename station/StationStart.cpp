#include "station/StationStart.h"

#include "operations/FailureDetail.h"
#include "operations/ImageCheck.h"

namespace StationStart {

std::variant<std::unique_ptr<StationEngine>, StartFailure> Start(StationOptions options,
                                                                 DriverChoice::Choice driver) {
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
    // The command line says a missing library the same way for every command, without a hint.
    const bool hinted = failure.step != StartFailure::Step::Library && !failure.hint.isEmpty();
    return hinted ? QStringList{failure.detail, QStringLiteral("hint: ") + failure.hint}
                  : QStringList{failure.detail};
}

QString WindowText(const StartFailure& failure) {
    switch (failure.step) {
        case StartFailure::Step::Image:
            return failure.detail + '\n' + failure.hint;
        case StartFailure::Step::Library:
            return QStringLiteral("The D2XX library (libftd2xx) is not installed.\n") +
                   failure.hint;
        case StartFailure::Step::Engine:
            break;
    }
    return (failure.detail + '\n' + failure.hint).trimmed();
}

}  // namespace StationStart
