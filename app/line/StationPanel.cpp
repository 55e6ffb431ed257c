#include "app/line/StationPanel.h"

#include <QGridLayout>
#include <QJsonArray>
#include <QVBoxLayout>
#include <algorithm>

#include "line/LineTexts.h"
#include "line/StationStatus.h"
#include "operations/CountText.h"
#include "station/StationTexts.h"

namespace {

// Panel height for each text's pixel size, or width / kWidthPerHeight where the panel is narrow.
constexpr double kNameSize = 0.11;
constexpr double kStateSize = 0.11;
constexpr double kFigureSize = 0.1;
constexpr double kCaptionSize = 0.045;
constexpr double kDetailSize = 0.05;
constexpr double kMarginSize = 0.035;
constexpr int kSmallestText = 11;

QLabel* label(QWidget* parent, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

void setTextSize(QWidget* widget, double pixels, bool bold) {
    QFont font = widget->font();
    font.setPixelSize(std::max(kSmallestText, int(pixels)));
    font.setBold(bold);
    widget->setFont(font);
}

}  // namespace

StationPanel::StationPanel(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::TabFocus);
    Name = label(this);
    State = label(this, Qt::AlignRight);
    State->setObjectName(QStringLiteral("StateWord"));
    Image = label(this);
    Slots = new SlotStrip(this);
    Failure = label(this);
    Failure->setWordWrap(true);
    Failure->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Backlog = label(this);

    auto* figures = new QGridLayout;
    figures->setContentsMargins(0, 0, 0, 0);
    const auto figure = [&](const QString& caption, int column) {
        auto* name = label(this);
        name->setText(caption);
        auto* value = label(this);
        name->setBuddy(value);
        figures->addWidget(name, 0, column);
        figures->addWidget(value, 1, column);
        m_captions << name;
        m_values.append({value, caption.toLower()});
        return value;
    };
    Passed = figure(QStringLiteral("Passed"), 0);
    Failed = figure(QStringLiteral("Failed"), 1);
    Yield = figure(QStringLiteral("Yield"), 2);
    LastHour = figure(QStringLiteral("Last hour"), 3);

    m_values.append({Name, QStringLiteral("name")});
    m_values.append({State, QStringLiteral("state")});
    m_values.append({Image, QStringLiteral("image")});
    m_values.append({Failure, QStringLiteral("last failure")});
    m_values.append({Backlog, QStringLiteral("link")});

    auto* top = new QHBoxLayout;
    top->addWidget(Name, 1);
    top->addWidget(State);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Image);
    layout->addLayout(figures);
    layout->addWidget(Slots, 1);
    layout->addWidget(Failure);
    layout->addWidget(Backlog);
    setTone(Tone::Running);
}

void StationPanel::showStation(const StationEntry& station) {
    const QJsonObject& status = station.status;
    const Totals figures = StationStatus::FiguresOf(status);
    const QString word = LineTexts::StateWord(station);
    Name->setText(station.name);
    State->setText(word);
    Image->setText(LineTexts::Image(status));
    Passed->setText(QString::number(figures.passed));
    Failed->setText(QString::number(figures.failed));
    Yield->setText(StationTexts::Yield(figures.yieldPercent));
    LastHour->setText(QString::number(figures.lastHour));
    Slots->showSlots(status.value(QStringLiteral("slots")).toArray(), !station.online);
    const QString failure = LineTexts::LastFailure(status);
    const QString stopped = status.value(QStringLiteral("line_stopped_reason")).toString();
    Failure->setText(
        station.online && !stopped.isEmpty()
            ? QStringLiteral("Line stopped: ") + stopped
            : (failure.isEmpty() ? QString() : QStringLiteral("Last failure: ") + failure));
    const int backlog = status.value(QStringLiteral("backlog")).toInt();
    Backlog->setText(!station.online
                         ? LineTexts::OfflineSince(station)
                         : QStringLiteral("%1 %2 not yet sent")
                               .arg(CountText(backlog), backlog == 1 ? QStringLiteral("record")
                                                                     : QStringLiteral("records")));
    Backlog->setVisible(!station.online || backlog > 0);
    setTone(!station.online                          ? Tone::Offline
            : word == QStringLiteral("LINE STOPPED") ? Tone::Stopped
                                                     : Tone::Running);

    // Every value names its station, so that a screen reader says whose it is.
    for (const auto& [value, what] : std::as_const(m_values)) {
        value->setAccessibleName(station.name + ' ' + what);
    }
    Slots->setAccessibleName(station.name + QStringLiteral(" slots"));
    setAccessibleName(station.name);
    QStringList description{word,
                            Image->text(),
                            QStringLiteral("passed ") + Passed->text(),
                            QStringLiteral("failed ") + Failed->text(),
                            QStringLiteral("yield ") + Yield->text(),
                            Failure->text(),
                            Backlog->isVisible() ? Backlog->text() : QString()};
    description.removeAll(QString());
    setAccessibleDescription(description.join(QStringLiteral(", ")));
    setToolTip(failure);
}

void StationPanel::setTone(Tone tone) {
    if (m_tone == tone) return;
    m_tone = tone;
    static const char* const panels[] = {
        "StationPanel { background: #e4e4e4; border: 2px solid #9a9a9a; border-radius: 6px; }",
        "StationPanel { background: #e4e4e4; border: 4px solid #b3261e; border-radius: 6px; }",
        "StationPanel { background: #bdbdbd; border: 2px dashed #808080; border-radius: 6px; }"};
    static const char* const words[] = {"color: #1a1a1a;",
                                        "color: white; background: #b3261e; border-radius: 4px;",
                                        "color: #4a4a4a;"};
    setStyleSheet(
        QString::fromLatin1(panels[int(tone)]) +
        QStringLiteral(" StationPanel:focus { border-color: #1f4e8c; } QLabel { color: %1; }")
            .arg(tone == Tone::Offline ? QStringLiteral("#4a4a4a") : QStringLiteral("#1a1a1a")));
    State->setStyleSheet(QString::fromLatin1(words[int(tone)]));
}

void StationPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    fitFonts();
}

void StationPanel::fitFonts() {
    const double unit = std::min<double>(height(), width() / kWidthPerHeight);
    setTextSize(Name, unit * kNameSize, true);
    setTextSize(State, unit * kStateSize, true);
    setTextSize(Image, unit * kDetailSize, false);
    for (QLabel* value : {Passed, Failed, Yield, LastHour}) {
        setTextSize(value, unit * kFigureSize, true);
    }
    for (QLabel* caption : std::as_const(m_captions))
        setTextSize(caption, unit * kCaptionSize, false);
    setTextSize(Failure, unit * kDetailSize, false);
    setTextSize(Backlog, unit * kDetailSize, true);
    const int margin = std::max(4, int(unit * kMarginSize));
    layout()->setContentsMargins(margin, margin, margin, margin);
    layout()->setSpacing(std::max(2, int(unit * 0.015)));
}
