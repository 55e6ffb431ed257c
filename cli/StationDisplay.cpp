#include "cli/StationDisplay.h"

#include <signal.h>
#include <unistd.h>

#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <atomic>

#include "cli/CommandLine.h"
#include "cli/FailureDetail.h"
#include "station/StationEngine.h"

namespace {

constexpr int kRedrawMs = 100;

std::atomic<int> interruptsRequested{0};

void countInterrupt(int) {
    ++interruptsRequested;
}

QString durationText(int seconds) {
    return seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60)
                         : QStringLiteral("%1 s").arg(seconds);
}

QString slotLine(const SlotView& slot) {
    static const char* const names[] = {"waiting",  "left alone", "queued", "handshake",
                                        "flashing", "PASS",       "FAIL",   "UNPLUGGED"};
    QString state = QString::fromLatin1(names[static_cast<int>(slot.state)]);
    if (slot.state == SlotState::Flashing) {
        state +=
            QStringLiteral(" %1 %, %2 left").arg(slot.percent).arg(durationText(slot.secondsLeft));
    } else if (slot.state == SlotState::Fail) {
        state += ' ' + slot.detail;
    }
    // A serial number is the device's text, which must not steer the terminal.
    return QStringLiteral("%1  %2  %3")
        .arg(slot.name, -6)
        .arg(EscapedDeviceText(slot.serial), -16)
        .arg(state);
}

class Display {
  public:
    virtual ~Display() = default;
    virtual void changed(const QString&) {}
    virtual void redraw(const QStringList&, const QString&) {}
    virtual void recorded(const QJsonObject&) {}
    virtual void finish(const QStringList& slotLines, const QString& summary) = 0;
};

class TerminalDisplay : public Display {
  public:
    void redraw(const QStringList& slotLines, const QString& summary) override {
        const QStringList lines = QStringList(slotLines) << summary.split('\n');
        if (lines == m_shown) return;
        QString frame =
            m_shown.isEmpty() ? QString() : QStringLiteral("\r\x1b[%1A").arg(m_shown.size());
        for (const QString& line : lines) {
            frame += QStringLiteral("\x1b[2K") + line + '\n';
        }
        CommandLine::Out(frame + QStringLiteral("\x1b[J"), false);
        m_shown = lines;
    }
    void finish(const QStringList& slotLines, const QString& summary) override {
        redraw(slotLines, summary);
    }

  private:
    QStringList m_shown;
};

class PlainDisplay : public Display {
  public:
    void changed(const QString& line) override { CommandLine::Out(line); }
    void finish(const QStringList&, const QString& summary) override { CommandLine::Out(summary); }
};

class JsonDisplay : public Display {
  public:
    void recorded(const QJsonObject& record) override {
        CommandLine::Out(QString::fromUtf8(QJsonDocument(record).toJson(QJsonDocument::Compact)));
    }
    void finish(const QStringList&, const QString& summary) override { CommandLine::Err(summary); }
};

}  // namespace

ExitCode RunStation(StationEngine& engine, bool json) {
    std::unique_ptr<Display> display;
    if (json) {
        display = std::make_unique<JsonDisplay>();
    } else if (::isatty(STDOUT_FILENO)) {
        display = std::make_unique<TerminalDisplay>();
    } else {
        display = std::make_unique<PlainDisplay>();
    }
    struct sigaction action {};
    action.sa_handler = countInterrupt;
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);

    const auto lines = [&] {
        QStringList all;
        for (int i = 0; i < engine.slotCount(); ++i) all << slotLine(engine.slot(i));
        return all;
    };
    const auto summary = [&] {
        const Totals totals = engine.totals();
        QString text = QStringLiteral("passed %1, failed %2, in progress %3, %4 in the last hour")
                           .arg(totals.passed)
                           .arg(totals.failed)
                           .arg(totals.running)
                           .arg(totals.lastHour);
        if (!engine.stopReason().isEmpty())
            text +=
                QStringLiteral("\nLINE STOPPED, no new unit is started: ") + engine.stopReason();
        return text;
    };
    QList<SlotState> shown;
    QObject::connect(&engine, &StationEngine::slotChanged, [&](int index) {
        shown.resize(engine.slotCount(), SlotState::Empty);
        const SlotView& slot = engine.slot(index);
        if (slot.state == shown[index] && slot.state == SlotState::Flashing) return;
        shown[index] = slot.state;
        display->changed(slotLine(slot));
    });
    QObject::connect(&engine, &StationEngine::recorded,
                     [&](const QJsonObject& record) { display->recorded(record); });
    QObject::connect(&engine, &StationEngine::lineStopped, [&](const QString& reason) {
        display->changed(QStringLiteral("LINE STOPPED, no new unit is started: ") + reason);
    });
    QEventLoop loop;
    QObject::connect(&engine, &StationEngine::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    int seen = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const int requested = interruptsRequested.load();
        if (requested > seen) {
            seen = requested;
            seen >= 2 ? engine.abort() : engine.stop();
        }
        display->redraw(lines(), summary());
    });
    tick.start(kRedrawMs);
    loop.exec();
    display->finish(lines(), summary());
    switch (engine.result()) {
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
