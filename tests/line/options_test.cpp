// A station or a view started against a broker it cannot parse, or with credentials others may
// read, must say so at once and end (64), before it flashes a unit, connects or opens a window: a
// station whose link is down all shift, or a view that silently shows nothing, is read as a line
// with nothing on it. What the options take, in process; what the programs say, as processes.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "line/LinkOptions.h"
#include "tests/common/WriteFile.h"

namespace {

bool writeCredentials(const QString& path, const QByteArray& text, int mode) {
    return WriteFile(path, text) && ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

TEST(BrokerUrl, ParsedOrRefusedWithWhy) {
    const struct {
        const char* url;
        const char* parsed;  // as BrokerAddress::text() says it back, or why it is refused
    } rows[] = {
        // clang-format off
        {"mqtt://line-pc", "mqtt://line-pc:1883"},
        {"mqtts://line-pc", "mqtts://line-pc:8883"},
        {"mqtt://[::1]:1884", "mqtt://[::1]:1884"},
        {"mqtt://", "no host"},
        {"mqtt://line-pc/tarvellon", "a path"},
        {"mqtt://line-pc:0", "port 0"},
        // clang-format on
    };
    for (const auto& row : rows) {
        const auto parsed = LinkArguments::ParseBroker(row.url);
        const auto* address = std::get_if<BrokerAddress>(&parsed);
        EXPECT_EQ(address ? address->text() : std::get<QString>(parsed),
                  address ? row.parsed
                          : QString("the broker '%1' is not mqtt://HOST[:PORT] or "
                                    "mqtts://HOST[:PORT]: %2")
                                .arg(row.url, row.parsed));
    }
}

TEST(CredentialsFile, OnlyItsOwnerMayReadIt) {
    const struct {
        QByteArray text;
        int mode;      // -1: no file
        QString read;  // "user|password", or the error with FILE for the path
    } rows[] = {
        {"station:s3cret:with:colons\n", 0600, "station|s3cret:with:colons"},
        {"station:pw\r\nsecond line\n", 0400, "station|pw"},
        {"station\n", 0600, "the credentials file FILE does not start with a user:password line"},
        {"", -1, "cannot read the credentials file FILE: No such file or directory"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        QTemporaryDir folder;
        const QString path = folder.filePath("credentials");
        ASSERT_TRUE(row.mode < 0 || writeCredentials(path, row.text, row.mode));
        const auto read = LinkArguments::ReadCredentials(path);
        const auto* credentials = std::get_if<Credentials>(&read);
        EXPECT_EQ(
            credentials ? credentials->user + '|' + credentials->password : std::get<QString>(read),
            QString(row.read).replace("FILE", path));
    }
}

// The programs that take the options, each with the arguments it is started with and the help
// its usage error points at.
struct Program {
    QString path;
    QStringList args;
    QString help;
};
const QList<Program> Views = {{FLASH_PROGRAM, {"line"}, "tarvellon-flash line --help"},
                              {LINE_PROGRAM, {}, "tarvellon-line --help"}};
const QList<Program> Stations = {
    {FLASH_PROGRAM,
     {"station", SAMPLE_IMAGES_DIR "/accepted.frw"},
     "tarvellon-flash station --help"},
    {STATION_PROGRAM, {SAMPLE_IMAGES_DIR "/accepted.frw"}, "tarvellon-station --help"}};

struct UsageRow {
    const char* name;
    QList<Program> programs;
    QStringList args;  // CREDENTIALS: a credentials file others may read; FIFO: a FIFO
    QString error;     // <file>, <fifo>: those files
};
// clang-format off
const UsageRow rows[] = {
    {"no broker", Views, {"--line", "L1"}, "--broker URL is needed"},
    {"not a broker URL", Views, {"--broker", "http://line-pc", "--line", "L1"}, "the broker 'http://line-pc' is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]: unknown scheme 'http'"},
    {"a password in the URL", Views, {"--broker", "mqtt://view:pw@line-pc", "--line", "L1"}, "the broker 'mqtt://view@line-pc' is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]: credentials go in --mqtt-credentials FILE, not in the URL"},
    {"a line that is no topic level", Views, {"--broker", "mqtt://line-pc", "--line", "L1/a"}, "--line 'L1/a' holds '/', which a topic's name cannot"},
    {"certificates in a FIFO, which would hold the start", Views, {"--broker", "mqtts://line-pc", "--line", "L1", "--mqtt-ca", "FIFO"}, "cannot read the certificates <fifo>: it is a FIFO (named pipe), not a regular file"},
    {"certificates without TLS", Views, {"--broker", "mqtt://line-pc", "--line", "L1", "--mqtt-ca", "/etc/hostname"}, "--mqtt-ca goes with an mqtts:// broker"},
    {"credentials others may read", Views, {"--broker", "mqtt://line-pc", "--line", "L1", "--mqtt-credentials", "CREDENTIALS"}, "the credentials file <file> may be read or written by others (mode 0644): chmod 600 <file>"},
    {"a station's broker that is no URL", Stations, {"--publish", "line-pc", "--line", "L1"}, "the broker 'line-pc' is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]: no scheme"},
    {"a station's credentials others may read", Stations, {"--publish", "mqtt://line-pc", "--line", "L1", "--mqtt-credentials", "CREDENTIALS"}, "the credentials file <file> may be read or written by others (mode 0644): chmod 600 <file>"},
};
// clang-format on

class Usage : public testing::TestWithParam<UsageRow> {};

// Each program in its own words: the command line points at the command's help, a window at its
// own, and a window needs no display to say it.
TEST_P(Usage, RefusedAtTheStart) {
    const UsageRow& row = GetParam();
    QTemporaryDir folder;
    const QString credentials = folder.filePath("line.login");
    ASSERT_TRUE(writeCredentials(credentials, "view:secret\n", 0644));
    const QString fifo = folder.filePath("ca.pem");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QStringList args = row.args;
    args.replaceInStrings("CREDENTIALS", credentials).replaceInStrings("FIFO", fifo);
    const QString error = QString(row.error).replace("<file>", credentials).replace("<fifo>", fifo);
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(name);

    for (const Program& program : row.programs) {
        SCOPED_TRACE(program.path.toStdString());
        QProcess view;
        view.setProcessEnvironment(noDisplay);
        view.start(program.path, program.args + args);
        ASSERT_TRUE(view.waitForFinished(30000));
        const QString name = QFileInfo(program.path).fileName();
        EXPECT_EQ(view.exitCode(), 64);
        EXPECT_EQ(view.readAllStandardOutput(), "");
        EXPECT_EQ(view.readAllStandardError().toStdString(),
                  QString("%1: %2\n%1: try '%3'\n").arg(name, error, program.help).toStdString());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Usage, testing::ValuesIn(rows),
                         [](const auto& info) { return std::to_string(info.index); });

}  // namespace
