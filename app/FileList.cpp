// The file list reads the disk synchronously and reports a file choice only when the operator
// makes it, by a click or by moving the selection with the keyboard, never when the program
// changes the folder or names the current file.

#include "app/FileList.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_path = QDir::currentPath();
    showFiles();
    // A control-click can take the selection away; that chooses no file.
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->isSelected()) emit fileClicked();
    });
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

void FileList::keyPressEvent(QKeyEvent* event) {
    const QString before = fileName();
    QListWidget::keyPressEvent(event);
    const QString after = fileName();
    if (!after.isEmpty() && after != before) emit fileClicked();
}

// Several patterns may be given, separated by semicolons, as in "*.frw;*.p32".
void FileList::showFiles() {
    clear();
    const QStringList patterns = m_pattern.split(u';', Qt::SkipEmptyParts);
    addItems(QDir(m_path).entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
}
