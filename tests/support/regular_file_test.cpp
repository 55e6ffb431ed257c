// A file the program reads or appends to is refused unless it is a regular file, and the refusal
// says why: a FIFO opened for an image would hang the upgrade, and a cause misread (a folder
// reported as missing, a locked file as absent) sends the technician after the wrong fix.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/RegularFile.h"
#include "tests/common/WriteFile.h"

namespace {

using Kind = RegularFile::Failure::Kind;

// made: what the test puts at the path first: "file", "folder", "fifo", "locked" (a file without
// permissions) or "" for nothing. kind: the failure's, nothing when it opens.
struct Row {
    const char* name;
    const char* made;
    const char* path;
    std::optional<Kind> kind;
    QString detail = {};
};
const Row rows[] = {
    // clang-format off
    {"regular file", "file", "image.frw", std::nullopt},
    {"nothing there", "", "gone.frw", Kind::Missing, "No such file or directory"},
    {"a folder", "folder", "folder", Kind::NotRegular, "it is a folder, not a regular file"},
    {"a FIFO, never waited for", "fifo", "fifo", Kind::NotRegular, "it is a FIFO (named pipe), not a regular file"},
    {"no permission", "locked", "locked.frw", Kind::Refused, "Permission denied"},
    // clang-format on
};

TEST(RegularFile, OpensOnlyRegularFilesAndSaysWhyNot) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Root opens any file, whatever its permissions.
        if (row.made == QString("locked") && ::geteuid() == 0) continue;
        QTemporaryDir folder;
        const QString path = folder.filePath(row.path);
        const QString made = row.made;
        ASSERT_TRUE(
            made.isEmpty() || (made == "folder" && QDir().mkdir(path)) ||
            (made == "fifo" && ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0) ||
            (WriteFile(path, "image") && (made == "file" || QFile::setPermissions(path, {}))));

        const std::variant<int, RegularFile::Failure> opened = RegularFile::Open(path, O_RDONLY);
        if (const int* fd = std::get_if<int>(&opened)) {
            EXPECT_FALSE(row.kind);
            ::close(*fd);
            continue;
        }
        const RegularFile::Failure& failure = std::get<RegularFile::Failure>(opened);
        EXPECT_EQ(failure.kind, row.kind);
        EXPECT_EQ(failure.detail.toStdString(), row.detail.toStdString());
    }
}

}  // namespace
