#pragma once

// The window's log pane as the writer of Logging::LogLine. Lines land at the very end and are on
// screen before the call returns, also in the middle of an operation that pumps events only while
// it waits.

class QPlainTextEdit;

namespace Logging {

// The pane that LogLine writes to from now on; null detaches it.
void AttachPane(QPlainTextEdit* pane);

}  // namespace Logging
