#pragma once

// A figure or a fact as a screen reader reads it: what it is, then its value ("Yield: 75 %"),
// where the label shows the value alone, or in words of its own ("key µTARVEL0").

#include <QLabel>

inline void ShowValue(QLabel* label, const QString& caption, const QString& shown,
                      const QString& value) {
    label->setText(shown);
    label->setAccessibleName(caption + QStringLiteral(": ") + value);
}

inline void ShowValue(QLabel* label, const QString& caption, const QString& value) {
    ShowValue(label, caption, value, value);
}
