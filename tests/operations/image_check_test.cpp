// An image is checked at the desk (`info`) and before a station touches any unit: a check that
// passes a file the upgrade would refuse, or words its failure otherwise than the upgrade does,
// lets a line start on an image that fails on every unit. The check reads the file alone; no
// library is loaded, so a check that reached for a device would fail here.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/FTDI.h"
#include "operations/ImageCheck.h"

namespace {

const QString Samples = SAMPLE_IMAGES_DIR "/";

// path: a sample image, or in the test's folder "folder" or "partial.frw" (43 bytes) it makes.
struct Row {
    const char* name;
    QString path;
    bool passed;
    QString detail;
    QString hint = {};
};
const Row rows[] = {
    {"three records", Samples + "three-records.frw", true, ""},
    {"missing", "gone.frw", false, "%1 does not exist", "path is mistyped"},
    {"a folder", "folder", false, "%1 is not an image: it is a folder, not a regular file",
     "not a folder or a device"},
    {"too short", Samples + "too-short.frw", false,
     "%1 is 5 bytes long, too short for an image: an 8-byte key and at least one 13-byte "
     "record, 21 bytes",
     "not a whole firmware image"},
    {"part of a record", "partial.frw", false,
     "%1 is 43 bytes long: after its 8-byte key and 2 whole 13-byte records come 9 more bytes, "
     "part of a record",
     "not a whole firmware image"},
};

TEST(ImageCheck, ChecksTheFileAloneAsTheUpgradeDoes) {
    FTDI::InstallApi(nullptr);
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("folder"));
    QFile partial(folder.filePath("partial.frw"));
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly) && partial.write(QByteArray(43, 1)) == 43);
    partial.close();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = row.path.startsWith('/') ? row.path : folder.filePath(row.path);
        const ImageCheck check = CheckImage(path);
        EXPECT_EQ(check.passed, row.passed);
        EXPECT_EQ(check.detail.toStdString(),
                  QString(row.detail).replace("%1", path).toStdString());
        EXPECT_TRUE(check.hint.contains(row.hint)) << check.hint.toStdString();
        if (row.passed) {
            EXPECT_EQ(check.report.imageKey, "µTARVEL0");
            EXPECT_EQ(check.report.records, 3);
            EXPECT_EQ(check.report.image.size(), 47);
        }
    }
    EXPECT_EQ(FTDI::InstalledApi(), nullptr);
}

}  // namespace
