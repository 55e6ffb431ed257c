#include "line/StationLink.h"

#include "line/StationStatus.h"
#include "station/AttemptLine.h"

namespace {

// The status follows the engine's signals; this only moves the last hour on.
constexpr int kClockMs = 1000;
// How far back a restarted station looks for the latest failure to show.
constexpr int kFailuresLookedAt = 200;
// How long a station that ends waits for the broker.
constexpr int kGoodbyeMs = 2000;

}  // namespace

StationLink::StationLink(const LinkOptions& options, const StationEngine& engine, QObject* parent)
    : QObject(parent),
      m_engine(engine),
      m_publisher(options, engine.image().recordFile),
      m_station(options.station) {
    connect(&m_publisher, &LinePublisher::linkChanged, this, &StationLink::linkChanged);
    connect(&engine, &StationEngine::slotsChanged, this, &StationLink::update);
    connect(&engine, &StationEngine::slotChanged, this, &StationLink::update);
    connect(&engine, &StationEngine::lineStopped, this, &StationLink::update);
    connect(&engine, &StationEngine::attemptClosed, this, [this](const QJsonObject& closing) {
        if (!AttemptLine::Passed(closing)) m_lastFailure = closing;
        update();
    });
    connect(&engine, &StationEngine::finished, this, [this] {
        m_finished = true;
        update();
    });
    connect(&m_clock, &QTimer::timeout, this, &StationLink::update);
}

std::optional<QString> StationLink::start() {
    const QList<QJsonObject> earlier = m_engine.history(kFailuresLookedAt);
    for (auto closing = earlier.crbegin(); closing != earlier.crend(); ++closing) {
        // A record file may be shared by stations: only this one's failure is its own.
        if (AttemptLine::Passed(*closing) ||
            closing->value(QStringLiteral("station")).toString() != m_station) {
            continue;
        }
        m_lastFailure = *closing;
        break;
    }
    if (std::optional<QString> failure = m_publisher.start()) return failure;
    update();
    m_clock.start(kClockMs);
    return std::nullopt;
}

void StationLink::finish() {
    m_clock.stop();
    m_finished = true;
    update();
    m_publisher.finish(kGoodbyeMs);
}

void StationLink::update() {
    StationState state;
    // A stopped line stays said after the station ends: the engineer must see why.
    if (!m_engine.stopReason().isEmpty()) {
        state.run = StationState::Run::LineStopped;
        state.lineStopped = m_engine.stopReason();
    } else {
        state.run = m_finished            ? StationState::Run::Stopped
                    : m_engine.stopping() ? StationState::Run::Stopping
                                          : StationState::Run::Running;
    }
    state.image = m_engine.image();
    for (int index = 0; index < m_engine.slotCount(); ++index) {
        state.slotViews.append(m_engine.slot(index));
    }
    state.totals = m_engine.totals();
    state.lastFailure = m_lastFailure;
    m_publisher.setUpgradesRunning(state.totals.running);
    m_publisher.setStatus(StationStatus::Body(state));
}
