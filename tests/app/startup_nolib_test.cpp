// Without the D2XX library the program must still start, browse files and say why no device can
// be reached, instead of failing on its first call into a missing library.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "app/Form1.h"
#include "support/DataBase.h"

TEST(StartupWithoutLibrary, ListsOnlyDriverNotInstalled) {
    int argc = 1;
    char name[] = "startup_nolib_test";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QTemporaryDir folder;
    DataBase::Reset();
    DataBase::SetFileName(folder.filePath(QStringLiteral("database.ini")));

    Form1 window;
    window.Form_Load();

    ASSERT_EQ(window.DevicesList->count(), 1);
    EXPECT_EQ(window.DevicesList->item(0)->text(), QStringLiteral("Driver not installed"));
    EXPECT_EQ(window.Status->text(), QStringLiteral("Please select a file and device."));
    EXPECT_EQ(window.DirBox->path(), QCoreApplication::applicationDirPath());
}
