#include "operations/FailureDetail.h"

#include <QHash>

#include "link/DeviceCommands.h"
#include "operations/CountText.h"
#include "operations/FirmwareImage.h"
#include "operations/UpgradeProcedure.h"

namespace {

using FTDI::ReadOutcome;

// A wait for the reply to `what` that ended without one, for the handshake and records alike;
// "" for the other outcomes, which each step words itself. `partial`: what came of the reply.
QString missingReply(ReadOutcome outcome, const QString& what, const QString& partial = {}) {
    const int deadlineS = UpgradeProcedure::ReplyDeadlineMs / 1000;
    if (outcome == ReadOutcome::NoReply && !partial.isEmpty()) {
        return QStringLiteral(
                   "the device sent %1 characters but no line feed in reply to %2 "
                   "within %3 s")
            .arg(CountText(partial.size()), what)
            .arg(deadlineS);
    }
    if (outcome == ReadOutcome::NoReply) {
        return QStringLiteral("no reply to %1 within %2 s").arg(what).arg(deadlineS);
    }
    if (outcome == ReadOutcome::Interrupted) {
        return QStringLiteral("interrupted while waiting for the reply to %1").arg(what);
    }
    return {};
}

QString handshakeDetail(const FailedStep& failed, const QString& imageKey) {
    const QString command = QuotedDeviceText(failed.command);
    const QString keyPrefix = DeviceCommands::ExpectedKeyReply(QString());
    if (const QString missing = missingReply(failed.outcome, command, failed.reply);
        !missing.isEmpty()) {
        return missing;
    }
    switch (failed.outcome) {
        case ReadOutcome::DeviceError:
            return QStringLiteral("the device vanished while answering %1").arg(command);
        case ReadOutcome::LineTooLong:
            return QStringLiteral(
                       "the device sent %1 characters without a line feed in reply to %2")
                .arg(CountText(FTDI::MaxLineLength), command);
        case ReadOutcome::NoReply:
        case ReadOutcome::Interrupted:
        case ReadOutcome::Ok:
            break;
    }
    if (failed.command == QStringLiteral("firmkey") && failed.reply.startsWith(keyPrefix)) {
        return QStringLiteral("the device reports key %1, the image carries %2 and is refused")
            .arg(EscapedDeviceText(failed.reply.mid(keyPrefix.size())),
                 EscapedDeviceText(imageKey));
    }
    return QStringLiteral("the device answered %1 to %2")
        .arg(QuotedDeviceText(failed.reply), command);
}

// cat (pid 1432), minicom (pid 1500); a device every process holds (/dev/null) stays one line.
QString openerNames(const QList<PortOpener>& openers) {
    constexpr qsizetype kNamed = 3;
    QStringList names;
    for (const PortOpener& opener : openers.mid(0, kNamed)) {
        names << QStringLiteral("%1 (pid %2)").arg(opener.name).arg(opener.pid);
    }
    if (openers.size() > kNamed) {
        names << QStringLiteral("and %1 more").arg(CountText(openers.size() - kNamed));
    }
    return names.join(QStringLiteral(", "));
}

QString recordDetail(const UpgradeReport& report) {
    const FailedStep& failed = report.failed;
    const std::int32_t records = report.records;
    if (LastRecordTakenForMore(report)) {
        return QStringLiteral(
                   "record %1 of %1, the image's last, was answered %2: the device expected "
                   "more records")
            .arg(CountText(records))
            .arg(DeviceCommands::RecordAccepted);
    }
    const QString record =
        QStringLiteral("record %1 of %2").arg(CountText(failed.record), CountText(records));
    if (const QString missing = missingReply(failed.outcome, record); !missing.isEmpty()) {
        return missing;
    }
    // A byte is a number; a line where the byte was due is quoted.
    if (failed.outcome == ReadOutcome::Ok && failed.reply.size() > 1) {
        return QStringLiteral("%1 was answered %2").arg(record, QuotedDeviceText(failed.reply));
    }
    if (failed.outcome == ReadOutcome::Ok) {
        return QStringLiteral("%1 was answered %2").arg(record).arg(failed.reply.front().unicode());
    }
    return QStringLiteral("the device vanished after %1 was sent").arg(record);
}

}  // namespace

QString EscapedDeviceText(const QString& text) {
    static const QHash<char16_t, QString> named = {{'\\', QStringLiteral("\\\\")},
                                                   {'\r', QStringLiteral("\\r")},
                                                   {'\n', QStringLiteral("\\n")},
                                                   {'\t', QStringLiteral("\\t")}};
    QString escaped;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (named.contains(code)) {
            escaped += named[code];
        } else if (code < 0x20 || (code >= 0x7F && code < 0xA0)) {
            escaped += QStringLiteral("\\x%1").arg(int(code), 2, 16, QLatin1Char('0'));
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QString QuotedDeviceText(const QString& text) {
    return '"' + EscapedDeviceText(text) + '"';
}

QString FileFailureDetail(const UpgradeReport& report, const QString& imagePath) {
    using Problem = FirmwareImage::Problem;
    const QString length = CountText(report.fileLength);
    switch (report.fileProblem) {
        case Problem::None:
            break;
        case Problem::Missing:
            return QStringLiteral("%1 does not exist").arg(imagePath);
        case Problem::NotRegularFile:
            return QStringLiteral("%1 is not an image: %2").arg(imagePath, report.fileError);
        case Problem::Unreadable:
            return QStringLiteral("%1 cannot be read: %2").arg(imagePath, report.fileError);
        case Problem::TooShort:
            return QStringLiteral(
                       "%1 is %2 bytes long, too short for an image: an 8-byte key and at least "
                       "one 13-byte record, %3 bytes")
                .arg(imagePath, length,
                     CountText(DeviceCommands::KeySize + DeviceCommands::RecordSize));
        case Problem::PartialRecord: {
            const qint64 body = report.fileLength - DeviceCommands::KeySize;
            return QStringLiteral(
                       "%1 is %2 bytes long: after its 8-byte key and %3 whole 13-byte records "
                       "come %4 more bytes, part of a record")
                .arg(imagePath, length, CountText(body / DeviceCommands::RecordSize),
                     CountText(body % DeviceCommands::RecordSize));
        }
        case Problem::TooLarge:
            return QStringLiteral("%1 is %2 bytes long, over the %3 bytes an image may have")
                .arg(imagePath, length, CountText(FirmwareImage::LargestImage));
    }
    return {};
}

QString OpenFailureDetail(const OpenFailure& failure, const QString& serial) {
    const QString port = QStringLiteral("%1 (device %2)").arg(failure.location, serial);
    switch (failure.kind) {
        case OpenFailure::Kind::NotListed:
            return QStringLiteral("no device with serial number %1 is attached").arg(serial);
        case OpenFailure::Kind::Missing:
            return QStringLiteral("%1 does not exist").arg(failure.location);
        case OpenFailure::Kind::NotPort:
            return QStringLiteral("%1 is not a serial port: it is %2")
                .arg(failure.location, failure.reason);
        case OpenFailure::Kind::Busy:
            return QStringLiteral("%1 is in use by %2")
                .arg(port, failure.openers.isEmpty() ? QStringLiteral("another program")
                                                     : openerNames(failure.openers));
        case OpenFailure::Kind::NoPermission:
            return QStringLiteral("no permission to open %1").arg(port);
        case OpenFailure::Kind::Other:
            return QStringLiteral("%1 cannot be opened: %2").arg(port, failure.reason);
        case OpenFailure::Kind::Unexplained:
            break;
    }
    return QStringLiteral("device %1 is attached but cannot be opened").arg(serial);
}

FailureSaid DescribeFailure(const UpgradeReport& report, const QString& serial,
                            const QString& imagePath, Driver driver) {
    FailureSaid said{FailureKeyOf(report), {}};
    said.key.driver = DriverName(driver);
    // The hint names the keys; a file's first bytes may be anything.
    said.key.imageKey = EscapedDeviceText(said.key.imageKey);
    said.key.deviceKey = EscapedDeviceText(said.key.deviceKey);
    const FailedStep& failed = report.failed;
    if (report.fileProblem != FirmwareImage::Problem::None) {
        said.detail = FileFailureDetail(report, imagePath);
    } else if (report.openFailure) {
        said.detail = OpenFailureDetail(*report.openFailure, serial);
    } else if (failed.command == QStringLiteral("record")) {
        said.detail = recordDetail(report);
    } else if (!failed.command.isEmpty()) {
        said.detail = handshakeDetail(failed, report.imageKey);
    }
    return said;
}
