// The station on a terminal, as a terminal emulator shows it: a line that wraps or a redraw that
// leaves a stale row behind puts a wrong state before the operator.

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <optional>

#include "tests/cli/StationTesting.h"
#include "tests/common/SimBridge.h"

namespace {

using namespace StationTesting;

// The station on a terminal as a window system's terminal emulator shows it: tmux, read back.
class Tmux {
  public:
    explicit Tmux(const QString& folder)
        : m_socket(folder + "/tmux"), m_exitFile(folder + "/exit") {}
    ~Tmux() { run({"kill-server"}); }
    // Runs `command` in an 80x24 terminal on the simulated bridge, in colour whatever NO_COLOR the
    // test was given.
    bool start(const QStringList& command) {
        QStringList args{"new-session", "-d", "-x", "80", "-y", "24", "-e", "NO_COLOR="};
        for (const char* variable : {"TARVELLON_SIM_CONFIG", "LD_LIBRARY_PATH"})
            args << "-e" << QString(variable) + '=' + qEnvironmentVariable(variable);
        return run(args +
                   QStringList{"sh", "-c", R"(trap : INT; "$@"; echo $? >"$0"; exec sleep 600)",
                               m_exitFile} +
                   command)
            .has_value();
    }
    // The screen's lines.
    QStringList screen() const {
        return QString::fromUtf8(run({"capture-pane", "-p"}).value_or("")).split('\n').mid(0, 24);
    }
    int history() const {
        return run({"display-message", "-p", "#{history_size}"}).value_or("-1").trimmed().toInt();
    }
    void send(const QStringList& args) const { run(args); }
    // The command's exit code once it ends within `ms`; -1 when it does not.
    int exitCode(int ms) const {
        QFile file(m_exitFile);
        if (!WaitUntil([&] { return file.size() > 0; }, ms) || !file.open(QIODevice::ReadOnly))
            return -1;
        return file.readAll().trimmed().toInt();
    }

  private:
    std::optional<QByteArray> run(const QStringList& args) const {
        QProcess tmux;
        tmux.start("tmux", QStringList{"-S", m_socket, "-f", "/dev/null"} + args);
        if (!tmux.waitForFinished(10000) || tmux.exitCode() != 0) return std::nullopt;
        return tmux.readAllStandardOutput();
    }
    QString m_socket, m_exitFile;
};

// The lines of the screen that say `text`.
qsizetype saying(const QStringList& screen, const QString& text) {
    return std::count_if(screen.begin(), screen.end(),
                         [&](const QString& line) { return line.contains(text); });
}

// More slots than rows, a failure of 96 characters, a unit that stops answering, a resize and two
// Ctrl-C: every line fits, nothing scrolls away, no redraw leaves a stale line behind. Which lines
// a frame keeps, where it cuts them and how a wait counts down is the station view test's to hold.
TEST(StationScreen, FitsTheTerminalAndNeverWraps) {
    // "the device answered "id ..." to "id"": 96 characters.
    const QString identity = "identity=id " + QString(63, 'x');
    // UNIT0003 never answers its key; UNIT0009 takes half a minute.
    const QString config =
        units(26, 5, identity)
            .replace("device=UNIT0004", "silent_from_command=firmkey\ndevice=UNIT0004")
            .replace("device=UNIT0010", "program_ms=100\ndevice=UNIT0010");
    SimBridge sim(config);
    ASSERT_TRUE(sim.ready());
    QTemporaryDir folder;
    Tmux tmux(folder.path());
    ASSERT_TRUE(tmux.start({FLASH_PROGRAM, "station", Images + "accepted.frw", "--record",
                            folder.filePath("records.jsonl")}))
        << "tmux is missing: scripts/install-deps installs it";
    const auto fits = [&](int columns) {
        const QStringList screen = tmux.screen();
        return saying(screen, "passed ") == 1 && saying(screen, "SHA-256") == 1 &&
               std::all_of(screen.begin(), screen.end(),
                           [&](const QString& line) { return line.size() < columns; });
    };
    ASSERT_TRUE(
        WaitUntil([&] { return saying(tmux.screen(), "passed 23, failed 2,") == 1; }, 60000))
        << tmux.screen().join('\n').toStdString();
    EXPECT_TRUE(fits(80));
    EXPECT_EQ(tmux.history(), 0);

    tmux.send({"resize-window", "-x", "60", "-y", "24"});
    EXPECT_TRUE(WaitUntil([&] { return fits(60); }, 10000))
        << tmux.screen().join('\n').toStdString();
    tmux.send({"send-keys", "C-c"});
    EXPECT_TRUE(WaitUntil(
        [&] {
            return saying(tmux.screen(), "stopping: 1 upgrade still running; Ctrl-C again inter") ==
                   1;
        },
        10000));
    tmux.send({"send-keys", "C-c"});
    EXPECT_EQ(tmux.exitCode(10000), 130);
    EXPECT_TRUE(fits(60));
    EXPECT_EQ(saying(tmux.screen(), "passed 23, failed 3,"), 1);
}

}  // namespace
