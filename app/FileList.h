#pragma once

// The file list: the files of one folder that match a pattern, read synchronously.

#include <QString>

#include "app/ChoiceList.h"

class FileList : public ChoiceList {
    Q_OBJECT
  public:
    explicit FileList(QWidget* parent = nullptr);

    QString path() const;
    void setPath(const QString& path);
    QString pattern() const { return m_pattern; }
    void setPattern(const QString& pattern);
    // The bare name of the current file, "" when none.
    QString fileName() const;
    // Makes the named file current, without reporting a click.
    void setFileName(const QString& name);

  private:
    void showFiles();

    QString m_path;
    QString m_pattern = QStringLiteral("*");
};
