#include "station/StationEngine.h"

#include <signal.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

#include <QFileInfo>
#include <QJsonDocument>
#include <algorithm>

#include "operations/DeviceList.h"
#include "operations/FailureHint.h"
#include "station/AttemptLine.h"
#include "support/NativePath.h"

namespace {

// The library is polled: it has no plug-in events on every platform.
constexpr int kPollMs = 500;
constexpr qint64 kHourMs = 3'600'000;

}  // namespace

StationEngine::StationEngine(StationOptions options, QObject* parent)
    : QObject(parent),
      m_options(std::move(options)),
      m_ports(DeviceList::ScanDetails, m_options.slotNames, m_options.newOnly) {
    connect(&m_pollTimer, &QTimer::timeout, this, &StationEngine::poll);
}

std::optional<StartFailure> StationEngine::start() {
    ImageCopy::RemoveStale();
    if (const std::optional<QString> error = m_imageCopy.write(m_options.image.image)) {
        return StartFailure{.detail = *error, .hint = {}};
    }
    if (!m_recordFile.open(m_options.recordPath)) {
        return StartFailure{.detail = m_recordFile.errorString(),
                            .hint = FailureHint({.step = QStringLiteral("record_file"),
                                                 .cause = FailureCause::RecordFileUnwritable})};
    }
    m_recordFile.readNew();
    // Named from here on, never opened again.
    const QString shown = NativePath::Displayed(m_options.imagePath);
    m_image = {shown,
               QFileInfo(shown).fileName(),
               m_options.image.imageKey,
               m_options.image.records,
               m_options.image.image.size(),
               m_options.image.imageSha256(),
               DriverName(m_options.driver),
               QFileInfo(m_options.recordPath).absoluteFilePath()};
    m_since.start();
    m_pollTimer.start(kPollMs);
    QTimer::singleShot(0, this, &StationEngine::poll);
    return std::nullopt;
}

void StationEngine::continueFrom(const StationEngine& earlier) {
    m_passed = earlier.m_passed;
    m_failed = earlier.m_failed;
    m_doneAtMs = earlier.m_doneAtMs;
    m_since = earlier.m_since;
}

void StationEngine::stop() {
    m_stopRequested = true;
    // Queued units now stay so.
    for (int index = 0; index < slotCount(); ++index) emit slotChanged(index);
    QMetaObject::invokeMethod(this, &StationEngine::finishIfDone, Qt::QueuedConnection);
}

void StationEngine::abort() {
    m_aborted = true;
    // An upgrade that has not said it started may not yet handle the interrupt, which would
    // kill it instead: it is interrupted once it says so.
    for (const Upgrade& upgrade : m_upgrades) {
        if (upgrade.process != nullptr && upgrade.startSeen) interrupt(upgrade);
    }
    stop();
}

Totals StationEngine::totals() const {
    const qint64 now = m_since.isValid() ? m_since.elapsed() : 0;
    const int done = m_passed + m_failed;
    return {m_passed,
            m_failed,
            running(),
            done > 0 ? std::optional<int>(m_passed * 100 / done) : std::nullopt,
            int(std::count_if(m_doneAtMs.begin(), m_doneAtMs.end(),
                              [now](qint64 at) { return now - at < kHourMs; })),
            now};
}

StationResult StationEngine::result() const {
    if (!m_stopReason.isEmpty()) return StationResult::LineStopped;
    if (m_aborted) return StationResult::Aborted;
    return m_failed > 0 ? StationResult::UnitsFailed : StationResult::AllPassed;
}

int StationEngine::running() const {
    return int(std::count_if(m_upgrades.begin(), m_upgrades.end(),
                             [](const Upgrade& upgrade) { return upgrade.process != nullptr; }));
}

void StationEngine::poll() {
    if (m_finished) return;
    const SlotPorts::Changes changes = m_ports.look(m_since.elapsed());
    if (changes.slotsAdded) {
        m_upgrades.resize(m_ports.count());
        emit slotsChanged();
    }
    for (const int index : changes.changed) emit slotChanged(index);
    if (running() == 0) m_recordFile.forgetEarlier();
    startQueued();
    finishIfDone();
}

void StationEngine::startQueued() {
    int busy = running();
    for (int index = 0; index < slotCount(); ++index) {
        const bool capped = m_options.jobs > 0 && busy >= m_options.jobs;
        const bool countReached =
            m_options.count > 0 && m_passed + m_failed + busy >= m_options.count;
        if (stopping() || capped || countReached) return;
        if (slot(index).state == SlotState::Queued) {
            startUpgrade(index);
            ++busy;
        }
    }
}

void StationEngine::startUpgrade(int index) {
    Upgrade& upgrade = m_upgrades[index];
    SlotView& view = m_ports.slot(index);
    upgrade = Upgrade();
    upgrade.process = new QProcess(this);
    upgrade.serial = view.serial;
    upgrade.place = {view.name, view.location, m_options.station};
    upgrade.startedAt = QDateTime::currentDateTimeUtc();
    m_claims.expect(upgrade.serial);
    upgrade.process->setStandardErrorFile(QProcess::nullDevice());
    upgrade.process->setChildProcessModifier([station = ::getpid()] {
        // Ctrl-C at a terminal reaches the station alone, which decides whether to pass it on.
        ::setpgid(0, 0);
        // An interrupt that comes before the upgrade can take it waits (the command line takes
        // these signals once its handlers stand), rather than ending it without its record.
        sigset_t interrupts;
        sigemptyset(&interrupts);
        for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, number);
        ::sigprocmask(SIG_BLOCK, &interrupts, nullptr);
#ifdef Q_OS_LINUX
        // Should the station die, the kernel tells the upgrade (SIGHUP), which then ends the
        // exchange it is in as an interrupt does and closes its attempt. One whose station is
        // already gone ends here, before it touches anything.
        ::prctl(PR_SET_PDEATHSIG, SIGHUP);
        if (::getppid() != station) ::_exit(127);
#else
        (void)station;
#endif
    });
    connect(upgrade.process, &QProcess::readyReadStandardOutput, this,
            [this, index] { readEvents(index); });
    connect(upgrade.process, &QProcess::finished, this,
            [this, index](int exitCode, QProcess::ExitStatus status) {
                upgradeEnded(index, exitCode, status);
            });
    // A process that never started sends no finished(); its slot must not wait for ever. Queued,
    // since start() may report it before returning.
    connect(
        upgrade.process, &QProcess::errorOccurred, this,
        [this, index](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) upgradeEnded(index, 0, QProcess::CrashExit);
        },
        Qt::QueuedConnection);
    view.percent = 0;
    view.secondsLeft = 0;
    view.awaited.clear();
    setState(index, SlotState::Starting);
    upgrade.process->start(m_options.program, upgradeArguments(upgrade));
}

// The one place that says how a unit is flashed and recorded, whichever front end runs the
// station.
QStringList StationEngine::upgradeArguments(const Upgrade& upgrade) const {
    QStringList arguments{QStringLiteral("upgrade"),
                          upgrade.serial,
                          m_imageCopy.path(),
                          QStringLiteral("--json"),
                          QStringLiteral("--image-name"),
                          m_image.path,
                          QStringLiteral("--expect-sha256"),
                          m_image.sha256,
                          QStringLiteral("--record"),
                          m_image.recordFile,
                          QStringLiteral("--driver"),
                          m_image.driver,
                          QStringLiteral("--slot"),
                          upgrade.place.slot};
    if (!upgrade.place.location.isEmpty()) {
        arguments << QStringLiteral("--location") << upgrade.place.location;
    }
    if (!upgrade.place.station.isEmpty()) {
        arguments << QStringLiteral("--station") << upgrade.place.station;
    }
    if (!m_options.latency.isEmpty()) {
        arguments << QStringLiteral("--latency-ms") << m_options.latency;
    }
    return arguments;
}

void StationEngine::readEvents(int index) {
    Upgrade& upgrade = m_upgrades[index];
    while (upgrade.process->canReadLine()) {
        const QJsonObject event = QJsonDocument::fromJson(upgrade.process->readLine()).object();
        const QString name = event.value(QStringLiteral("event")).toString();
        if (name == QStringLiteral("start")) {
            upgrade.attempt = event.value(QStringLiteral("attempt")).toString();
            m_claims.name(upgrade.serial, upgrade.attempt);
            upgrade.startSeen = true;
            if (m_aborted) interrupt(upgrade);
        } else if (name == QStringLiteral("progress")) {
            upgrade.recordsAcknowledged = event.value(QStringLiteral("records_done")).toInt();
            SlotView& view = m_ports.slot(index);
            view.percent = event.value(QStringLiteral("percent")).toInt();
            view.secondsLeft = event.value(QStringLiteral("seconds_left")).toInt();
            setState(index, SlotState::Flashing);
        } else if (name == QStringLiteral("waiting")) {
            SlotView& view = m_ports.slot(index);
            const bool waits = event.value(QStringLiteral("seconds")).toInt() > 0;
            view.awaited = waits ? event.value(QStringLiteral("awaited")).toString() : QString();
            view.waitSecondsLeft = event.value(QStringLiteral("seconds_left")).toInt();
            setState(index, view.state);
        } else if (name == QStringLiteral("end")) {
            upgrade.end = event;
        }
    }
}

void StationEngine::upgradeEnded(int index, int exitCode, QProcess::ExitStatus status) {
    Upgrade& upgrade = m_upgrades[index];
    if (upgrade.process == nullptr) return;
    readEvents(index);
    upgrade.process->disconnect(this);
    // A crash has no exit code at all.
    const QJsonValue code = status == QProcess::NormalExit ? QJsonValue(exitCode) : QJsonValue();
    const QJsonObject closing = closingLine(upgrade, code);
    upgrade.process->deleteLater();
    upgrade.process = nullptr;
    settle(index, closing);
    startQueued();
    finishIfDone();
}

// Reads the lines the upgrades appended since, to be claimed by attempt.
void StationEngine::readClaims() {
    if (!m_recordFile.readNew([this](const QJsonObject& line) { m_claims.offer(line); })) {
        stopLine(QStringLiteral("the record file was renamed or removed during the run: %1")
                     .arg(m_recordFile.errorString()));
    }
}

// The attempt's closing line as the upgrade wrote it, or as written here for an upgrade that
// died; empty when it could not be written.
QJsonObject StationEngine::closingLine(const Upgrade& upgrade, const QJsonValue& exitCode) {
    readClaims();
    const AttemptClaims::Lines found = m_claims.claim(upgrade.serial, upgrade.attempt);
    if (!found.closing.isEmpty()) return found.closing;
    if (upgrade.end.value(QStringLiteral("failed_step")) == QStringLiteral("record_file")) {
        stopLine(upgrade.end.value(QStringLiteral("detail")).toString());
        return {};
    }
    // An upgrade that ended before it opened its attempt, or died without closing it, is
    // closed here.
    const QJsonObject started =
        found.started.isEmpty() ? unwrittenStartedLine(upgrade) : found.started;
    const QJsonObject closing =
        upgrade.end.isEmpty()
            ? AttemptLine::ProcessDied(started, exitCode, upgrade.recordsAcknowledged)
            : AttemptLine::Closing(started, upgrade.end);
    if (!m_recordFile.append(closing)) {
        stopLine(QStringLiteral("the record of %1 could not be written: %2")
                     .arg(upgrade.serial, m_recordFile.errorString()));
        return {};
    }
    return closing;
}

// The started line of an upgrade that ended before it wrote one, as it would have written it.
QJsonObject StationEngine::unwrittenStartedLine(const Upgrade& upgrade) const {
    const QString attempt = upgrade.attempt.isEmpty() ? AttemptLine::NewAttempt() : upgrade.attempt;
    return AttemptLine::Started(attempt, upgrade.serial, m_image.path, m_options.image,
                                m_recordFile.attemptsOn(upgrade.serial), upgrade.place,
                                upgrade.startedAt);
}

void StationEngine::settle(int index, const QJsonObject& closing) {
    SlotView& view = m_ports.slot(index);
    const bool passed = AttemptLine::Passed(closing);
    const QJsonObject& said = closing.isEmpty() ? m_upgrades[index].end : closing;
    const QString detail = said.value(QStringLiteral("detail")).toString();
    view.detail =
        passed ? QString()
               : (detail.isEmpty() ? said.value(QStringLiteral("failed_step")).toString() : detail);
    view.hint = passed ? QString() : said.value(QStringLiteral("hint")).toString();
    ++(passed ? m_passed : m_failed);
    m_doneAtMs.append(m_since.elapsed());
    m_doneAtMs.removeIf([now = m_doneAtMs.last()](qint64 at) { return now - at >= kHourMs; });
    if (!closing.isEmpty()) emit attemptClosed(closing);
    setState(index, passed ? SlotState::Pass : SlotState::Fail);
}

void StationEngine::interrupt(const Upgrade& upgrade) {
    ::kill(pid_t(upgrade.process->processId()), SIGINT);
}

void StationEngine::stopLine(const QString& reason) {
    if (!m_stopReason.isEmpty()) return;
    m_stopReason = reason;
    emit lineStopped(reason);
}

void StationEngine::setState(int index, SlotState state) {
    m_ports.slot(index).state = state;
    emit slotChanged(index);
}

void StationEngine::finishIfDone() {
    const bool countReached = m_options.count > 0 && m_passed + m_failed >= m_options.count;
    if (m_finished || !(stopping() || countReached) || running() > 0) return;
    m_finished = true;
    m_pollTimer.stop();
    emit finished(result());
}
