// The drive chooser lists the roots of the mounted, ready file systems and reports every change
// of the chosen one at once, whether the operator or the program made it.

#include "app/DriveChooser.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity PathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity PathCase = Qt::CaseSensitive;
#endif

QStringList readyRoots() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) roots.append(volume.rootPath());
    }
    roots.removeDuplicates();
    roots.sort(PathCase);
    return roots;
}

// Whether root is path itself or one of its leading folders, not just its leading characters.
bool holds(const QString& root, const QString& path) {
    if (!path.startsWith(root, PathCase)) return false;
    return root.endsWith(u'/') || path.size() == root.size() || path[root.size()] == u'/';
}

}  // namespace

DriveChooser::DriveChooser(QWidget* parent) : QComboBox(parent) {
    fillDrives();
    setCurrentIndex(findText(driveOfPath(QDir::currentPath())));
    connect(this, &QComboBox::currentIndexChanged, this, &DriveChooser::driveChanged);
}

QString DriveChooser::drive() const {
    return currentText();
}

void DriveChooser::setDrive(const QString& path) {
    const QString drive = driveOfPath(path);
    if (drive.isEmpty()) return;
    if (findText(drive) < 0) fillDrives();
    setCurrentIndex(findText(drive));
}

QString DriveChooser::driveOfPath(const QString& path) {
    const QString wanted = QDir::fromNativeSeparators(path);
    QString best;
    for (const QString& root : readyRoots()) {
        if (root.size() > best.size() && holds(root, wanted)) best = root;
    }
    return QDir::toNativeSeparators(best);
}

void DriveChooser::showPopup() {
    fillDrives();
    QComboBox::showPopup();
}

// A medium inserted since the last look shows up. The current drive stays chosen, even when it has
// gone, and nothing is reported, since the choice has not changed.
void DriveChooser::fillDrives() {
    const QString current = currentText();
    const QSignalBlocker quiet(this);
    clear();
    for (const QString& root : readyRoots()) addItem(QDir::toNativeSeparators(root));
    if (!current.isEmpty() && findText(current) < 0) addItem(current);
    setCurrentIndex(findText(current));
}
