#pragma once

// Asks the operator for the image to flash, in a file dialog that opens on the image chosen last
// time, remembered for each user in the user's configuration folder
// (~/.config/tarvellon-station/station.ini).

#include <QString>

class QWidget;

namespace ImageChooser {

// The image chosen, or "" when the operator cancelled.
QString Ask(QWidget* parent);

// The image chosen last, "" before the first.
QString Last();
void Remember(const QString& path);

}  // namespace ImageChooser
