#pragma once

// Every message box of the program goes through here, so tests can answer them without a modal
// loop and check that a box came before the log lines that follow it.

#include <QString>
#include <functional>

#include "support/MessageIcon.h"

class QWidget;

namespace MessageBoxes {

inline const QString Title = QStringLiteral("µTarvellon Firmware Upgrader");

using Handler = std::function<void(const QString& text, MessageIcon icon)>;

// Modal, OK only, the program's title; returns once the operator has dismissed it.
void Show(QWidget* parent, const QString& text, MessageIcon icon);
// Replaces the box; an empty handler restores the real one.
void SetHandler(Handler handler);

}  // namespace MessageBoxes
