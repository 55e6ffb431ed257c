#include "app/station/SlotTile.h"

#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "operations/FailureHint.h"
#include "station/SlotWords.h"

namespace {

// Each text's pixel size, and the gaps, for each pixel of the state word.
constexpr double kNameSize = 0.5;
constexpr double kSerialSize = 0.4;
constexpr double kLocationSize = 0.3;
constexpr double kNoteSize = 0.36;
constexpr double kDetailSize = 0.3;
constexpr double kProgressSize = 0.25;
constexpr double kPadSize = 0.12;
constexpr double kGapSize = 0.06;
// The name line, the word, two lines of what to do, the pads and gaps, at a line spacing of 1.2.
constexpr double kHeightPerWordPixel =
    1.2 * (kNameSize + 1 + 2 * kNoteSize) + 2 * kPadSize + 3 * kGapSize;
// The tile's border, at its widest.
constexpr int kBorder = 4;
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

QFont sized(QFont font, double pixels, bool bold) {
    font.setPixelSize(std::max(kSmallestText, int(pixels)));
    font.setBold(bold);
    return font;
}

int lineHeight(const QWidget* widget) {
    return widget->fontMetrics().lineSpacing();
}

int textWidth(const ElidedLabel* label) {
    return int(std::ceil(QFontMetricsF(label->font()).horizontalAdvance(label->fullText())));
}

// The widest word's width in bold, for each pixel of its size.
double widestWordPerPixel() {
    static const double width = [] {
        const QFont font = sized(QFont(), 100, true);
        return QFontMetrics(font).horizontalAdvance(kWidestWord) / 100.0;
    }();
    return width;
}

}  // namespace

SlotTile::SlotTile(QWidget* parent) : QFrame(parent) {
    setFocusPolicy(Qt::TabFocus);
    m_name = new ElidedLabel(this);
    m_location = new ElidedLabel(this);
    m_location->setStyleSheet(QStringLiteral("color: #505050;"));
    m_serial = new ElidedLabel(this);
    m_serial->setStyleSheet(QStringLiteral("color: #333333;"));
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("StateWord"));
    m_state->setTextFormat(Qt::PlainText);
    m_state->setAlignment(Qt::AlignCenter);
    m_state->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_note = new ElidedLabel(this);
    m_detail = new ElidedLabel(this);
    m_detail->setObjectName(QStringLiteral("Detail"));
    setTone(Tone::Calm);
}

int SlotTile::WordPixels(QSize size) {
    const double across = (size.width() - 2 * kBorder) / (widestWordPerPixel() + 2 * kPadSize);
    const double down = (size.height() - 2 * kBorder) / kHeightPerWordPixel;
    return std::max(kSmallestText, int(std::min(across, down)));
}

void SlotTile::showSlot(const SlotView& slot, bool stopping) {
    const Said text = said(slot, stopping);
    const bool running = UpgradeRuns(slot.state);
    const QString name =
        slot.name == QString::number(slot.number) ? QStringLiteral("Slot ") + slot.name : slot.name;
    QString detail = slot.state == SlotState::Fail ? slot.detail : QString();
    if (running && stopping) detail = QStringLiteral("the station stops once this unit is done");
    m_name->setFullText(name);
    m_location->setFullText(slot.location);
    m_serial->setFullText(slot.serial.isEmpty() ? QStringLiteral("no unit") : slot.serial);
    m_state->setText(text.word);
    m_progress->setVisible(running);
    m_progress->setValue(slot.percent);
    m_note->setFullText(text.note);
    m_detail->setFullText(detail);
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
    arrange();
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
            .arg(failed ? kBorder : kBorder / 2)
            .arg(failed ? QStringLiteral("#b3261e") : QStringLiteral("#9a9a9a")));
    m_state->setStyleSheet(QString::fromLatin1(words[int(tone)]));
}

void SlotTile::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    arrange();
}

// Top down: the name line, the word, the progress, what to do, and what was seen in the room
// left. Placed by hand, since a layout would give a long text the word's room.
void SlotTile::arrange() {
    const int word = WordPixels(size());
    // Small tiles keep their pads small, so that the name line and the word both fit.
    const int pad = std::max(2, int(word * kPadSize));
    const int gap = std::max(2, int(word * kGapSize));
    m_name->setFont(sized(font(), word * kNameSize, true));
    m_serial->setFont(sized(font(), word * kSerialSize, false));
    m_location->setFont(sized(font(), word * kLocationSize, false));
    m_state->setFont(sized(font(), word, true));
    m_note->setFont(sized(font(), word * kNoteSize, true));
    m_detail->setFont(sized(font(), word * kDetailSize, false));
    const QRect room = QRect(QPoint(), size())
                           .adjusted(kBorder, kBorder, -kBorder, -kBorder)
                           .adjusted(pad, pad, -pad, -pad);
    int y = room.top();
    const auto place = [&](QWidget* widget, int height) {
        height = std::clamp(height, 0, room.bottom() + 1 - y);
        widget->setGeometry(room.left(), y, room.width(), height);
        y += height + gap;
    };

    // The serial at the right; the name before it, its location in the room between.
    const int line = std::max(lineHeight(m_name), lineHeight(m_serial));
    const int serial = std::min(textWidth(m_serial), room.width());
    const int name = std::min(textWidth(m_name), room.width() - serial - gap);
    m_serial->setGeometry(room.right() + 1 - serial, y, serial, line);
    m_name->setGeometry(room.left(), y, std::max(0, name), line);
    const int location = room.width() - name - serial - 2 * gap;
    m_location->setGeometry(room.left() + name + gap, y + line - lineHeight(m_location),
                            std::max(0, location), lineHeight(m_location));
    y += line + gap;

    const bool twoLines =
        m_state->fontMetrics().horizontalAdvance(m_state->text()) > room.width() - 2 * pad;
    place(m_state, lineHeight(m_state) * (twoLines ? 2 : 1));
    if (!m_progress->isHidden()) place(m_progress, std::max(6, int(word * kProgressSize)));
    const QRect note = m_note->fontMetrics().boundingRect(QRect(0, 0, room.width(), 100000),
                                                          Qt::TextWordWrap, m_note->fullText());
    place(m_note, m_note->fullText().isEmpty() ? 0 : note.height());
    place(m_detail, room.bottom() + 1 - y);
}
