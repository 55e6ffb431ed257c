#include "station/StationEngine.h"

#include <signal.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <algorithm>

#include "operations/DeviceList.h"
#include "operations/FailureHint.h"
#include "station/AttemptLine.h"
#include "station/Locations.h"
#include "support/NativePath.h"

namespace {

// The library is polled: it has no plug-in events on every platform.
constexpr int kPollMs = 500;
// How long an unplugged unit's slot says so, so the operator sees it go.
constexpr qint64 kUnpluggedShownMs = 3000;
constexpr qint64 kHourMs = 3'600'000;

// A copy of the checked bytes in a folder of this process's own, read-only; "" with `error` set
// when it cannot be written.
QString privateCopy(const QTemporaryDir& folder, const QByteArray& bytes, QString& error) {
    QSaveFile copy(folder.filePath(QStringLiteral("image.frw")));
    if (!folder.isValid() || !copy.open(QIODevice::WriteOnly) ||
        copy.write(bytes) != bytes.size() || !copy.commit() ||
        !QFile::setPermissions(copy.fileName(), QFileDevice::ReadOwner)) {
        error = folder.isValid() ? copy.errorString() : folder.errorString();
        return {};
    }
    return copy.fileName();
}

}  // namespace

StationEngine::StationEngine(StationOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {
    connect(&m_pollTimer, &QTimer::timeout, this, &StationEngine::poll);
}

std::optional<StartFailure> StationEngine::start() {
    m_copyFolder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(
        QCoreApplication::applicationName() + QStringLiteral("-station-XXXXXX")));
    QString copyError;
    m_imageCopy = privateCopy(*m_copyFolder, m_options.image.image, copyError);
    if (m_imageCopy.isEmpty()) {
        return StartFailure{
            QStringLiteral("cannot keep a private copy of the image: %1").arg(copyError), {}};
    }
    if (!m_recordFile.open(m_options.recordPath)) {
        return StartFailure{m_recordFile.errorString(),
                            FailureHint({.step = QStringLiteral("record_file"),
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

void StationEngine::stop() {
    m_stopRequested = true;
    // Queued units now stay so.
    for (int index = 0; index < slotCount(); ++index) emit slotChanged(index);
    QMetaObject::invokeMethod(this, &StationEngine::finishIfDone, Qt::QueuedConnection);
}

void StationEngine::abort() {
    m_aborted = true;
    for (const auto& slot : m_slots) {
        if (slot->process != nullptr) ::kill(pid_t(slot->process->processId()), SIGINT);
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
    return int(std::count_if(m_slots.begin(), m_slots.end(),
                             [](const auto& slot) { return slot->process != nullptr; }));
}

void StationEngine::poll() {
    if (m_finished) return;
    if (m_firstPoll) {
        // The named slots are shown from the start, each at its place.
        QList<std::pair<QString, QString>> named;
        for (auto it = m_options.slotNames.begin(); it != m_options.slotNames.end(); ++it) {
            named.append({it.key(), it.key()});
        }
        addSlots(named);
    }
    // A bridge that another process holds open may be listed without its serial number: while
    // any such entry stands, a unit missing from the list may be that one, not unplugged.
    bool maybeHeld = false;
    QHash<QString, QString> unitAt;  // serial by slot key
    QList<std::pair<QString, QString>> newPorts;
    for (const DeviceList::Details& device : DeviceList::ScanDetails()) {
        if (device.serial.isEmpty()) {
            maybeHeld = true;
            continue;
        }
        // Where the driver names no location, the serial stands in for one, or the slot the unit
        // is in (a library may leave out the location of a bridge held open); the channels of one
        // chip share a location and are told apart by their serials.
        QString key = device.location;
        if (key.isEmpty()) {
            const auto holder = std::find_if(m_slots.begin(), m_slots.end(), [&](const auto& slot) {
                return slot->view.serial == device.serial;
            });
            key = holder != m_slots.end() ? (*holder)->key
                                          : QStringLiteral("serial ") + device.serial;
        }
        if (unitAt.contains(key)) key += ' ' + device.serial;
        unitAt.insert(key, device.serial);
        const bool known = std::any_of(m_slots.begin(), m_slots.end(),
                                       [&](const auto& slot) { return slot->key == key; });
        if (!known) newPorts.append({key, device.location});
    }
    addSlots(newPorts);
    for (const auto& slot : m_slots) follow(*slot, unitAt.value(slot->key), maybeHeld);
    m_firstPoll = false;
    startQueued();
    finishIfDone();
}

void StationEngine::addSlots(QList<std::pair<QString, QString>> ports) {
    if (ports.isEmpty()) return;
    std::sort(ports.begin(), ports.end(),
              [](const auto& a, const auto& b) { return LocationBefore(a.second, b.second); });
    for (const auto& [key, location] : ports) {
        auto slot = std::make_unique<Slot>();
        slot->key = key;
        slot->view.number = slotCount() + 1;
        slot->view.location = location;
        slot->view.name = m_options.slotNames.value(location, QString::number(slot->view.number));
        m_slots.push_back(std::move(slot));
    }
    emit slotsChanged();
}

// Where the slot's unit went, by what the port shows now (`serial`, "" when nothing).
void StationEngine::follow(Slot& slot, const QString& serial, bool maybeHeld) {
    if (slot.process != nullptr) return;
    const int index = slot.view.number - 1;
    switch (slot.view.state) {
        case SlotState::Empty:
            if (!serial.isEmpty()) plugIn(slot, serial);
            return;
        case SlotState::Unplugged:
            // Plugged back, it is a new unit as far as the line is concerned.
            if (!serial.isEmpty()) {
                plugIn(slot, serial);
            } else if (slot.unpluggedFor.elapsed() > kUnpluggedShownMs) {
                slot.view.serial.clear();
                setState(index, SlotState::Empty);
            }
            return;
        default:
            if (serial.isEmpty() && !maybeHeld) {
                slot.unpluggedFor.start();
                setState(index, SlotState::Unplugged);
            } else if (!serial.isEmpty() && serial != slot.view.serial) {
                plugIn(slot, serial);
            }
    }
}

void StationEngine::plugIn(Slot& slot, const QString& serial) {
    slot.view.serial = serial;
    slot.view.detail.clear();
    slot.view.hint.clear();
    const bool leftAlone = m_firstPoll && m_options.newOnly;
    setState(slot.view.number - 1, leftAlone ? SlotState::LeftAlone : SlotState::Queued);
}

void StationEngine::startQueued() {
    int busy = running();
    for (int index = 0; index < slotCount(); ++index) {
        const bool capped = m_options.jobs > 0 && busy >= m_options.jobs;
        const bool countReached =
            m_options.count > 0 && m_passed + m_failed + busy >= m_options.count;
        if (stopping() || capped || countReached) return;
        if (m_slots[index]->view.state == SlotState::Queued) {
            startUpgrade(index);
            ++busy;
        }
    }
}

void StationEngine::startUpgrade(int index) {
    Slot& slot = *m_slots[index];
    slot.process = new QProcess(this);
    slot.process->setStandardErrorFile(QProcess::nullDevice());
    slot.process->setChildProcessModifier([station = ::getpid()] {
        // Ctrl-C at a terminal reaches the station alone, which decides whether to pass it on.
        ::setpgid(0, 0);
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
    connect(slot.process, &QProcess::readyReadStandardOutput, this,
            [this, index] { readEvents(index); });
    connect(slot.process, &QProcess::finished, this,
            [this, index](int exitCode, QProcess::ExitStatus status) {
                upgradeEnded(index, exitCode, status);
            });
    // A process that never started sends no finished(); its slot must not wait for ever. Queued,
    // since start() may report it before returning.
    connect(
        slot.process, &QProcess::errorOccurred, this,
        [this, index](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart) upgradeEnded(index, 0, QProcess::CrashExit);
        },
        Qt::QueuedConnection);
    slot.startedAt = QDateTime::currentDateTimeUtc();
    slot.attempt.clear();
    slot.recordsAcknowledged = 0;
    slot.end = {};
    slot.view.percent = 0;
    slot.view.secondsLeft = 0;
    setState(index, SlotState::Starting);
    slot.process->start(m_options.program, upgradeArguments(slot));
}

// The one place that says how a unit is flashed and recorded, whichever front end runs the
// station.
QStringList StationEngine::upgradeArguments(const Slot& slot) const {
    QStringList arguments{QStringLiteral("upgrade"),
                          slot.view.serial,
                          m_imageCopy,
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
                          slot.view.name};
    if (!slot.view.location.isEmpty()) {
        arguments << QStringLiteral("--location") << slot.view.location;
    }
    if (!m_options.latency.isEmpty()) {
        arguments << QStringLiteral("--latency-ms") << m_options.latency;
    }
    return arguments;
}

void StationEngine::readEvents(int index) {
    Slot& slot = *m_slots[index];
    while (slot.process->canReadLine()) {
        const QJsonObject event = QJsonDocument::fromJson(slot.process->readLine()).object();
        const QString name = event.value(QStringLiteral("event")).toString();
        if (name == QStringLiteral("start")) {
            slot.attempt = event.value(QStringLiteral("attempt")).toString();
        } else if (name == QStringLiteral("progress")) {
            slot.recordsAcknowledged = event.value(QStringLiteral("records_done")).toInt();
            slot.view.percent = event.value(QStringLiteral("percent")).toInt();
            slot.view.secondsLeft = event.value(QStringLiteral("seconds_left")).toInt();
            setState(index, SlotState::Flashing);
        } else if (name == QStringLiteral("end")) {
            slot.end = event;
        }
    }
}

void StationEngine::upgradeEnded(int index, int exitCode, QProcess::ExitStatus status) {
    Slot& slot = *m_slots[index];
    if (slot.process == nullptr) return;
    readEvents(index);
    slot.process->disconnect(this);
    // A crash has no exit code at all.
    const QJsonValue code = status == QProcess::NormalExit ? QJsonValue(exitCode) : QJsonValue();
    const QJsonObject closing = closingLine(slot, code);
    slot.process->deleteLater();
    slot.process = nullptr;
    settle(index, closing);
    startQueued();
    finishIfDone();
}

// The attempt's closing line as the upgrade wrote it, or as written here for an upgrade that
// died; empty when it could not be written.
QJsonObject StationEngine::closingLine(Slot& slot, const QJsonValue& exitCode) {
    m_recordFile.readNew([this](const QJsonObject& line) {
        const QString attempt = AttemptLine::Attempt(line);
        if (attempt.isEmpty()) return;
        (AttemptLine::IsStarted(line) ? m_startedLines : m_closingLines).insert(attempt, line);
    });
    const QJsonObject started = m_startedLines.take(slot.attempt);
    if (const QJsonObject closing = m_closingLines.take(slot.attempt); !closing.isEmpty()) {
        return closing;
    }
    if (slot.end.value(QStringLiteral("failed_step")) == QStringLiteral("record_file")) {
        stopLine(slot.end.value(QStringLiteral("detail")).toString());
        return {};
    }
    // An upgrade that ended before it opened its attempt, or died without closing it, is
    // closed here.
    const QString serial = slot.view.serial;
    const QJsonObject opened =
        !started.isEmpty()
            ? started
            : AttemptLine::Started(
                  slot.attempt.isEmpty() ? AttemptLine::NewAttempt() : slot.attempt, serial,
                  m_image.path, m_options.image, m_recordFile.attemptsOn(serial),
                  {slot.view.name, slot.view.location}, slot.startedAt);
    const QJsonObject closing =
        slot.end.isEmpty() ? AttemptLine::ProcessDied(opened, exitCode, slot.recordsAcknowledged)
                           : AttemptLine::Closing(opened, slot.end);
    if (!m_recordFile.append(closing)) {
        stopLine(QStringLiteral("the record of %1 could not be written: %2")
                     .arg(serial, m_recordFile.errorString()));
        return {};
    }
    return closing;
}

void StationEngine::settle(int index, const QJsonObject& closing) {
    Slot& slot = *m_slots[index];
    const bool passed = AttemptLine::Passed(closing);
    const QJsonObject& said = closing.isEmpty() ? slot.end : closing;
    const QString detail = said.value(QStringLiteral("detail")).toString();
    slot.view.detail =
        passed ? QString()
               : (detail.isEmpty() ? said.value(QStringLiteral("failed_step")).toString() : detail);
    slot.view.hint = passed ? QString() : said.value(QStringLiteral("hint")).toString();
    ++(passed ? m_passed : m_failed);
    m_doneAtMs.append(m_since.elapsed());
    m_doneAtMs.removeIf([now = m_doneAtMs.last()](qint64 at) { return now - at >= kHourMs; });
    if (!closing.isEmpty()) emit attemptClosed(closing);
    setState(index, passed ? SlotState::Pass : SlotState::Fail);
}

void StationEngine::stopLine(const QString& reason) {
    if (!m_stopReason.isEmpty()) return;
    m_stopReason = reason;
    emit lineStopped(reason);
}

void StationEngine::setState(int index, SlotState state) {
    m_slots[index]->view.state = state;
    emit slotChanged(index);
}

void StationEngine::finishIfDone() {
    const bool countReached = m_options.count > 0 && m_passed + m_failed >= m_options.count;
    if (m_finished || !(stopping() || countReached) || running() > 0) return;
    m_finished = true;
    m_pollTimer.stop();
    emit finished(result());
}
