#include "link/LinkTrace.h"

#include <utility>

namespace LinkTrace {
namespace {

std::function<void(const Event&)>& trace() {
    static std::function<void(const Event&)> function;
    return function;
}

}  // namespace

void Set(std::function<void(const Event&)> function) {
    trace() = std::move(function);
}

bool On() {
    return static_cast<bool>(trace());
}

void Emit(const Event& event) {
    if (trace()) {
        trace()(event);
    }
}

}  // namespace LinkTrace
