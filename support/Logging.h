#pragma once

// The operator's running record. Every line of every operation goes through LogLine; the front
// end decides where it lands (the window's pane, a terminal), so the operations need no widgets.

#include <QString>
#include <functional>

namespace Logging {

// Where LogLine writes from now on; an empty function sends lines nowhere.
void SetWriter(std::function<void(const QString&)> writer);
void LogLine(const QString& text);

}  // namespace Logging
