// The file list reads the disk synchronously; the operator's choices are reported as a list's
// choices are, never when the program changes the folder or names the current file.

#include "app/FileList.h"

#include <QDir>
#include <QFileInfo>

FileList::FileList(QWidget* parent) : ChoiceList(parent) {
    m_path = QDir::currentPath();
    showFiles();
}

QString FileList::path() const {
    return QDir::toNativeSeparators(m_path);
}

void FileList::setPath(const QString& path) {
    m_path = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
    showFiles();
}

void FileList::setPattern(const QString& pattern) {
    m_pattern = pattern;
    showFiles();
}

QString FileList::fileName() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void FileList::setFileName(const QString& name) {
    const QList<QListWidgetItem*> found =
        findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!found.isEmpty()) setCurrentItem(found.first());
}

// Several patterns may be given, separated by semicolons, as in "*.frw;*.p32".
void FileList::showFiles() {
    clear();
    const QStringList patterns = m_pattern.split(u';', Qt::SkipEmptyParts);
    addItems(QDir(m_path).entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
}
