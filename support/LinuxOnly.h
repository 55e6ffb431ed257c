#pragma once

// Options that need what only the Linux build has (the kernel's serial driver, the station's
// record file), refused in one line on the platforms without it before anything runs.

#include <QCommandLineParser>
#include <QString>

namespace LinuxOnly {

// "--port is for Linux only" for the first such option given, "" when none is or the build has
// them all.
QString Refusal(const QCommandLineParser& parser);

}  // namespace LinuxOnly
