#include "cli/StationDisplay.h"

#include <signal.h>
#include <unistd.h>

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>
#include <atomic>

#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"
#include "cli/StationScreen.h"
#include "station/StationEngine.h"
#include "support/Terminal.h"

namespace {

constexpr int kRedrawMs = 100;

std::atomic<int> interruptsRequested{0};

void countInterrupt(int) {
    ++interruptsRequested;
}

class Display {
  public:
    virtual ~Display() = default;
    // Ten times a second, and once more at the end.
    virtual void tick(bool interrupted) { (void)interrupted; }
    virtual void finish() {}
};

class TerminalDisplay : public Display {
  public:
    TerminalDisplay(const StationEngine& engine, bool colour)
        : m_engine(engine), m_screen(colour) {}
    void tick(bool interrupted) override { m_screen.draw(m_engine, interrupted); }

  private:
    const StationEngine& m_engine;
    StationScreen m_screen;
};

// A log file or a pipe: one line a change, each with the time it happened, nothing redrawn.
class LogDisplay : public Display {
  public:
    explicit LogDisplay(const StationEngine& engine) : m_engine(engine) {
        say(StationLines::Header(engine.image()));
        QObject::connect(&engine, &StationEngine::slotChanged, [this](int index) {
            m_said.resize(m_engine.slotCount(), SlotState::Empty);
            const SlotView& slot = m_engine.slot(index);
            // Progress comes ten times a second; a log wants the step, not every percent.
            if (slot.state == m_said[index]) return;
            m_said[index] = slot.state;
            say(StationLines::Slot(slot, 0, m_engine.stopping()).text());
        });
        QObject::connect(&engine, &StationEngine::lineStopped,
                         [](const QString& reason) { say(StationLines::LineStopped(reason)); });
    }
    void tick(bool interrupted) override {
        if (interrupted && !m_interruptSaid && m_engine.totals().running > 0) {
            say(StationLines::StillRunning(m_engine.totals().running));
            m_interruptSaid = true;
        }
    }
    void finish() override {
        say(StationLines::Summary(m_engine.totals()));
        if (!m_engine.stopReason().isEmpty()) say(StationLines::LineStopped(m_engine.stopReason()));
    }

  private:
    static void say(const QString& line) {
        CommandLine::Out(QDateTime::currentDateTimeUtc().toString(Qt::ISODate) + ' ' + line);
    }

    const StationEngine& m_engine;
    QList<SlotState> m_said;
    bool m_interruptSaid = false;
};

// stdout carries the closing lines alone, for a program; the totals are for a person.
class JsonDisplay : public Display {
  public:
    explicit JsonDisplay(const StationEngine& engine) : m_engine(engine) {
        QObject::connect(&engine, &StationEngine::attemptClosed,
                         [](const QJsonObject& closing) { JsonReporter::Print(closing); });
    }
    void finish() override {
        CommandLine::Err(StationLines::Summary(m_engine.totals()));
        if (!m_engine.stopReason().isEmpty()) {
            CommandLine::Err(StationLines::LineStopped(m_engine.stopReason()));
        }
    }

  private:
    const StationEngine& m_engine;
};

std::unique_ptr<Display> displayFor(const StationEngine& engine, bool json) {
    if (json) return std::make_unique<JsonDisplay>(engine);
    const Terminal terminal = StdoutTerminal();
    if (!terminal.isTerminal) return std::make_unique<LogDisplay>(engine);
    return std::make_unique<TerminalDisplay>(engine, terminal.colour);
}

ExitCode exitCodeFor(StationResult result) {
    switch (result) {
        case StationResult::LineStopped:
            return ExitCode::FileError;
        case StationResult::Aborted:
            return ExitCode::Interrupted;
        case StationResult::UnitsFailed:
            return ExitCode::UnitsFailed;
        case StationResult::AllPassed:
            break;
    }
    return ExitCode::Success;
}

}  // namespace

ExitCode RunStation(StationEngine& engine, bool json) {
    // The upgrades run in process groups of their own, so Ctrl-C at the terminal reaches the
    // station alone: the first lets running upgrades finish, the second passes it on. A closed
    // terminal or a dropped ssh session (SIGHUP) counts as one.
    struct sigaction action {};
    action.sa_handler = countInterrupt;
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);

    const std::unique_ptr<Display> display = displayFor(engine, json);
    QEventLoop loop;
    QObject::connect(&engine, &StationEngine::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    int seen = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (const int requested = interruptsRequested.load(); requested > seen) {
            seen = requested;
            seen >= 2 ? engine.abort() : engine.stop();
        }
        display->tick(seen > 0);
    });
    tick.start(kRedrawMs);
    loop.exec();
    display->tick(seen > 0);
    display->finish();
    return exitCodeFor(engine.result());
}
