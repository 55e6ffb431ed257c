#pragma once

// What the drive chooser offers: the roots of the file systems ready now, with '/' separators
// ("/", "/media/usb"; "C:/", "Z:/" on Windows, SystemDrives_win.cpp), and how paths on them
// compare.

#include <QStringList>

namespace SystemDrives {

QStringList Roots();
// Paths that differ only in letter case name one file on Windows, two elsewhere.
extern const Qt::CaseSensitivity PathCase;

}  // namespace SystemDrives
