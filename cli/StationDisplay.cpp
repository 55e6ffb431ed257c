#include "cli/StationDisplay.h"

#include <unistd.h>

#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"

namespace {

class TerminalDisplay : public StationDisplay {
  public:
    void redraw(const QStringList& slotLines, const QString& summary) override {
        const QStringList lines = QStringList(slotLines) << summary.split('\n');
        if (lines == m_shown) return;
        // Back to the first line drawn last time, each line rewritten, anything below erased.
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

class PlainDisplay : public StationDisplay {
  public:
    void changed(const QString& slotLine) override { CommandLine::Out(slotLine); }
    void finish(const QStringList&, const QString& summary) override { CommandLine::Out(summary); }
};

class JsonDisplay : public StationDisplay {
  public:
    void recorded(const QJsonObject& record) override { JsonReporter::Print(record); }
    // stdout carries records alone; the summary is for a person.
    void finish(const QStringList&, const QString& summary) override { CommandLine::Err(summary); }
};

}  // namespace

std::unique_ptr<StationDisplay> StationDisplay::ForStdout(bool json) {
    if (json) return std::make_unique<JsonDisplay>();
    if (::isatty(STDOUT_FILENO)) return std::make_unique<TerminalDisplay>();
    return std::make_unique<PlainDisplay>();
}
