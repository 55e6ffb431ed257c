#include "app/station/ElidedLabel.h"

#include <QEvent>
#include <QTextLayout>

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void ElidedLabel::setFullText(const QString& text) {
    m_full = text.simplified();
    fit();
}

void ElidedLabel::setElideMode(Qt::TextElideMode mode) {
    m_mode = mode;
    fit();
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    fit();
}

void ElidedLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) fit();
}

void ElidedLabel::fit() {
    const QFontMetrics metrics(font());
    const int room = contentsRect().width();
    const int lines = (contentsRect().height() + metrics.leading()) / metrics.lineSpacing();
    if (m_mode != Qt::ElideRight) {
        QLabel::setText(lines > 0 ? metrics.elidedText(m_full, m_mode, room) : QString());
        return;
    }
    QStringList shown;
    QTextLayout layout(m_full, font());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid() && shown.size() < lines;
         line = layout.createLine()) {
        line.setLineWidth(room);
        const bool last = shown.size() + 1 == lines;
        shown << (last ? metrics.elidedText(m_full.mid(line.textStart()), Qt::ElideRight, room)
                       : m_full.mid(line.textStart(), line.textLength()).trimmed());
    }
    layout.endLayout();
    QLabel::setText(shown.join('\n'));
}
