#include "cli/Station.h"

#include <signal.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <algorithm>
#include <atomic>

#include "cli/AttemptRecord.h"
#include "cli/FailureDetail.h"
#include "operations/DeviceList.h"

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
    // station alone: the first lets running upgrades finish, the second passes it on. A closed
    // terminal or a dropped ssh session (SIGHUP) counts as one.
    struct sigaction action {};
    action.sa_handler = countInterrupt;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);

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
    if (!m_stopped.isEmpty()) return ExitCode::FileError;
    if (m_interruptsSeen >= 2) return ExitCode::Interrupted;
    return m_failed > 0 ? ExitCode::UnitsFailed : ExitCode::Success;
}

bool Station::done() const {
    const bool stopping = m_interruptsSeen > 0 || !m_stopped.isEmpty() ||
                          (m_options.count > 0 && m_passed + m_failed >= m_options.count);
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
        if (m_interruptsSeen > 0 || !m_stopped.isEmpty() || capped || countReached) return;
        if (it->state == State::Waiting) {
            start(it.key(), *it);
            ++running;
        }
    }
}

void Station::start(const QString& serial, Slot& slot) {
    slot.process = new QProcess(this);
    slot.process->setStandardErrorFile(QProcess::nullDevice());
    slot.process->setChildProcessModifier([station = ::getpid()] {
        ::setpgid(0, 0);
#ifdef Q_OS_LINUX
        // Should the station die, the kernel tells the upgrade (SIGHUP), which then ends the
        // exchange it is in as an interrupt does and closes its record. One whose station is
        // already gone ends here, before it touches anything.
        ::prctl(PR_SET_PDEATHSIG, SIGHUP);
        if (::getppid() != station) ::_exit(127);
#else
        (void)station;
#endif
    });
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
                        QStringList{QStringLiteral("upgrade"), serial, m_options.imageCopy,
                                    QStringLiteral("--json")} +
                            m_options.upgradeOptions);
}

void Station::readEvents(const QString& serial, Slot& slot) {
    while (slot.process->canReadLine()) {
        const QJsonObject event = QJsonDocument::fromJson(slot.process->readLine()).object();
        const QString name = event.value(QStringLiteral("event")).toString();
        if (name == QStringLiteral("start")) {
            slot.attempt = event.value(QStringLiteral("attempt")).toString();
        } else if (name == QStringLiteral("progress")) {
            slot.recordsDone = event.value(QStringLiteral("records_done")).toInt();
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
    // A crash has no exit code at all.
    const QJsonValue code = status == QProcess::NormalExit ? QJsonValue(exitCode) : QJsonValue();
    settle(serial, slot, closingRecord(serial, slot, code));
    slot.process->deleteLater();
    slot.process = nullptr;
    startWaiting();
}

QJsonObject Station::closingRecord(const QString& serial, const Slot& slot,
                                   const QJsonValue& exitCode) {
    m_records.readNew([this](const QJsonObject& line) {
        const QString attempt = AttemptRecord::Attempt(line);
        if (attempt.isEmpty()) return;
        (AttemptRecord::IsStarted(line) ? m_startedLines : m_closingLines).insert(attempt, line);
    });
    const QJsonObject started = m_startedLines.take(slot.attempt);
    if (const QJsonObject closing = m_closingLines.take(slot.attempt); !closing.isEmpty()) {
        return closing;
    }
    if (slot.end.value(QStringLiteral("failed_step")) == "record_file") {
        stopLine(slot.end.value(QStringLiteral("detail")).toString());
        return {};
    }
    // An upgrade that ended before it opened its attempt, or died without closing it, is
    // recorded here.
    const QJsonObject opened =
        !started.isEmpty()
            ? started
            : AttemptRecord::Started(
                  slot.attempt.isEmpty() ? AttemptRecord::NewAttempt() : slot.attempt, serial,
                  m_options.imagePath, m_options.image, m_records.attemptsOn(serial),
                  slot.startedAt);
    const QJsonObject closing = slot.end.isEmpty()
                                    ? AttemptRecord::ProcessDied(opened, exitCode, slot.recordsDone)
                                    : AttemptRecord::Closing(opened, slot.end);
    if (!m_records.append(closing)) {
        stopLine(QStringLiteral("the record of %1 could not be written: %2")
                     .arg(EscapedDeviceText(serial), m_records.errorString()));
        return {};
    }
    return closing;
}

void Station::settle(const QString& serial, Slot& slot, const QJsonObject& closing) {
    const bool passed = closing.value(QStringLiteral("outcome")) == "upgraded";
    const QJsonObject& said = closing.isEmpty() ? slot.end : closing;
    const QString detail = said.value(QStringLiteral("detail")).toString();
    const QString failedStep = said.value(QStringLiteral("failed_step")).toString();
    if (!closing.isEmpty()) m_display.recorded(closing);
    ++(passed ? m_passed : m_failed);
    setState(serial, slot, passed ? State::Pass : State::Fail,
             passed ? QString() : (detail.isEmpty() ? failedStep : detail));
}

void Station::stopLine(const QString& reason) {
    if (!m_stopped.isEmpty()) return;
    m_stopped = reason;
    m_display.changed(stopNotice());
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
    // A serial number is the device's text, which must not steer the terminal.
    return QStringLiteral("%1  %2%3")
        .arg(EscapedDeviceText(serial), -16)
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
    const QString counts = QStringLiteral("passed %1, failed %2, in progress %3, %4 units per hour")
                               .arg(m_passed)
                               .arg(m_failed)
                               .arg(running)
                               .arg(perHour);
    return m_stopped.isEmpty() ? counts : counts + '\n' + stopNotice();
}

QString Station::stopNotice() const {
    return QStringLiteral("LINE STOPPED, no new unit is started: %1").arg(m_stopped);
}
