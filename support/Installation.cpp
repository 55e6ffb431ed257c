#include "support/Installation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace Installation {

bool IsInstalled() {
    return QFileInfo::exists(QDir(QCoreApplication::applicationDirPath())
                                 .filePath(QStringLiteral(INSTALLED_MENU_ENTRY)));
}

QString FirstFolder() {
    return IsInstalled() ? QDir::homePath() : QCoreApplication::applicationDirPath();
}

}  // namespace Installation
