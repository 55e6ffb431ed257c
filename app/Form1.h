#pragma once

// The program's one window: its controls, the two selections an upgrade needs, and the handlers
// of its notifications. Handlers arrange widgets and call operations; the operations themselves
// live in operations/ and see the window only through OperationView.

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include "app/ChoiceList.h"
#include "app/DriveChooser.h"
#include "app/FileList.h"
#include "app/FolderTree.h"
#include "app/WindowCommandLine.h"
#include "operations/OperationView.h"

class Form1 : public QWidget, public OperationView {
    Q_OBJECT
  public:
    explicit Form1(WindowOptions options = {}, QWidget* parent = nullptr);

    // The two selections; "" means nothing selected.
    QString DeviceSerial;
    QString FirmwarePath;

    void UpdateStatusPrompt();

    // Start-up and shutdown.
    void Form_Load();
    void Form_Unload();

    // File selection.
    void Drive_Change();
    void DirBox_Change();
    void File_Click();

    // Device list and identify.
    void RescanDevices();
    void DevicesList_Click();
    void DevicesRescan_Click();

    // Upgrade.
    void Upgrade_Click();

    // OperationView
    void showMessage(const QString& text, MessageIcon icon) override;
    void logLine(const QString& text) override;
    void setStatus(const QString& caption) override;
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setUpgradeEnabled(bool enabled) override;
    void deviceOpened() override;
    void deviceClosing() override;

    QGroupBox* Frame1 = nullptr;
    DriveChooser* Drive = nullptr;
    FolderTree* DirBox = nullptr;
    FileList* File = nullptr;
    QGroupBox* Frame4 = nullptr;
    QPlainTextEdit* Logbox = nullptr;
    QGroupBox* DeviceSelectionFrame = nullptr;
    ChoiceList* DevicesList = nullptr;
    QLabel* CurrentLabel = nullptr;
    QLabel* CurrentDeviceLabel = nullptr;
    QPushButton* DevicesRescan = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QLabel* Status = nullptr;
    QToolButton* Upgrade = nullptr;
    QProgressBar* ProgressBar = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildLayout();
    void connectNotifications();

    WindowOptions m_options;
};
