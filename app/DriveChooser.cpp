// The drive chooser lists the roots of the mounted, ready file systems and reports every change
// of the chosen one at once, whether the operator or the program made it.

#include "app/DriveChooser.h"

#include <QDir>
#include <QSignalBlocker>
#include <QWheelEvent>

#include "app/SystemDrives.h"

namespace {

std::function<QStringList()> rootSource;

QStringList readyRoots() {
    QStringList roots = rootSource ? rootSource() : SystemDrives::Roots();
    roots.removeDuplicates();
    roots.sort(SystemDrives::PathCase);
    return roots;
}

// Whether root is path itself or one of its leading folders, not just its leading characters.
bool holds(const QString& root, const QString& path) {
    if (!path.startsWith(root, SystemDrives::PathCase)) return false;
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

void DriveChooser::followPath(const QString& path) {
    const QSignalBlocker quiet(this);
    setDrive(path);
}

QString DriveChooser::driveOfPath(const QString& path) {
    const QString wanted = QDir::fromNativeSeparators(path);
    QString best;
    for (const QString& root : readyRoots()) {
        if (root.size() > best.size() && holds(root, wanted)) best = root;
    }
    return QDir::toNativeSeparators(best);
}

void DriveChooser::SetRootSource(std::function<QStringList()> source) {
    rootSource = std::move(source);
}

void DriveChooser::wheelEvent(QWheelEvent* event) {
    if (hasFocus()) {
        QComboBox::wheelEvent(event);
    } else {
        event->ignore();
    }
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
