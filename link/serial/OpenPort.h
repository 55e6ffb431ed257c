#pragma once

// One serial port open for the link, with the vendor library's contract: reads and the
// receive-queue length never wait, a write returns once its bytes are with the kernel, and a port
// that fails once (unplugged) stays failed until it is closed.

#include <QSerialPort>
#include <memory>
#include <optional>
#include <variant>

#include "link/OpenFailure.h"
#include "link/serial/SerialLatency.h"

class OpenPort {
  public:
    // With the settings the vendor's library gives a bridge it opens: 9600 baud, 8N1, no flow
    // control; exclusive. A port that another program holds, with or without a lock, is refused.
    static std::variant<std::unique_ptr<OpenPort>, OpenFailure> Open(const QString& location);

    // Bytes waiting to be read; nothing once the port has failed.
    std::optional<qint64> waiting();
    // -1 once the port has failed.
    qint64 read(char* buffer, qint64 count);
    bool write(const char* bytes, qint64 count);
    // Whether some processes could not be looked at for holding the port (see OtherOpeners).
    bool openersUnchecked() const { return m_openersUnchecked; }
    std::optional<int> latencyMs() const;
    SerialLatency::WriteOutcome setLatencyMs(int ms);

  private:
    explicit OpenPort(const QString& location);
    // Moves what the kernel holds into the port's buffer, without waiting.
    void collect();
    // A time-out is no fault; anything else means the port is gone.
    void takeError();

    QString m_location;  // Qt keeps the port's name without its folder
    QSerialPort m_port;
    bool m_failed = false;
    bool m_openersUnchecked = false;
};
