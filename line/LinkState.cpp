#include "line/LinkState.h"

#include "operations/CountText.h"

QString LinkText(const LinkState& link) {
    if (!link.downSince.isValid()) return {};
    QString text = QStringLiteral("line link down since ") +
                   link.downSince.toLocalTime().toString(QStringLiteral("HH:mm"));
    if (!link.reason.isEmpty()) text += QStringLiteral(" (%1)").arg(link.reason);
    return text + QStringLiteral(", %1 %2 waiting")
                      .arg(CountText(link.waiting), link.waiting == 1 ? QStringLiteral("record")
                                                                      : QStringLiteral("records"));
}
