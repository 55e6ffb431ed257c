#include "cli/StationDisplay.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"
#include "cli/StationScreen.h"
#include "line/StationLink.h"
#include "station/StationEngine.h"
#include "station/StopSignals.h"
#include "support/Terminal.h"

namespace {

constexpr int kRedrawMs = 100;

class Display {
  public:
    virtual ~Display() = default;
    // Ten times a second, and once more at the end.
    virtual void tick(bool interrupted) { (void)interrupted; }
    virtual void finish() {}
    // How the station's link to the line stands, when it changes.
    virtual void showLink(const QString& text) { (void)text; }

  protected:
    // What the engine's signals reach goes with the display: the link's goodbye and a second
    // signal may still move the engine after the display is gone.
    QObject m_receiver;
};

class TerminalDisplay : public Display {
  public:
    TerminalDisplay(const StationEngine& engine, bool colour)
        : m_engine(engine), m_screen(colour) {}
    void tick(bool interrupted) override { m_screen.draw(m_engine, interrupted, m_link); }
    void showLink(const QString& text) override { m_link = text; }

  private:
    const StationEngine& m_engine;
    StationScreen m_screen;
    QString m_link;
};

// A log file or a pipe: one line a change, each with the time it happened, nothing redrawn.
class LogDisplay : public Display {
  public:
    explicit LogDisplay(const StationEngine& engine) : m_engine(engine) {
        for (const QString& line : StationLines::Header(engine.image())) say(line);
        QObject::connect(&engine, &StationEngine::slotChanged, &m_receiver, [this](int index) {
            m_said.resize(m_engine.slotCount(), SlotState::Empty);
            const SlotView& slot = m_engine.slot(index);
            // Progress comes ten times a second; a log wants the step, not every percent.
            if (slot.state == m_said[index]) return;
            m_said[index] = slot.state;
            say(StationLines::Slot(slot, 0, m_engine.stopping()).text());
        });
        QObject::connect(&engine, &StationEngine::lineStopped, &m_receiver,
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
    void showLink(const QString& text) override {
        say(text.isEmpty() ? StationLines::LinkUp() : text);
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
        QObject::connect(&engine, &StationEngine::attemptClosed, &m_receiver,
                         [](const QJsonObject& closing) { JsonReporter::Print(closing); });
    }
    void finish() override {
        CommandLine::Err(StationLines::Summary(m_engine.totals()));
        if (!m_engine.stopReason().isEmpty()) {
            CommandLine::Err(StationLines::LineStopped(m_engine.stopReason()));
        }
    }
    void showLink(const QString& text) override {
        CommandLine::Err(text.isEmpty() ? StationLines::LinkUp() : text);
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

}  // namespace

ExitCode RunStation(StationEngine& engine, StopSignals& stopSignals, bool json,
                    const StationLink* link) {
    // The upgrades run in process groups of their own, so Ctrl-C at the terminal reaches the
    // station alone: the first lets running upgrades finish, the second passes it on.
    stopSignals.drive(engine);
    const std::unique_ptr<Display> display = displayFor(engine, json);
    QString linkSaid;
    const QObject whileRunning;
    if (link != nullptr) {
        QObject::connect(link, &StationLink::linkChanged, &whileRunning, [&] {
            const QString text = LinkText(link->link());
            if (text != linkSaid) display->showLink(text);
            linkSaid = text;
        });
    }
    QEventLoop loop;
    QObject::connect(&engine, &StationEngine::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { display->tick(stopSignals.received() > 0); });
    tick.start(kRedrawMs);
    loop.exec();
    display->tick(stopSignals.received() > 0);
    display->finish();
    return static_cast<ExitCode>(engine.result());
}
