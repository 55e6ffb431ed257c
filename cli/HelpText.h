#pragma once

// Help as a terminal of 80 columns shows it: a line too long is wrapped at a space, its further
// lines indented to where its text began, so that the eye finds each entry's name in the margin.

#include <QString>

// `head` (an option, a command, an exit code) padded to `textColumn`, then `text`, wrapped; each
// line ends in a line feed.
QString HelpLine(const QString& head, const QString& text, int textColumn);
