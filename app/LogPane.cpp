#include "app/LogPane.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>

#include "support/Logging.h"

namespace {

QPointer<QPlainTextEdit> attachedPane;
QElapsedTimer sinceRepaint;

// A repaint costs far more than an append; more than one a display frame shows nothing more. A
// line that comes within a frame of the last repaint is painted at the next pump or repaint.
constexpr qint64 RepaintIntervalMs = 16;

void showNow(QPlainTextEdit* pane) {
    if (sinceRepaint.isValid() && sinceRepaint.elapsed() < RepaintIntervalMs) {
        pane->viewport()->update();
        return;
    }
    pane->viewport()->repaint();
    sinceRepaint.start();
}

void appendToPane(const QString& text) {
    if (!attachedPane) return;
    // A cursor of its own appends behind everything, whatever the operator has selected.
    QTextCursor end(attachedPane->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    end.insertBlock();
    attachedPane->setTextCursor(end);
    attachedPane->verticalScrollBar()->setValue(attachedPane->verticalScrollBar()->maximum());
    showNow(attachedPane);
}

}  // namespace

namespace Logging {

void AttachPane(QPlainTextEdit* pane) {
    attachedPane = pane;
    sinceRepaint.invalidate();
    SetWriter(pane != nullptr ? appendToPane : std::function<void(const QString&)>());
}

}  // namespace Logging
