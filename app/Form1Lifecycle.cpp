// Start-up brings the window into its working state from what the settings remember; shutdown
// ends the program at once, also from inside the wait of a running device operation.

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

#include "app/Form1.h"
#include "link/DriverChoice.h"
#include "link/SubCom.h"
#include "link/serial/KernelSerial.h"
#include "operations/DeviceList.h"
#include "support/DataBase.h"
#include "support/Installation.h"

namespace {

const QString FirmwarePattern = QStringLiteral("*.frw");

// A remembered folder that has gone or cannot be read counts as none remembered.
bool isUsableFolder(const QString& path) {
    const QFileInfo folder(path);
    return !path.isEmpty() && folder.isDir() && folder.isReadable();
}

}  // namespace

void Form1::Form_Load() {
    DataBase::DbTrace = false;
    DataBase::DbLoad();

    // The change handlers run only for a drive or folder that changes: started from the folder it
    // shows already, the window writes no settings file.
    const auto showFolder = [this](const QString& folder) {
        Drive->setDrive(folder);
        DirBox->setPath(folder);
    };

    const QString path = DataBase::DbGet(QStringLiteral("file"), QStringLiteral("path"));
    if (isUsableFolder(path)) {
        showFolder(path);
        File->setPath(path);
        File->setPattern(FirmwarePattern);
        const QString file = DataBase::DbGet(QStringLiteral("file"), QStringLiteral("file"));
        const QString remembered = path + QDir::separator() + file;
        if (!file.isEmpty() && QFileInfo(remembered).isFile()) {
            File->setFileName(file);
            FirmwarePath = remembered;
        } else {
            FirmwarePath.clear();
        }
    } else {
        showFolder(Installation::FirstFolder());
        File->setPattern(FirmwarePattern);
        FirmwarePath.clear();
    }

    KernelSerial::AddPorts(m_options.ports);
    if (DriverChoice::Install(m_options.driver)) {
        RescanDevices();
    } else {
        DevicesList->addItem(DeviceList::DriverNotInstalled);
    }
    UpdateStatusPrompt();
}

void Form1::Form_Unload() {
    SubCom::ClosePort();
    // Ends here even when called from inside a device operation's wait, so that the interrupted
    // operation never resumes; the settings file is already up to date.
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}
