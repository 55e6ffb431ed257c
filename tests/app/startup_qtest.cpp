// Start-up decides what the technician sees before the first click: the folder and image of the
// last session, the attached devices and the prompt. Restoring a folder that has gone, or a file
// that was deleted, must fall back to a clean state rather than to a path that cannot be used.

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include "app/Form1.h"
#include "support/DataBase.h"
#include "tests/common/SimBridge.h"

namespace {

const QString Separator = QDir::separator();

void writeSettings(const QString& fileName, const QStringList& lines) {
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString& line : lines) file.write(line.toLocal8Bit() + "\r\n");
}

QStringList entries(const QListWidget* list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
    return texts;
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void restoresWhatWasRemembered_data();
    void restoresWhatWasRemembered();

  private:
    QTemporaryDir m_folder;
    QString m_settings;
    // A root folder's path already ends in its separator; the join doubles it.
    QTemporaryFile m_inRoot{QDir::rootPath() + QStringLiteral("tarvellon-startup-XXXXXX.frw")};
};

void StartupTest::init() {
    DataBase::Reset();
    m_settings = m_folder.filePath(QStringLiteral("database.ini"));
    QFile::remove(m_settings);
    DataBase::SetFileName(m_settings);
    QDir(m_folder.path()).mkpath(QStringLiteral("images"));
    QFile image(m_folder.filePath(QStringLiteral("images/kept.frw")));
    QVERIFY(image.open(QIODevice::WriteOnly));
}

void StartupTest::cleanup() {
    DataBase::Reset();
}

void StartupTest::restoresWhatWasRemembered_data() {
    // "<images>" stands for the test's image folder; "<moved>" first puts them in the program's
    // read-only folder, the per-user file not written yet.
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("shownFolder");  // "<program>" for the program's own folder
    QTest::addColumn<QString>("firmwarePath");
    QTest::addColumn<QString>("currentFile");
    QTest::addColumn<QString>("prompt");
    const QString bothMissing = QStringLiteral("Please select a file and device.");
    // clang-format off
    QTest::newRow("first run") << QStringList() << "<program>" << "" << "" << bothMissing;
    QTest::newRow("folder and file") << QStringList{"file", "path", "<images>", "file", "file", "kept.frw"} << "<images>" << "<images>/kept.frw" << "kept.frw" << "Please select a device.";
    QTest::newRow("file deleted since") << QStringList{"file", "path", "<images>", "file", "file", "gone.frw"} << "<images>" << "" << "" << bothMissing;
    QTest::newRow("folder without file") << QStringList{"file", "path", "<images>"} << "<images>" << "" << "" << bothMissing;
    QTest::newRow("root folder") << QStringList{"file", "path", "<root>", "file", "file", "<inroot>"} << "<root>" << "<root>/<inroot>" << "<inroot>" << "Please select a device.";
    QTest::newRow("read-only program folder") << QStringList{"<moved>", "file", "path", "<images>", "file", "file", "kept.frw"} << "<images>" << "<images>/kept.frw" << "kept.frw" << "Please select a device.";
    QTest::newRow("folder gone since") << QStringList{"file", "path", "<images>/gone", "file", "file", "kept.frw"} << "<program>" << "" << "" << bothMissing;
    // clang-format on
}

void StartupTest::restoresWhatWasRemembered() {
    QFETCH(QStringList, settings);
    QFETCH(QString, shownFolder);
    QFETCH(QString, firmwarePath);
    QFETCH(QString, currentFile);
    QFETCH(QString, prompt);
    if (settings.contains("<root>") && !m_inRoot.open()) QSKIP("the root folder is read-only");
    const QString images = m_folder.filePath(QStringLiteral("images"));
    const auto resolve = [&](QString text) {
        return text.replace("<images>/", images + Separator)
            .replace("<images>", images)
            .replace("<root>/", QDir::rootPath() + Separator)
            .replace("<root>", QDir::rootPath())
            .replace("<inroot>", QFileInfo(m_inRoot.fileName()).fileName())
            .replace("<program>", QCoreApplication::applicationDirPath());
    };
    const QString programFile = m_folder.filePath(QStringLiteral("program.ini"));
    const bool moved = settings.removeOne("<moved>");
    if (moved) DataBase::SetFileName(m_settings, programFile);
    if (!settings.isEmpty()) {
        for (QString& line : settings) line = resolve(line);
        writeSettings(moved ? programFile : m_settings, settings);
    }
    SimBridge bridge(QString{});
    QVERIFY(bridge.ready());

    Form1 window;
    window.Form_Load();

    const QString folder = resolve(shownFolder);
    QCOMPARE(window.DirBox->path(), folder);
    QCOMPARE(window.File->path(), folder);
    QCOMPARE(window.File->pattern(), QStringLiteral("*.frw"));
    QCOMPARE(window.File->fileName(), resolve(currentFile));
    QCOMPARE(window.FirmwarePath, resolve(firmwarePath));
    QCOMPARE(window.Status->text(), prompt);
    QCOMPARE(entries(window.DevicesList), QStringList{"No device found."});
    QCOMPARE(window.Logbox->toPlainText(), QString());
    QVERIFY(bridge.writes().isEmpty());
    QCOMPARE(DataBase::DbGet("file", "path"), folder);
    DataBase::Reset();
    DataBase::SetFileName(m_settings);
    DataBase::DbLoad();
    QCOMPARE(DataBase::DbGet("file", "path"), folder);
}

QTEST_MAIN(StartupTest)
#include "startup_qtest.moc"
