#include "link/FastLink.h"

#include <QStringList>

#include "link/LatencyTimer.h"

QCommandLineOption FastLink::Option() {
    return QCommandLineOption(
        QStringLiteral("latency-ms"),
        QStringLiteral("The bridge's latency timer during the upgrade, 1 to 255 ms, or 'keep' to "
                       "leave the bridge alone. Default: the lowest it accepts, 1 or 2 ms."),
        QStringLiteral("N|keep"));
}

std::optional<FastLink> FastLink::FromOption(const QString& option) {
    if (option.isEmpty()) {
        return FastLink({1, 2});
    }
    if (option == QStringLiteral("keep")) {
        return FastLink({});
    }
    bool number = false;
    const int ms = option.toInt(&number);
    if (!number || ms < 1 || ms > 255) {
        return std::nullopt;
    }
    return FastLink({static_cast<std::uint8_t>(ms)}, true);
}

std::optional<QString> FastLink::engage() {
    m_found.reset();
    m_used.reset();
    if (m_candidates.isEmpty()) {
        return std::nullopt;
    }
    m_found = FTDI::GetLatencyTimer();
    if (!m_found) {
        return QStringLiteral(
            "the bridge's latency timer cannot be read, so it is left "
            "alone; the upgrade runs at the bridge's pace");
    }
    FTDI::LatencySetting last = FTDI::LatencySetting::Refused;
    for (const std::uint8_t ms : m_candidates) {
        last = FTDI::SetLatencyTimer(ms);
        if (last == FTDI::LatencySetting::Set) {
            m_used = ms;
            return std::nullopt;
        }
    }
    // A bridge refuses values below its floor; at its own value or above, leaving it alone is as
    // fast.
    for (int ms = m_candidates.constFirst() + 1;
         m_nearest && last == FTDI::LatencySetting::Refused && ms < *m_found; ++ms) {
        last = FTDI::SetLatencyTimer(std::uint8_t(ms));
        if (last == FTDI::LatencySetting::Set) {
            m_used = std::uint8_t(ms);
            return QStringLiteral(
                       "the bridge refuses a latency timer of %1 ms; the upgrade runs at %2 ms, "
                       "the nearest it accepts")
                .arg(m_candidates.constFirst())
                .arg(ms);
        }
    }
    QStringList tried;
    for (const std::uint8_t ms : m_candidates) {
        tried << QString::number(ms);
    }
    const QString refusal =
        last == FTDI::LatencySetting::AttributeNotWritable
            ? QStringLiteral(
                  "a latency timer of %1 ms needs the port's latency_timer attribute, "
                  "which is not writable (root, or a udev rule); the upgrade runs at "
                  "the bridge's %2 ms as before")
            : QStringLiteral(
                  "the bridge refuses a latency timer of %1 ms; the upgrade runs at "
                  "its %2 ms as before");
    return refusal.arg(tried.join(QStringLiteral(" or "))).arg(*m_found);
}

std::optional<QString> FastLink::restore() {
    if (m_used && FTDI::SetLatencyTimer(*m_found) != FTDI::LatencySetting::Set) {
        return QStringLiteral("the bridge's latency timer could not be put back to %1 ms")
            .arg(*m_found);
    }
    return std::nullopt;
}
