#pragma once

// The drive chooser. Without drive letters a "drive" is the root of a mounted, ready file system;
// the drive of a path is the mounted root that is its longest prefix.

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <functional>

class DriveChooser : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveChooser(QWidget* parent = nullptr);

    QString drive() const;
    // Selects the drive that holds path (a drive root or any path on it); reports driveChanged
    // before returning when the drive changes. A path on no mounted drive changes nothing.
    void setDrive(const QString& path);

    // Shows the drive that holds path without reporting a change: the folder tree went there
    // itself, onto a drive mounted below the one shown.
    void followPath(const QString& path);

    static QString driveOfPath(const QString& path);
    // For tests: the mounted roots to offer; an empty function restores the system's.
    static void SetRootSource(std::function<QStringList()> source);

    // Looks for newly mounted drives before the list opens.
    void showPopup() override;

  protected:
    // A wheel turned while the pointer passes over the closed chooser would change the drive
    // unseen; it scrolls only with the keyboard focus.
    void wheelEvent(QWheelEvent* event) override;

  signals:
    void driveChanged();

  private:
    void fillDrives();
};
