#include "support/LinuxOnly.h"

namespace LinuxOnly {

QString Refusal(const QCommandLineParser&) {
    return {};
}

}  // namespace LinuxOnly
