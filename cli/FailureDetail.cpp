#include "cli/FailureDetail.h"

#include <QHash>

#include "link/DeviceCommands.h"
#include "link/serial/KernelSerial.h"
#include "operations/CountText.h"
#include "operations/DeviceList.h"
#include "operations/FirmwareImage.h"
#include "operations/ImageCheck.h"
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

// cat (pid 1432), minicom (pid 1500)
QString openerNames(const QList<PortOpener>& openers) {
    QStringList names;
    for (const PortOpener& opener : openers) {
        names << QStringLiteral("%1 (pid %2)").arg(opener.name).arg(opener.pid);
    }
    return names.join(QStringLiteral(", "));
}

// Nothing when the port is not listed at all.
std::optional<OpenFailureSeen> serialOpenFailure(const OpenFailure& failure,
                                                 const QString& serial) {
    const QString port = QStringLiteral("%1 (device %2)").arg(failure.location, serial);
    switch (failure.kind) {
        case OpenFailure::Kind::NotListed:
            break;
        case OpenFailure::Kind::Missing:
            return OpenFailureSeen{FailureCause::NotAttached,
                                   QStringLiteral("%1 does not exist").arg(failure.location)};
        case OpenFailure::Kind::Busy:
            return OpenFailureSeen{
                FailureCause::PortBusy,
                QStringLiteral("%1 is in use by %2")
                    .arg(port, failure.openers.isEmpty() ? QStringLiteral("another program")
                                                         : openerNames(failure.openers))};
        case OpenFailure::Kind::NoPermission:
            return OpenFailureSeen{FailureCause::NoPermission,
                                   QStringLiteral("no permission to open %1").arg(port)};
        case OpenFailure::Kind::Other:
            return OpenFailureSeen{
                FailureCause::CannotOpen,
                QStringLiteral("%1 cannot be opened: %2").arg(port, failure.reason)};
    }
    return std::nullopt;
}

QString recordDetail(const FailedStep& failed, std::int32_t records) {
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

OpenFailureSeen SeeOpenFailure(const QString& serial) {
    if (const std::optional<OpenFailure> failure = KernelSerial::LastOpenFailure()) {
        if (const std::optional<OpenFailureSeen> seen = serialOpenFailure(*failure, serial)) {
            return *seen;
        }
    }
    if (!DeviceList::Scan().contains(serial)) {
        return {FailureCause::NotAttached,
                QStringLiteral("no device with serial number %1 is attached").arg(serial)};
    }
    return {FailureCause::CannotOpen,
            QStringLiteral("device %1 is attached but cannot be opened").arg(serial)};
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
    } else if (said.key.cause == FailureCause::CannotOpen) {
        const OpenFailureSeen seen = SeeOpenFailure(serial);
        said.key.cause = seen.cause;
        said.detail = seen.detail;
    } else if (failed.command == QStringLiteral("record")) {
        said.detail = recordDetail(failed, report.records);
    } else if (!failed.command.isEmpty()) {
        said.detail = handshakeDetail(failed, report.imageKey);
    }
    return said;
}
