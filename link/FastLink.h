#pragma once

// An FTDI bridge holds a short reply until its latency timer runs out, 16 ms by default, so each
// 1-byte acknowledgement of the stop-and-wait transfer waits for it: the upgrade runs at the
// bridge's pace, not the device's. For the length of an upgrade the timer is set as low as the
// bridge accepts, and put back before the device is closed. A bridge that cannot be tuned leaves
// the upgrade exactly as it was, with one note saying so.

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

class FastLink {
  public:
    static inline const QString OptionError =
        QStringLiteral("--latency-ms takes 1 to 255 or 'keep'");
    // From --latency-ms: "" tries 1 ms, then 2 ms; "keep" leaves the bridge alone; a value from
    // 1 to 255 tries that value, and where the bridge refuses it the nearest above it that is
    // still below the bridge's own. Nothing for anything else.
    static std::optional<FastLink> FromOption(const QString& option);
    // --latency-ms N|keep, as the command line's upgrades and the station take it.
    static QCommandLineOption Option();

    // On the open device; a note when the bridge could not be tuned or put back.
    std::optional<QString> engage();
    std::optional<QString> restore();

    std::optional<int> foundMs() const { return m_found; }
    std::optional<int> usedMs() const { return m_used; }

  private:
    explicit FastLink(QList<std::uint8_t> candidates, bool nearest = false)
        : m_candidates(std::move(candidates)), m_nearest(nearest) {}

    QList<std::uint8_t> m_candidates;  // empty: leave the bridge alone
    bool m_nearest = false;  // a value asked for: refused, the nearest above it the bridge takes
    std::optional<std::uint8_t> m_found;
    std::optional<std::uint8_t> m_used;
};
