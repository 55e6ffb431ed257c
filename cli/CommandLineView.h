#pragma once

// The command line's view of an operation: what the window would show goes to a reporter, the
// progress at most ten times a second, the exchange as it happens, and the bridge is tuned, and
// the reads wait for its signal, while the upgrade holds the device.

#include <QElapsedTimer>

#include "cli/ExchangeTrace.h"
#include "cli/Reporter.h"
#include "link/FastLink.h"
#include "operations/OperationView.h"

class CommandLineView : public OperationView {
  public:
    explicit CommandLineView(Reporter& reporter, FastLink* fastLink = nullptr)
        : m_reporter(reporter), m_fastLink(fastLink), m_trace(reporter) {}

    void showMessage(const QString& text, MessageIcon icon) override;
    void logLine(const QString& text) override { m_reporter.logLine(text); }
    void setStatus(const QString&) override {}
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setUpgradeEnabled(bool) override {}
    void deviceOpened() override;
    void deviceClosing() override;

  private:
    Reporter& m_reporter;
    FastLink* m_fastLink;
    ExchangeTrace m_trace;
    bool m_reporting = false;
    int m_total = 0;
    QElapsedTimer m_transfer;
    QElapsedTimer m_sinceShown;
};
