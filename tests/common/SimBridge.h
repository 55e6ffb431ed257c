#pragma once

// Drives the simulated bridge from a test: hands it the devices of one test case and reads back
// what crossed the wire, so a test can assert exact bytes, their order and their timing.
// Configuration format and transcript lines: sim/README.md.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

struct SimEvent {
    qint64 timeUs = 0;  // microseconds on the monotonic clock
    QByteArray kind;    // the transcript's event name: "open", "write", "read", "close", ...
    QString serial;     // "" for "open-failed"
    QByteArray bytes;   // written, read, the command received, or the name an open asked for
};

class SimBridge {
  public:
    // Loads the library through the program's loader (FTDI::LoadDriverLibrary), sets PortHandle to
    // none, and gives the simulator `config`, with a transcript of its own added. Child processes
    // inherit the configuration through the environment and append to the same transcript.
    explicit SimBridge(const QString& config);
    // Back to the default devices, transcript off.
    ~SimBridge();

    // The library loaded and the simulator accepted the configuration.
    bool ready() const { return m_ready; }

    // Every event, or those of one kind, in order.
    QList<SimEvent> events(const QByteArray& kind = {}) const;
    QByteArrayList writes() const;

  private:
    QTemporaryDir m_folder;
    bool m_ready = false;
};
