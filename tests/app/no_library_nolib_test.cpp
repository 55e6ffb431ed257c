// On a bench machine without the D2XX library the window must still start, browse files and say
// why no device can be reached: asked for the library (--driver d2xx), Re-scan looks for it again
// and finds none, and picking the placeholder entry must not call into a library that is not
// there. Left to choose, it lists what the kernel's serial driver serves instead. Its command line
// answers before a display is needed, so --help works over ssh and a mistyped option opens no
// window. A station window asked for the library says so in a box that bears the station's name
// and tells whoever starts it, from a menu or a start-up script, how to go on.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "app/Form1.h"
#include "app/station/StationWindow.h"
#include "link/FTDI.h"
#include "support/DataBase.h"
#include "tests/app/StationWindowTesting.h"

namespace {

QString listed(const QListWidget* list) {
    QStringList items;
    for (int row = 0; row < list->count(); ++row) items << list->item(row)->text();
    return items.join(',');
}

}  // namespace

TEST(NoLibrary, WindowAndLinkTakeTheFailurePaths) {
    int argc = 1;
    char name[] = "no_library_nolib_test", *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QTemporaryDir folder;
    DataBase::SetFileName(folder.filePath(QStringLiteral("database.ini")));
    const auto options =
        WindowCommandLine::Parse({WindowCommandLine::ProgramName, "--driver", "d2xx"});
    Form1 window(std::get<WindowOptions>(options));
    window.Form_Load();
    EXPECT_EQ(
        listed(window.DevicesList) + '|' + window.Status->text() + '|' + window.DirBox->path(),
        "Driver not installed|Please select a file and device.|" +
            QCoreApplication::applicationDirPath());
    window.DeviceSerial = QStringLiteral("TARV-OLD");
    window.DevicesRescan->click();
    EXPECT_EQ(listed(window.DevicesList), "Driver not installed");
    window.DevicesList->setCurrentRow(0);
    window.DevicesList_Click();
    EXPECT_EQ(window.CurrentDeviceLabel->text() + '|' + window.DeviceSerial + '|' +
                  window.Logbox->toPlainText(),
              "Driver not installed||New device selected : Driver not installed\n"
              "Can't talk to device, check connection.\n");

    // A library that loads but lacks the D2XX functions is no D2XX library either.
    EXPECT_FALSE(FTDI::LoadDriverLibrary(QStringLiteral("Qt6Core")));
    EXPECT_EQ(FTDI::InstalledApi(), nullptr);

    // Left to choose, with no bridge on this machine.
    Form1 chosen;
    chosen.Form_Load();
    EXPECT_EQ(listed(chosen.DevicesList) + '|' + chosen.Status->text(),
              "No device found.|Please select a file and device.");
}

// The image, which passed its checks, stays shown.
TEST(NoLibrary, StationWindowSaysHowToGoOn) {
    int argc = 1;
    char name[] = "no_library_nolib_test", *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    const StationWindowTesting::OwnConfigFolder config;
    QTemporaryDir folder;
    StationWindowOptions options = StationWindowTesting::optionsFor(folder);
    options.driver = DriverChoice::Choice::D2xx;
    StationWindow window(options);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QString title, text;
    StationWindowTesting::readBox(title, text);
    EXPECT_FALSE(window.startWith(StationWindowTesting::Images + "accepted.frw"));
    EXPECT_EQ(title, StationWindow::Caption);
    EXPECT_EQ(text,
              "The D2XX library (libftd2xx) is not installed, and --driver d2xx keeps the station "
              "to it.\nInstall the D2XX library from FTDI's website, or start the station with "
              "--driver serial, or from its menu entry, to reach the bridges through the kernel's "
              "driver.");
    EXPECT_EQ(window.Header->ImageName->text(), "accepted.frw");
    EXPECT_EQ(window.engine(), nullptr);
}

// Both windows' command lines. Seen: the exit code and the first line of stdout and of stderr.
TEST(NoLibrary, WindowCommandLineNeedsNoDisplay) {
    const char *const W = WINDOW_PROGRAM, *const S = STATION_PROGRAM;
    const struct {
        const char* program;
        QStringList arguments;
        QStringList seen;
    } rows[] = {
        // clang-format off
        {W, {"--help"}, {"0", "Usage: tarvellon-upgrader [options]", ""}},
        {W, {"--driver", "usb"}, {"64", "", "tarvellon-upgrader: --driver takes d2xx, serial or auto"}},
        {W, {"--port", "/dev/ttyUSB0", "--driver", "d2xx"}, {"64", "", "tarvellon-upgrader: --port opens the port through the kernel's driver, so it cannot go with --driver d2xx"}},
        {W, {"--latency-ms", ""}, {"64", "", "tarvellon-upgrader: --latency-ms takes 1 to 255 or 'keep'"}},
        {W, {"--jsn"}, {"64", "", "tarvellon-upgrader: unknown option --jsn"}},
        {W, {"--port"}, {"64", "", "tarvellon-upgrader: --port needs a value"}},
        {W, {"--port", "/nonexistent/ttyUSB9"}, {"64", "", "tarvellon-upgrader: --port /nonexistent/ttyUSB9 does not exist"}},
        {W, {"image.frw"}, {"64", "", "tarvellon-upgrader: unexpected argument 'image.frw'"}},
        {S, {"--help"}, {"0", "Usage: tarvellon-station [options] [IMAGE]", ""}},
        {S, {"-V"}, {"0", "tarvellon-station " TARVELLON_VERSION, ""}},
        {S, {"--jobs", "0", "image.frw"}, {"64", "", "tarvellon-station: --jobs takes a whole number above 0"}},
        {S, {"--slots", "/nonexistent/slots.txt"}, {"3", "", "tarvellon-station: cannot read the slots file /nonexistent/slots.txt: No such file or directory"}},
        // clang-format on
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(display);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        QProcess window;
        window.setProcessEnvironment(environment);
        window.start(row.program, row.arguments);
        ASSERT_TRUE(window.waitForFinished(10000));
        const QString out = window.readAllStandardOutput(), err = window.readAllStandardError();
        const QStringList seen{QString::number(window.exitCode()), out.section('\n', 0, 0),
                               err.section('\n', 0, 0)};
        EXPECT_EQ(seen.join('|').toStdString(), row.seen.join('|').toStdString());
        const QString name = QFileInfo(row.program).fileName();
        const QString usage = QString("%1: try '%1 --help'\n").arg(name);
        EXPECT_TRUE(err.isEmpty() || (window.exitCode() == 64) == err.endsWith(usage));
    }
}
