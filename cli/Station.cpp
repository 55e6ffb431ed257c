#include "cli/Station.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QSysInfo>
#include <algorithm>
#include <atomic>

#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"
#include "operations/DeviceList.h"
#include "operations/FailureHint.h"

namespace {

// The library is polled: it has no plug-in events on every platform.
constexpr int kPollMs = 500;
constexpr int kRedrawMs = 100;
// How long an unplugged unit's line stays, so the operator sees it go.
constexpr qint64 kUnpluggedShownMs = 3000;

std::atomic<int> interruptsRequested{0};

void countInterrupt(int) {
    ++interruptsRequested;
}

QString utcNow(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QString durationText(int seconds) {
    return seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60)
                         : QStringLiteral("%1 s").arg(seconds);
}

}  // namespace

Station::Station(StationOptions options, UnitRecords& records, StationDisplay& display)
    : m_options(std::move(options)), m_records(records), m_display(display) {
    connect(&m_pollTimer, &QTimer::timeout, this, &Station::poll);
    connect(&m_tickTimer, &QTimer::timeout, this, &Station::tick);
}

Station::~Station() {
    for (Slot& slot : m_slots) {
        delete slot.process;
    }
}

ExitCode Station::run() {
    // The upgrades run in process groups of their own, so Ctrl-C at the terminal reaches the
    // station alone: the first lets running upgrades finish, the second passes it on.
    struct sigaction action {};
    action.sa_handler = countInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    m_since.start();
    QEventLoop loop;
    connect(&m_tickTimer, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll();
    m_pollTimer.start(kPollMs);
    m_tickTimer.start(kRedrawMs);
    loop.exec();
    m_display.finish(slotLines(), summary());
    if (m_interruptsSeen >= 2) return ExitCode::Interrupted;
    return m_failed > 0 ? ExitCode::UnitsFailed : ExitCode::Success;
}

bool Station::done() const {
    const bool stopping =
        m_interruptsSeen > 0 || (m_options.count > 0 && m_passed + m_failed >= m_options.count);
    return stopping && runningUpgrades() == 0;
}

int Station::runningUpgrades() const {
    return int(std::count_if(m_slots.begin(), m_slots.end(),
                             [](const Slot& slot) { return slot.process != nullptr; }));
}

void Station::poll() {
    QStringList listed = DeviceList::Scan();
    listed.removeAll(DeviceList::NoDeviceFound);
    // A bridge that another process holds open may be listed without its serial number: while
    // any such entry stands, a unit missing from the list may be that one, not unplugged.
    const bool maybeHeld = listed.removeAll(QString()) > 0;
    const QSet<QString> attached(listed.begin(), listed.end());

    for (auto it = m_slots.begin(); it != m_slots.end();) {
        Slot& slot = *it;
        const bool finished = slot.state == State::Pass || slot.state == State::Fail;
        if (attached.contains(it.key()) || maybeHeld || slot.process != nullptr) {
            ++it;
        } else if (finished || slot.state == State::Waiting) {
            setState(it.key(), slot, State::Unplugged);
            slot.unpluggedFor.start();
            ++it;
        } else if (slot.state == State::Unplugged &&
                   slot.unpluggedFor.elapsed() > kUnpluggedShownMs) {
            it = m_slots.erase(it);
        } else {
            ++it;
        }
    }
    if (!maybeHeld) {
        m_leftAlone.intersect(attached);
    }
    for (const QString& serial : std::as_const(listed)) {
        if (m_firstPoll && m_options.newOnly) {
            m_leftAlone.insert(serial);
        }
        if (m_leftAlone.contains(serial)) continue;
        auto slot = m_slots.find(serial);
        // Plugged back after an unplug, it is a new unit as far as the line is concerned.
        if (slot == m_slots.end() || slot->state == State::Unplugged) {
            m_slots[serial] = Slot();
            m_display.changed(slotLine(serial, m_slots[serial]));
        }
    }
    m_firstPoll = false;
    startWaiting();
}

void Station::startWaiting() {
    int running = runningUpgrades();
    for (auto it = m_slots.begin(); it != m_slots.end(); ++it) {
        const bool capped = m_options.jobs > 0 && running >= m_options.jobs;
        const bool countReached =
            m_options.count > 0 && m_passed + m_failed + running >= m_options.count;
        if (m_interruptsSeen > 0 || capped || countReached) return;
        if (it->state == State::Waiting) {
            start(it.key(), *it);
            ++running;
        }
    }
}

void Station::start(const QString& serial, Slot& slot) {
    slot.process = new QProcess(this);
    slot.process->setStandardErrorFile(QProcess::nullDevice());
    slot.process->setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(slot.process, &QProcess::readyReadStandardOutput, this,
            [this, serial] { readEvents(serial, m_slots[serial]); });
    connect(slot.process, &QProcess::finished, this,
            [this, serial](int exitCode, QProcess::ExitStatus status) {
                finished(serial, m_slots[serial], exitCode, status);
            });
    // A process that never started sends no finished(); its slot must not wait for ever. Queued,
    // since start() may report it before returning.
    connect(
        slot.process, &QProcess::errorOccurred, this,
        [this, serial](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                finished(serial, m_slots[serial], 0, QProcess::CrashExit);
        },
        Qt::QueuedConnection);
    slot.startedAt = QDateTime::currentDateTimeUtc();
    setState(serial, slot, State::Handshake);
    slot.process->start(QCoreApplication::applicationFilePath(),
                        QStringList{QStringLiteral("upgrade"), serial, m_options.imagePath,
                                    QStringLiteral("--json")} +
                            m_options.upgradeOptions);
}

void Station::readEvents(const QString& serial, Slot& slot) {
    while (slot.process->canReadLine()) {
        const QJsonObject event = QJsonDocument::fromJson(slot.process->readLine()).object();
        const QString name = event.value(QStringLiteral("event")).toString();
        if (name == QStringLiteral("progress")) {
            const int secondsLeft = event.value(QStringLiteral("seconds_left")).toInt();
            setState(serial, slot, State::Flashing,
                     QStringLiteral("%1 %, %2 left")
                         .arg(event.value(QStringLiteral("percent")).toInt())
                         .arg(durationText(secondsLeft)));
        } else if (name == QStringLiteral("end")) {
            slot.end = event;
        }
    }
}

void Station::finished(const QString& serial, Slot& slot, int exitCode,
                       QProcess::ExitStatus status) {
    readEvents(serial, slot);
    // A process that died before its closing event failed as surely as one that reported it; a
    // crash has no exit code at all.
    QJsonValue code = slot.end.value(QStringLiteral("exit_code"));
    if (slot.end.isEmpty()) {
        code = status == QProcess::NormalExit ? QJsonValue(exitCode) : QJsonValue();
    }
    record(serial, slot, code);
    slot.process->deleteLater();
    slot.process = nullptr;
    startWaiting();
}

void Station::record(const QString& serial, Slot& slot, const QJsonValue& exitCode) {
    const QDateTime endedAt = QDateTime::currentDateTimeUtc();
    const QJsonObject& end = slot.end;
    const bool passed = !end.isEmpty() && exitCode == 0;
    const QString failedStep = end.isEmpty() ? QStringLiteral("process")
                                             : end.value(QStringLiteral("failed_step")).toString();
    const QString detail = end.value(QStringLiteral("detail")).toString();
    const QString hint = end.isEmpty()
                             ? FailureHint({.step = failedStep, .cause = FailureCause::ProcessDied})
                             : end.value(QStringLiteral("hint")).toString();
    QJsonObject unit{
        {"started_at", utcNow(slot.startedAt)},
        {"ended_at", utcNow(endedAt)},
        {"host", QSysInfo::machineHostName()},
        {"program_version", QCoreApplication::applicationVersion()},
        {"serial", serial},
        {"image", m_options.imagePath},
        {"image_sha256", end.value(QStringLiteral("image_sha256")).toString(m_options.imageSha256)},
        {"firmware_key", end.value(QStringLiteral("device_key"))},
        {"records", m_options.records},
        {"records_acknowledged", end.value(QStringLiteral("records_acknowledged")).toInt()},
        {"duration_ms", slot.startedAt.msecsTo(endedAt)},
        {"outcome", end.value(QStringLiteral("outcome")).toString(QStringLiteral("process_died"))},
        {"exit_code", exitCode},
        {"failed_step", passed ? QJsonValue() : QJsonValue(failedStep)},
        {"detail", JsonReporter::TextOrNull(detail)},
        {"hint", JsonReporter::TextOrNull(hint)},
    };
    if (!m_records.append(unit)) {
        CommandLine::Err(QStringLiteral("the record of %1 could not be written: %2")
                             .arg(serial, m_records.errorString()));
    }
    m_display.recorded(unit);
    ++(passed ? m_passed : m_failed);
    setState(serial, slot, passed ? State::Pass : State::Fail,
             passed ? QString() : (detail.isEmpty() ? failedStep : detail));
}

void Station::setState(const QString& serial, Slot& slot, State state, const QString& detail) {
    // Progress comes ten times a second; a plain log wants the step, not every percent.
    const bool progressOnly = state == State::Flashing && slot.state == State::Flashing;
    slot.state = state;
    slot.detail = detail;
    if (!progressOnly) m_display.changed(slotLine(serial, slot));
}

void Station::tick() {
    const int requested = interruptsRequested.load();
    if (requested > m_interruptsSeen) {
        m_interruptsSeen = requested;
        if (m_interruptsSeen >= 2) {
            for (const Slot& slot : m_slots) {
                if (slot.process != nullptr) ::kill(pid_t(slot.process->processId()), SIGINT);
            }
        }
    }
    m_display.redraw(slotLines(), summary());
}

QString Station::slotLine(const QString& serial, const Slot& slot) const {
    static const char* const names[] = {"waiting", "handshake", "flashing",
                                        "PASS",    "FAIL",      "UNPLUGGED"};
    const QString state = QString::fromLatin1(names[static_cast<int>(slot.state)]);
    return QStringLiteral("%1  %2%3")
        .arg(serial, -16)
        .arg(state, slot.detail.isEmpty() ? QString() : QStringLiteral(" ") + slot.detail);
}

QStringList Station::slotLines() const {
    QStringList lines;
    for (auto it = m_slots.begin(); it != m_slots.end(); ++it) {
        lines << slotLine(it.key(), *it);
    }
    return lines;
}

QString Station::summary() const {
    const int running = runningUpgrades();
    const double hours = m_since.elapsed() / 3'600'000.0;
    const int perHour = hours > 0 ? qRound((m_passed + m_failed) / hours) : 0;
    return QStringLiteral("passed %1, failed %2, in progress %3, %4 units per hour")
        .arg(m_passed)
        .arg(m_failed)
        .arg(running)
        .arg(perHour);
}
