#pragma once

// The operator's running record: the one writer of the log pane. Lines land at the very end and
// are on screen before the call returns, also in the middle of an operation that pumps events
// only while it waits.

#include <QString>

class QPlainTextEdit;

namespace Logging {

// The pane that LogLine writes to; the window attaches its pane once it exists.
void AttachPane(QPlainTextEdit* pane);
void LogLine(const QString& text);

}  // namespace Logging
