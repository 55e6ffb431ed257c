#pragma once

// Whether the program runs as installed (by the package, or by any install into a prefix) or from
// a build folder or a folder someone copied it to. Installed, it never writes beside itself, not
// even as root (a file there would outlive the package's removal), and it starts in the user's
// home folder; otherwise it keeps to its own folder, as a portable program does.

#include <QString>

namespace Installation {

// Installed when the menu entry the install puts in the prefix's share folder is there, seen
// from the program's own folder.
bool IsInstalled();

// Where a first start shows the operator's files: the home folder when installed, else the
// program's own folder.
QString FirstFolder();

}  // namespace Installation
