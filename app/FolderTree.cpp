// The folder tree reads the disk synchronously, so a change of folder is handled to completion
// inside the call that made it. Its chain of folders starts at the top of the file system, so a
// drive mounted below another, opened as a folder, leads back up the way the operator came.

#include "app/FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace {

constexpr int PathRole = Qt::UserRole;

// The folders from the top down to path; worked out from the text alone, so that a folder that
// has gone still shows where it was.
QStringList chainOf(const QString& path) {
    QStringList chain{path};
    for (QString parent = QFileInfo(path).path(); parent != chain.first();
         parent = QFileInfo(parent).path()) {
        chain.prepend(parent);
    }
    return chain;
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QListWidget(parent) {
    showFolder(QDir::currentPath());
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(item->data(PathRole).toString()); });
}

QString FolderTree::path() const {
    return QDir::toNativeSeparators(m_path);
}

void FolderTree::setPath(const QString& path) {
    const QString wanted =
        QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath());
    if (wanted == m_path) return;
    showFolder(wanted);
    emit pathChanged();
}

// A folder that cannot be read shows its chain and no subfolders.
void FolderTree::showFolder(const QString& path) {
    m_path = path;
    clear();
    const QStringList chain = chainOf(path);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    for (qsizetype depth = 0; depth < chain.size(); ++depth) {
        const QString& folder = chain[depth];
        const QString name =
            depth == 0 ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, u' ') + name, this);
        item->setData(PathRole, folder);
    }
    setCurrentRow(int(chain.size() - 1));

    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QString indent(chain.size() * 2, u' ');
    const QDir folder(path);
    for (const QString& name :
         folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto* item = new QListWidgetItem(closed, indent + name, this);
        item->setData(PathRole, folder.filePath(name));
    }
}
