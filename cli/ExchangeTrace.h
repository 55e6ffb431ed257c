#pragma once

// Turns what crosses the link into what a person or a program reads of it: with -v every command,
// reply, record and acknowledgement, and always, once a reply takes longer than a second, which
// one is awaited and for how long. Traces from construction to destruction; the window never
// makes one, so its link runs untraced.

#include <QElapsedTimer>
#include <QString>

#include "cli/Reporter.h"
#include "link/LinkTrace.h"

class ExchangeTrace {
  public:
    explicit ExchangeTrace(Reporter& reporter);
    ~ExchangeTrace();
    ExchangeTrace(const ExchangeTrace&) = delete;
    ExchangeTrace& operator=(const ExchangeTrace&) = delete;

    // From here on every write is a record.
    void startRecords(int total);

  private:
    void seen(const LinkTrace::Event& event);
    void replyCame();

    Reporter& m_reporter;
    QElapsedTimer m_clock;
    QString m_awaited;
    bool m_waitShown = false;
    int m_records = 0;  // 0 before the record phase
    int m_record = 0;   // the last one written
};
