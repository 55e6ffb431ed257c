#pragma once

// The folder tree: the chosen folder's ancestors above it and its subfolders below, read from the
// disk synchronously so that a change is handled to completion inside the call that made it.

#include <QListWidget>
#include <QString>

class FolderTree : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderTree(QWidget* parent = nullptr);

    QString path() const;
    // Reports pathChanged before returning when the folder changes. A folder that cannot be read
    // is shown empty.
    void setPath(const QString& path);

  signals:
    void pathChanged();

  private:
    void showFolder(const QString& path);

    QString m_path;
};
