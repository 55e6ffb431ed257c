#include "link/serial/OpenPort.h"

#include <QDeadlineTimer>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// A command or a record fits the kernel's buffer at once; this only guards against a port that
// stops taking bytes.
constexpr int kWriteDeadlineMs = 2000;

OpenFailure::Kind failureKind(const QSerialPort& port, const QString& location) {
    const QFileInfo file(location);
    if (!file.exists()) return OpenFailure::Kind::Missing;
    if (file.isFile() || file.isDir()) return OpenFailure::Kind::NotPort;
    if (port.error() != QSerialPort::PermissionError) return OpenFailure::Kind::Other;
#ifdef Q_OS_UNIX
    // Qt says "permission" both for a port held by another program and for one the user may not
    // open; only the latter refuses access to the device file.
    if (::access(QFile::encodeName(location).constData(), R_OK | W_OK) != 0) {
        return OpenFailure::Kind::NoPermission;
    }
#endif
    return OpenFailure::Kind::Busy;
}

}  // namespace

OpenPort::OpenPort(const QString& location) : m_location(location) {
    m_port.setPortName(location);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

std::variant<std::unique_ptr<OpenPort>, OpenFailure> OpenPort::Open(const QString& location) {
    const OpenerScan others = OtherOpeners(location);
    if (!others.openers.isEmpty()) {
        return OpenFailure{OpenFailure::Kind::Busy, location, {}, others.openers};
    }
    std::unique_ptr<OpenPort> port(new OpenPort(location));
    port->m_openersUnchecked = others.unchecked;
    if (!port->m_port.open(QIODevice::ReadWrite)) {
        const OpenFailure::Kind kind = failureKind(port->m_port, location);
        if (kind == OpenFailure::Kind::NotPort) {
            return OpenFailure{kind, location,
                               QFileInfo(location).isDir() ? QStringLiteral("a folder")
                                                           : QStringLiteral("a regular file")};
        }
        return OpenFailure{kind, location, port->m_port.errorString()};
    }
    return port;
}

std::optional<qint64> OpenPort::waiting() {
    collect();
    return m_failed ? std::nullopt : std::optional<qint64>(m_port.bytesAvailable());
}

qint64 OpenPort::read(char* buffer, qint64 count) {
    if (m_port.bytesAvailable() < count) collect();
    return m_failed ? -1 : m_port.read(buffer, count);
}

bool OpenPort::write(const char* bytes, qint64 count) {
    if (m_failed || m_port.write(bytes, count) != count) return false;
    const QDeadlineTimer deadline(kWriteDeadlineMs);
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired() &&
           m_port.waitForBytesWritten(int(deadline.remainingTime()))) {
    }
    takeError();
    return !m_failed && m_port.bytesToWrite() == 0;
}

std::optional<int> OpenPort::latencyMs() const {
    return m_failed ? std::nullopt : SerialLatency::Read(m_location);
}

SerialLatency::WriteOutcome OpenPort::setLatencyMs(int ms) {
    return m_failed ? SerialLatency::WriteOutcome::Refused
                    : SerialLatency::Write(int(m_port.handle()), m_location, ms);
}

void OpenPort::collect() {
    if (!m_failed) {
        m_port.waitForReadyRead(0);
        takeError();
    }
}

void OpenPort::takeError() {
    const QSerialPort::SerialPortError error = m_port.error();
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
        m_failed = true;
    }
    m_port.clearError();
}
