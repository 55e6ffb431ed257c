#pragma once

// The drive chooser. Without drive letters a "drive" is the root of a mounted, ready file system;
// the drive of a path is the mounted root that is its longest prefix.

#include <QComboBox>
#include <QString>

class DriveChooser : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveChooser(QWidget* parent = nullptr);

    QString drive() const;
    // Selects the drive that holds path (a drive root or any path on it); reports driveChanged
    // before returning when the drive changes. A path on no mounted drive changes nothing.
    void setDrive(const QString& path);

    static QString driveOfPath(const QString& path);

    // Looks for newly mounted drives before the list opens.
    void showPopup() override;

  signals:
    void driveChanged();

  private:
    void fillDrives();
};
