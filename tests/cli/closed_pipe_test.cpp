// A pipe whose reader is gone, as `tarvellon-flash list -q | head -1` leaves it.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "tests/common/SimBridge.h"

namespace {

const QString D = "device=TARV0001\n";
const QStringList Three{"TARV0001", SAMPLE_IMAGES_DIR "/three-records.frw"};

// A reader that stops reading (`| head -1`) is no failure: the program ends with its own exit
// code and says nothing. The pipe's reader is gone before the program starts, so every write
// meets the closed pipe; a full disk stays a failure of its own (exit 74).
TEST(Flash, ClosedPipeEndsQuietly) {
    struct PipeRow {
        const char* name;
        QString config;
        QStringList args;
        QString streams;  // what goes into the closed pipe, as the shell redirects it
        int exit;
    };
    const PipeRow pipeRows[] = {
        {"list -q | head", D, {"list", "-q"}, ">&4", 0},
        {"list 2>&1 | head", D, {"list"}, ">&4 2>&4", 0},
        {"upgrade | head", D, QStringList{"upgrade"} + Three, ">&4", 0},
        {"none attached | head", "", {"list", "-q"}, ">&4", 4},
    };
    QTemporaryDir folder;
    for (const PipeRow& row : pipeRows) {
        SCOPED_TRACE(row.name);
        const SimBridge sim(row.config);
        ASSERT_TRUE(sim.ready());
        const QString fifo = folder.filePath(row.name).replace(' ', '_').replace('|', '_');
        // Opened for reading and writing, the FIFO lends the write end a reader to open against,
        // then takes it away.
        QProcess process;
        process.start("/bin/sh",
                      QStringList{"-c",
                                  R"sh(mkfifo "$0" && exec 3<>"$0" 4>"$0" 3<&- && exec "$@" )sh" +
                                      row.streams + " 4>&-",
                                  fifo, FLASH_PROGRAM} +
                          row.args);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), row.exit);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_FALSE(err.contains("Broken pipe") || err.contains("cannot write"))
            << err.toStdString();
        EXPECT_EQ(process.readAllStandardOutput(), "");
    }
}

}  // namespace
