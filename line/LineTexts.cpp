#include "line/LineTexts.h"

#include <QJsonArray>
#include <QMap>

#include "station/StationTexts.h"

namespace LineTexts {
namespace {

constexpr int kShownDigits = 8;

QString text(const QJsonObject& object, const char* field) {
    return object.value(QLatin1String(field)).toString();
}

}  // namespace

QString StateWord(const StationEntry& station) {
    if (!station.online) return QStringLiteral("OFFLINE");
    const QString state = text(station.status, "state");
    if (state == QStringLiteral("line_stopped")) return QStringLiteral("LINE STOPPED");
    if (state == QStringLiteral("stopping")) return QStringLiteral("STOPPING");
    if (state == QStringLiteral("stopped")) return QStringLiteral("STOPPED");
    return QStringLiteral("RUNNING");
}

QString OfflineSince(const StationEntry& station) {
    if (!station.offlineSince.isValid()) return QStringLiteral("offline");
    return QStringLiteral("offline since ") +
           station.offlineSince.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

QString SlotWord(const QJsonObject& slot) {
    const QString state = text(slot, "state");
    if (state == QStringLiteral("pass")) return QStringLiteral("PASS");
    if (state == QStringLiteral("fail")) return QStringLiteral("FAIL");
    if (state == QStringLiteral("starting") || state == QStringLiteral("flashing")) {
        return QStringLiteral("FLASHING");
    }
    if (state == QStringLiteral("left_alone")) return QStringLiteral("LEFT ALONE");
    if (state == QStringLiteral("unplugged")) return QStringLiteral("UNPLUGGED");
    return QStringLiteral("WAITING");
}

QString Image(const QJsonObject& status) {
    const QJsonObject image = status.value(QStringLiteral("image")).toObject();
    if (image.isEmpty()) return QStringLiteral("no image");
    return QStringLiteral("%1  key %2  SHA-256 %3")
        .arg(text(image, "file"), text(image, "key"), text(image, "sha256").left(kShownDigits));
}

QString Figures(int passed, int failed, std::optional<int> yieldPercent, int lastHour) {
    return QStringLiteral("passed %1, failed %2, yield %3, %4 in the last hour")
        .arg(passed)
        .arg(failed)
        .arg(StationTexts::Yield(yieldPercent))
        .arg(lastHour);
}

QString LastFailure(const QJsonObject& status) {
    const QJsonObject failure = status.value(QStringLiteral("last_failure")).toObject();
    if (failure.isEmpty()) return {};
    QString said =
        QStringLiteral("%1 in slot %2").arg(text(failure, "serial"), text(failure, "slot"));
    if (const QString advice = text(failure, "advice"); !advice.isEmpty()) said += ": " + advice;
    if (const QString detail = text(failure, "detail"); !detail.isEmpty()) {
        said += QStringLiteral(" (%1)").arg(detail);
    }
    return said;
}

QString MixedImages(const QList<StationEntry>& stations) {
    // By their bytes: one image under two file names is the same image.
    struct Stations {
        QString image;
        QStringList names;
    };
    QMap<QString, Stations> bySha256;
    QMap<QString, int> keys;
    for (const StationEntry& station : stations) {
        const QJsonObject image = station.status.value(QStringLiteral("image")).toObject();
        if (!station.online || image.isEmpty()) continue;
        Stations& same = bySha256[text(image, "sha256")];
        if (same.image.isEmpty()) same.image = Image(station.status);
        same.names << station.name;
        ++keys[text(image, "key")];
    }
    if (bySha256.size() < 2) return {};
    QStringList which;
    for (const Stations& same : std::as_const(bySha256)) {
        which << QStringLiteral("%1 on %2").arg(same.names.join(QStringLiteral(", ")), same.image);
    }
    return QStringLiteral("the stations run different %1: %2")
        .arg(keys.size() > 1 ? QStringLiteral("keys") : QStringLiteral("images"),
             which.join(QStringLiteral("; ")));
}

}  // namespace LineTexts
