#include "support/Logging.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>

namespace {
QPointer<QPlainTextEdit> attachedPane;
}

namespace Logging {

void AttachPane(QPlainTextEdit* pane) { attachedPane = pane; }

void LogLine(const QString& text) {
    if (!attachedPane) return;
    // A cursor of its own appends behind everything, whatever the operator has selected.
    QTextCursor end(attachedPane->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    end.insertBlock();
    attachedPane->setTextCursor(end);
    attachedPane->verticalScrollBar()->setValue(attachedPane->verticalScrollBar()->maximum());
    attachedPane->viewport()->repaint();
}

}  // namespace Logging
