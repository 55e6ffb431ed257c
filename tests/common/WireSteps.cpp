#include "tests/common/WireSteps.h"

QString PercentEncoded(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toPercentEncoding(" "));
}

QStringList WireSteps(const QList<SimEvent>& events) {
    // Indexed by SimEvent::Kind; a command or a notification adds nothing.
    static const QStringList marks = {"open @",   "open failed ", "→ ",
                                      "← ",       "close @",      "",
                                      "unplug @", "latency get ", "latency set "};
    QStringList steps;
    for (const SimEvent& event : events) {
        const QString mark = marks.value(int(event.kind));
        if (mark.isEmpty()) continue;
        // A reply read in pieces is one step; a read that found nothing adds nothing.
        const bool more = event.kind == SimEvent::Kind::Read &&
                          (event.bytes.isEmpty() || steps.last().startsWith("← "));
        (more ? steps.last() : steps.emplaceBack(QString(mark).replace('@', event.serial))) +=
            PercentEncoded(event.bytes);
    }
    return steps;
}
