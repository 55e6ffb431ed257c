// A station started with a broker it can never reach, or with credentials anyone may read, would
// run a shift with its link down or its password out: each is refused at the start, in words that
// say what to write instead. The programs' own refusals of the rest: usage_test.cpp.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QTemporaryDir>

#include "line/LinkOptions.h"

namespace {

TEST(BrokerUrl, ParsedOrRefusedWithWhy) {
    const struct {
        const char* url;
        const char* parsed;  // as BrokerAddress::text() says it back, or why it is refused
    } rows[] = {
        {"mqtt://line-pc", "mqtt://line-pc:1883"},
        {"mqtts://line-pc", "mqtts://line-pc:8883"},
        {"mqtt://10.0.0.5:11883", "mqtt://10.0.0.5:11883"},
        {"mqtt://10.0.0.5:11883/", "mqtt://10.0.0.5:11883"},
        {"mqtt://[::1]:1884", "mqtt://[::1]:1884"},
        {"mqtt://Line-PC", "mqtt://line-pc:1883"},
        {"mqtt://", "no host"},
        {"mqtt://line-pc/tarvellon", "a path"},
        {"mqtt://line-pc?x=1", "a query"},
        {"mqtt://line-pc:0", "port 0"},
        {"mqtt://line-pc:99999", "not a valid URL"},
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
        {"station:pw\n", 0640,
         "the credentials file FILE may be read or written by others (mode 0640): chmod 600 FILE"},
        {"station\n", 0600, "the credentials file FILE does not start with a user:password line"},
        {":pw\n", 0600, "the credentials file FILE does not start with a user:password line"},
        {"", -1, "cannot read the credentials file FILE: No such file or directory"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        QTemporaryDir folder;
        const QString path = folder.filePath("credentials");
        if (row.mode >= 0) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(row.text) == row.text.size());
            ASSERT_TRUE(file.flush());
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode_t(row.mode)), 0);
        }
        const auto read = LinkArguments::ReadCredentials(path);
        const auto* credentials = std::get_if<Credentials>(&read);
        EXPECT_EQ(
            credentials ? credentials->user + '|' + credentials->password : std::get<QString>(read),
            QString(row.read).replace("FILE", path));
    }
}

}  // namespace
