// The settings file: three lines per entry in the system's 8-bit encoding, replaced whole and
// atomically on every write so that a crash or a full disk never leaves it empty or half written.
// A write goes to a temporary file beside it, database.ini.XXXXXX, forced to disk and then renamed
// over it; where the file system has unnamed temporary files, that name exists only for the moment
// before the rename. A write killed before its rename leaves that temporary file behind, whole or
// cut short, and the settings file as it was. Nothing beside the file is ever removed, not even
// such a leftover, since a name such as database.ini.backup or database.ini.Ab12Cd may be an
// operator's.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringConverter>
#include <QTemporaryFile>

#include "support/DataBase.h"
#include "support/Installation.h"
#include "support/Logging.h"

namespace DataBase {

namespace {

QString settingsFile;
QString formerFile;

void trace(const QString& line) {
    if (DbTrace) Logging::LogLine(line);
}

// A line ends at CR LF or at a CR alone; a LF on its own belongs to the line. The last line needs
// no break of its own.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype end = text.indexOf(u'\r', start);
        if (end < 0) {
            lines.append(text.mid(start));
            break;
        }
        lines.append(text.mid(start, end - start));
        start = end + 1;
        if (start < text.size() && text[start] == u'\n') ++start;
    }
    return lines;
}

// Whether a file can be created in folder, which is what replacing the settings file needs.
bool canCreateFilesIn(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("database.XXXXXX")));
    return probe.open();
}

QString fileIn(const QString& folder) {
    return QDir::toNativeSeparators(QDir(folder).filePath(QStringLiteral("database.ini")));
}

}  // namespace

void SetFileName(const QString& fileName, const QString& formerFileName) {
    settingsFile = fileName;
    formerFile = formerFileName;
}

void ChooseFileLocation() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const bool installed = Installation::IsInstalled();
    if (!installed && canCreateFilesIn(programFolder)) {
        SetFileName(fileIn(programFolder));
        return;
    }
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(userFolder);
    SetFileName(fileIn(userFolder), installed ? QString() : fileIn(programFolder));
}

void DbLoad() {
    const bool moved = !QFile::exists(settingsFile) && !formerFile.isEmpty();
    QFile file(moved ? formerFile : settingsFile);
    bool readable = !file.fileName().isEmpty() && file.open(QIODevice::ReadOnly);
    QByteArray bytes = readable ? file.readAll() : QByteArray();
    readable = readable && file.error() == QFileDevice::NoError;
    file.close();
    // A file that cannot be read counts as no file at all.
    if (!readable) {
        trace(QStringLiteral("Database not found !"));
        return;
    }
    // Byte-order marks an editor put in front are no part of the first section.
    const QByteArray byteOrderMark = "\xEF\xBB\xBF";
    while (bytes.startsWith(byteOrderMark)) bytes.remove(0, byteOrderMark.size());
    const QStringList lines = splitLines(QStringDecoder(QStringConverter::System)(bytes));
    // Lines after the last whole entry are dropped.
    for (qsizetype line = 0; line + 2 < lines.size(); line += 3) {
        DbSet(lines[line], lines[line + 1], lines[line + 2]);
        trace(QStringLiteral("db load ") + lines[line] + u' ' + lines[line + 1] + u' ' +
              lines[line + 2]);
    }
    trace(QStringLiteral("Database read ok."));
}

void DbSync() {
    trace(QStringLiteral("database sync"));
    if (settingsFile.isEmpty()) return;
    QString text;
    for (qint32 row = 0; row < DbCount; ++row) {
        const DbRow& entry = DbTable[row];
        text += entry.section + QStringLiteral("\r\n") + entry.key + QStringLiteral("\r\n") +
                entry.value + QStringLiteral("\r\n");
    }
    QSaveFile file(settingsFile);
    if (!file.open(QIODevice::WriteOnly)) return;
    const QByteArray bytes = QStringEncoder(QStringConverter::System).encode(text);
    // The save file misses a failure that shows only when its buffer is flushed on commit.
    if (file.write(bytes) != bytes.size() || !file.flush()) file.cancelWriting();
    if (file.commit()) trace(QStringLiteral("database synced"));
}

}  // namespace DataBase
