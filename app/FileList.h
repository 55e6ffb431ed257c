#pragma once

// The file list: the files of one folder that match a pattern, read synchronously.

#include <QListWidget>
#include <QString>

class FileList : public QListWidget {
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

  signals:
    // The operator clicked a file or moved the selection to another file with the keyboard.
    void fileClicked();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void showFiles();

    QString m_path;
    QString m_pattern = QStringLiteral("*");
};
