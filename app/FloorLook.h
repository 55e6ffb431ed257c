#pragma once

// The look the station window and the line view share on the shop floor.

#include <QIcon>
#include <QPalette>
#include <QWidget>

// A calm grey, since colour is kept for what needs a person, and the icon `name`32.png with its
// 16-pixel drawing.
inline void DressForTheFloor(QWidget& window, const QString& name) {
    QIcon icon(QStringLiteral(":/resources/%132.png").arg(name));
    icon.addFile(QStringLiteral(":/resources/%116.png").arg(name));
    window.setWindowIcon(icon);
    QPalette calm = window.palette();
    calm.setColor(QPalette::Window, QColor(0xd0, 0xd0, 0xd0));
    window.setPalette(calm);
    window.setAutoFillBackground(true);
}
