// The firmware file browser's handlers: they keep drive, folder and file list in step, keep
// FirmwarePath equal to the chosen file or empty, and write every choice through to the settings
// file at once, so nothing needs saving when the program ends.

#include <QDir>

#include "app/DeviceOperationGuard.h"
#include "app/Form1.h"
#include "support/DataBase.h"
#include "support/Logging.h"

// The nested DirBox_Change has finished, and stored the new folder, before the drive is stored.
void Form1::Drive_Change() {
    DirBox->setPath(Drive->drive());
    FirmwarePath = QString();
    DataBase::DbSet(QStringLiteral("file"), QStringLiteral("drive"), DirBox->path());
    DataBase::DbSync();
}

// The tree may have opened a drive mounted below the chosen one; the chooser shows the tree's
// drive, so that choosing the first drive again is a change.
void Form1::DirBox_Change() {
    Drive->followPath(DirBox->path());
    File->setPath(DirBox->path());
    FirmwarePath = QString();
    DataBase::DbSet(QStringLiteral("file"), QStringLiteral("path"), File->path());
    DataBase::DbSync();
}

// The folder is joined as it stands, so a file in a root folder gets a doubled separator. While a
// device operation runs, its own caption stays: "Ready." in the middle of a transfer would tell
// the operator the device may be unplugged.
void Form1::File_Click() {
    const QString name = File->fileName();
    FirmwarePath = DirBox->path() + QDir::separator() + name;
    Logging::LogLine(QStringLiteral("Firmware file selected : ") + name);
    if (!DeviceOperationGuard::busy()) UpdateStatusPrompt();
    Logging::LogLine(QString());
    DataBase::DbSet(QStringLiteral("file"), QStringLiteral("file"), name);
    DataBase::DbSync();
}
