#pragma once

// Qt words its parse errors in its own style ("Unknown option 'jsn'."); every program says them in
// the same words of its own instead.

#include <QCommandLineParser>
#include <QString>

// "unknown option --jsn", "--record needs a value", "-q takes no value".
QString OptionError(const QCommandLineParser& parser);
