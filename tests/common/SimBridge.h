#pragma once

// Drives the simulated bridge from a test: hands it the devices of one test case and reads back
// what crossed the wire, so a test can assert exact bytes, their order and their timing.
// Configuration format and transcript lines: sim/README.md.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct SimEvent {
    // In the order of the transcript's event names.
    // clang-format off
    enum class Kind { Open, OpenFailed, Write, Read, Close, Command, Unplug, LatencyGet, LatencySet,
                      Notification, Lost };
    // clang-format on

    qint64 timeUs = 0;  // microseconds on the monotonic clock
    Kind kind = Kind::Open;
    QString serial;  // "" for OpenFailed
    // Write, Read, Lost: the bytes; Command: the line the device received, without its line feed;
    // OpenFailed: the name that was asked for; LatencyGet, LatencySet (accepted): the value;
    // Notification (accepted): the event mask.
    QByteArray bytes;
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
    QList<SimEvent> events() const;
    QList<SimEvent> events(SimEvent::Kind kind) const;
    // The bytes of every write, in order.
    QByteArrayList writes() const;
    // Opens, writes, closes and unplugs, in order, without the reads, whose chunking depends on
    // timing: what two runs of one exchange have alike.
    QStringList wire() const;

  private:
    QTemporaryDir m_folder;
    bool m_ready = false;
};
