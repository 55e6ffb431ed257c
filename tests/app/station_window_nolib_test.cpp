// A station window asked for the D2XX library (--driver d2xx) on a line PC without it: the box
// that says so bears the station's name and tells whoever starts it, from a menu or a start-up
// script, how to go on; the image, which passed its checks, stays shown.

#include <gtest/gtest.h>

#include "app/station/StationWindow.h"
#include "tests/app/StationWindowTesting.h"

using namespace StationWindowTesting;

TEST(NoLibrary, StationWindowSaysHowToGoOn) {
    int argc = 1;
    char name[] = "station_window_nolib_test", *argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QTemporaryDir config, folder;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    StationWindowOptions options = optionsFor(folder);
    options.driver = DriverChoice::Choice::D2xx;
    StationWindow window(options);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QString title, text;
    readBox(title, text);
    EXPECT_FALSE(window.startWith(Images + "accepted.frw"));
    EXPECT_EQ(title, StationWindow::Caption);
    EXPECT_EQ(text,
              "The D2XX library (libftd2xx) is not installed, and --driver d2xx keeps the station "
              "to it.\nInstall the D2XX library from FTDI's website, or start the station with "
              "--driver serial, or from its menu entry, to reach the bridges through the kernel's "
              "driver.");
    EXPECT_EQ(window.Header->ImageName->text(), "accepted.frw");
    EXPECT_EQ(window.engine(), nullptr);
}
