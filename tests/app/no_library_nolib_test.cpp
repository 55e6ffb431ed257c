// On a bench machine without the D2XX library the window must still start, browse files and say
// why no device can be reached: asked for the library (--driver d2xx), Re-scan looks for it again
// and finds none, and picking the placeholder entry must not call into a library that is not
// there. Left to choose, it lists what the kernel's serial driver serves instead. Its command line
// answers before a display is needed, so --help works over ssh and a mistyped option opens no
// window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include "app/Form1.h"
#include "link/FTDI.h"
#include "support/DataBase.h"

namespace {

WindowOptions optionsOf(const QStringList& arguments) {
    return std::get<WindowOptions>(
        WindowCommandLine::Parse(QStringList{WindowCommandLine::ProgramName} + arguments));
}

}  // namespace

TEST(NoLibrary, WindowAndLinkTakeTheFailurePaths) {
    int argc = 1;
    char name[] = "no_library_nolib_test", *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QTemporaryDir folder;
    DataBase::SetFileName(folder.filePath(QStringLiteral("database.ini")));
    Form1 window(optionsOf({"--driver", "d2xx"}));
    window.Form_Load();
    ASSERT_EQ(window.DevicesList->count(), 1);
    EXPECT_EQ(window.DevicesList->item(0)->text(), "Driver not installed");
    EXPECT_EQ(window.Status->text(), "Please select a file and device.");
    EXPECT_EQ(window.DirBox->path(), QCoreApplication::applicationDirPath());
    window.DeviceSerial = QStringLiteral("TARV-OLD");
    window.DevicesRescan->click();
    ASSERT_EQ(window.DevicesList->count(), 1);
    EXPECT_EQ(window.DevicesList->item(0)->text(), "Driver not installed");
    window.DevicesList->setCurrentRow(0);
    window.DevicesList_Click();
    EXPECT_EQ(window.CurrentDeviceLabel->text(), "Driver not installed");
    EXPECT_EQ(window.DeviceSerial, QString());
    EXPECT_EQ(window.Logbox->toPlainText(),
              "New device selected : Driver not installed\n"
              "Can't talk to device, check connection.\n");

    // A library that loads but lacks the D2XX functions is no D2XX library either.
    EXPECT_FALSE(FTDI::LoadDriverLibrary(QStringLiteral("Qt6Core")));
    EXPECT_EQ(FTDI::InstalledApi(), nullptr);

    // Left to choose, with no bridge on this machine.
    Form1 chosen;
    chosen.Form_Load();
    ASSERT_EQ(chosen.DevicesList->count(), 1);
    EXPECT_EQ(chosen.DevicesList->item(0)->text(), "No device found.");
    EXPECT_EQ(chosen.Status->text(), "Please select a file and device.");
}

// Seen: the exit code and the first line of stdout and of stderr.
TEST(NoLibrary, WindowCommandLineNeedsNoDisplay) {
    const QString usage = "tarvellon-upgrader: try 'tarvellon-upgrader --help'";
    const struct {
        QStringList arguments;
        QStringList seen;
    } rows[] = {
        {{"--help"}, {"0", "Usage: tarvellon-upgrader [options]", ""}},
        {{"--version"}, {"0", "tarvellon-upgrader " TARVELLON_VERSION, ""}},
        {{"--driver", "usb"},
         {"64", "", "tarvellon-upgrader: --driver takes d2xx, serial or auto"}},
        {{"--port", "/dev/ttyUSB0", "--driver", "d2xx"},
         {"64", "",
          "tarvellon-upgrader: --port opens the port through the kernel's driver, so it cannot go "
          "with --driver d2xx"}},
        {{"--latency-ms", "0"},
         {"64", "", "tarvellon-upgrader: --latency-ms takes 1 to 255 or 'keep'"}},
        {{"--latency-ms", ""},
         {"64", "", "tarvellon-upgrader: --latency-ms takes 1 to 255 or 'keep'"}},
        {{"image.frw"}, {"64", "", "tarvellon-upgrader: unexpected argument 'image.frw'"}},
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(display);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcess window;
        window.setProcessEnvironment(environment);
        window.start(WINDOW_PROGRAM, row.arguments);
        ASSERT_TRUE(window.waitForFinished(10000));
        const QString out = window.readAllStandardOutput(), err = window.readAllStandardError();
        const QStringList seen{QString::number(window.exitCode()), out.section('\n', 0, 0),
                               err.section('\n', 0, 0)};
        EXPECT_EQ(seen.join('|').toStdString(), row.seen.join('|').toStdString());
        EXPECT_TRUE(err.isEmpty() || err.endsWith(usage + '\n'));
    }
}
