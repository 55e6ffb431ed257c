#include "app/Form1.h"

#include "app/LogPane.h"
#include "app/MessageBoxes.h"
#include "support/Logging.h"

Form1::Form1(WindowOptions options, QWidget* parent)
    : QWidget(parent), m_options(std::move(options)) {
    // The pictures live in the static window library, whose resources are not registered by
    // themselves.
    Q_INIT_RESOURCE(resources);
    buildLayout();
    Logging::AttachPane(Logbox);
    connectNotifications();
}

void Form1::connectNotifications() {
    connect(Drive, &DriveChooser::driveChanged, this, &Form1::Drive_Change);
    connect(DirBox, &FolderTree::pathChanged, this, &Form1::DirBox_Change);
    connect(File, &ChoiceList::entryChosen, this, &Form1::File_Click);
    connect(DevicesList, &ChoiceList::entryChosen, this, &Form1::DevicesList_Click);
    connect(DevicesRescan, &QPushButton::clicked, this, &Form1::DevicesRescan_Click);
    connect(Upgrade, &QToolButton::clicked, this, &Form1::Upgrade_Click);
}

void Form1::UpdateStatusPrompt() {
    static const QString captions[2][2] = {
        {QStringLiteral("Please select a file and device."),
         QStringLiteral("Please select a device.")},
        {QStringLiteral("Please select a file."), QStringLiteral("Ready.")},
    };
    Status->setText(captions[!DeviceSerial.isEmpty()][!FirmwarePath.isEmpty()]);
}

void Form1::showMessage(const QString& text, MessageIcon icon) {
    MessageBoxes::Show(this, text, icon);
}

void Form1::logLine(const QString& text) {
    Logging::LogLine(text);
}

void Form1::setStatus(const QString& caption) {
    Status->setText(caption);
}

void Form1::setProgressMaximum(int maximum) {
    ProgressBar->setMaximum(maximum);
}

void Form1::setProgressValue(int value) {
    ProgressBar->setValue(value);
}

void Form1::setUpgradeEnabled(bool enabled) {
    Upgrade->setEnabled(enabled);
}
