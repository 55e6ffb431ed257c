#include "support/Logging.h"

#include <utility>

namespace Logging {
namespace {

std::function<void(const QString&)>& currentWriter() {
    static std::function<void(const QString&)> writer;
    return writer;
}

}  // namespace

void SetWriter(std::function<void(const QString&)> writer) {
    currentWriter() = std::move(writer);
}

void LogLine(const QString& text) {
    if (currentWriter()) currentWriter()(text);
}

}  // namespace Logging
