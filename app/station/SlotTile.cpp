#include "app/station/SlotTile.h"

#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "operations/FailureHint.h"
#include "station/SlotWords.h"

namespace {

// Tile height for each text's pixel size, or width / kWidthPerHeight where the tile is narrow.
constexpr double kNameSize = 0.13;
constexpr double kSerialSize = 0.09;
constexpr double kStateSize = 0.2;
constexpr double kNoteSize = 0.08;
constexpr double kDetailSize = 0.055;
constexpr double kMarginSize = 0.04;
constexpr double kSpacingSize = 0.015;
constexpr int kSmallestText = 11;
// Every tile's word has the one size, at which the widest fits on one line; LEFT ALONE, seen only
// with --new-only, takes two.
const QString kWidestWord = QStringLiteral("UNPLUGGED");

struct Said {
    QString word;
    QString note;
};

Said said(const SlotView& slot, bool stopping) {
    const SlotWords words = WordsFor(slot.state, stopping);
    switch (slot.state) {
        case SlotState::Flashing:
            return {words.tile, HowFar(slot)};
        case SlotState::Fail:
            return {words.tile, FailureAdvice(slot.hint)};
        default:
            return {words.tile, words.tileNote};
    }
}

void setTextSize(QWidget* widget, double pixels, bool bold) {
    QFont font = widget->font();
    font.setPixelSize(std::max(kSmallestText, int(pixels)));
    font.setBold(bold);
    widget->setFont(font);
}

QLabel* label(QWidget* parent, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = new QLabel(parent);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// What was seen may be long; the tile keeps its size, this takes the room the other texts leave,
// and the rest is in the tool tip. A wrapped label would ask its layout for every line of it.
class LeftoverLabel : public QLabel {
  public:
    using QLabel::QLabel;
    bool hasHeightForWidth() const override { return false; }
};

}  // namespace

SlotTile::SlotTile(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::TabFocus);
    m_name = label(this);
    m_location = label(this, Qt::AlignRight);
    m_serial = label(this);
    m_serial->setStyleSheet(QStringLiteral("color: #333333;"));
    m_state = label(this, Qt::AlignHCenter);
    m_state->setObjectName(QStringLiteral("StateWord"));
    m_state->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_note = label(this);
    m_note->setWordWrap(true);
    m_detail = new LeftoverLabel(this);
    m_detail->setTextFormat(Qt::PlainText);
    m_detail->setWordWrap(true);
    m_detail->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* top = new QHBoxLayout;
    top->addWidget(m_name, 1);
    top->addWidget(m_location);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_serial);
    layout->addWidget(m_state);
    layout->addWidget(m_progress);
    layout->addWidget(m_note);
    layout->addWidget(m_detail, 1);
    setTone(Tone::Calm);
}

void SlotTile::showSlot(const SlotView& slot, bool stopping) {
    const Said text = said(slot, stopping);
    const bool running = UpgradeRuns(slot.state);
    const QString name =
        slot.name == QString::number(slot.number) ? QStringLiteral("Slot ") + slot.name : slot.name;
    QString detail = slot.state == SlotState::Fail ? slot.detail : QString();
    if (running && stopping) detail = QStringLiteral("the station stops once this unit is done");
    m_name->setText(name);
    m_location->setText(slot.location);
    m_serial->setText(slot.serial.isEmpty() ? QStringLiteral("no unit") : slot.serial);
    m_state->setText(text.word);
    m_progress->setVisible(running);
    m_progress->setValue(slot.percent);
    m_note->setText(text.note);
    m_detail->setText(detail);
    // The whole hint, where the tile has room for what to do only.
    const QString tip =
        slot.state == SlotState::Fail ? (slot.hint + '\n' + detail).trimmed() : detail;
    setToolTip(tip.isEmpty() ? QString() : Qt::convertFromPlainText(tip));
    setTone(slot.state == SlotState::Pass   ? Tone::Done
            : slot.state == SlotState::Fail ? Tone::Failed
            : running                       ? Tone::Working
                                            : Tone::Calm);
    setAccessibleName(name);
    QStringList description{slot.serial, text.word, text.note, detail};
    description.removeAll(QString());
    setAccessibleDescription(description.join(QStringLiteral(", ")));
}

void SlotTile::setTone(Tone tone) {
    if (m_tone == tone) return;
    m_tone = tone;
    // Calm grey unless a person is needed: green, a unit to take off; red, one to set aside.
    static const char* const words[] = {"color: #505050;", "color: #1a1a1a;",
                                        "color: white; background: #1b6e2e; border-radius: 4px;",
                                        "color: white; background: #b3261e; border-radius: 4px;"};
    const bool failed = tone == Tone::Failed;
    setStyleSheet(
        QStringLiteral("SlotTile { background: #e4e4e4; border: %1px solid %2; border-radius: "
                       "6px; } SlotTile:focus { border-color: #1f4e8c; } QLabel { color: #1a1a1a; "
                       "} QProgressBar { border: 1px solid #808080; background: #f4f4f4; } "
                       "QProgressBar::chunk { background: #3d6b9e; }")
            .arg(failed ? 4 : 2)
            .arg(failed ? QStringLiteral("#b3261e") : QStringLiteral("#9a9a9a")));
    m_state->setStyleSheet(QString::fromLatin1(words[int(tone)]));
}

void SlotTile::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    fitFonts();
}

void SlotTile::fitFonts() {
    const double unit = std::min<double>(height(), width() / SlotTile::kWidthPerHeight);
    setTextSize(m_name, unit * kNameSize, true);
    setTextSize(m_location, unit * kDetailSize, false);
    setTextSize(m_serial, unit * kSerialSize, false);
    setTextSize(m_note, unit * kNoteSize, true);
    setTextSize(m_detail, unit * kDetailSize, false);
    m_progress->setFixedHeight(std::max(6, int(unit * kNoteSize)));
    // The style's fixed gaps would take a small tile's room from its texts.
    const int margin = std::max(4, int(unit * kMarginSize));
    layout()->setContentsMargins(margin, margin, margin, margin);
    layout()->setSpacing(std::max(2, int(unit * kSpacingSize)));
    QFont word = m_state->font();
    word.setBold(true);
    const int room = contentsRect().width() - 2 * layout()->contentsMargins().left();
    for (int pixels = std::max(kSmallestText, int(unit * kStateSize)); pixels >= kSmallestText;
         --pixels) {
        word.setPixelSize(pixels);
        if (QFontMetrics(word).horizontalAdvance(kWidestWord) <= room) break;
    }
    m_state->setFont(word);
    // A FAIL's advice and detail take the room left over, never the state word's own line.
    m_state->setMinimumHeight(QFontMetrics(word).height());
}
