#pragma once

// The command line's view of an operation: what the window would show goes to a reporter, the
// progress at most ten times a second, the exchange as it happens, and the bridge is tuned, and
// the reads wait for its signal, while the upgrade holds the device. After a failure it reads the
// rest of the line the device was sending, so that the detail quotes "error" rather than its first
// letter where a byte was due.

#include <QElapsedTimer>
#include <functional>

#include "cli/ExchangeTrace.h"
#include "cli/Reporter.h"
#include "link/FastLink.h"
#include "operations/OperationView.h"
#include "support/NativePath.h"

class CommandLineView : public OperationView {
  public:
    explicit CommandLineView(Reporter& reporter, FastLink* fastLink = nullptr)
        : m_reporter(reporter), m_fastLink(fastLink), m_trace(reporter) {}

    void showMessage(const QString& text, MessageIcon icon) override;
    // The lines name the image as given, with any byte of its path that is not UTF-8 shown as such.
    void logLine(const QString& text) override { m_reporter.logLine(NativePath::Displayed(text)); }
    void setStatus(const QString&) override {}
    void setProgressMaximum(int maximum) override;
    void setProgressValue(int value) override;
    void setUpgradeEnabled(bool) override {}
    void deviceOpened() override;
    void deviceClosing() override;
    bool imageChecked(const UpgradeReport& report) override {
        return !m_imageCheck || m_imageCheck(report);
    }

    // Asked once the image has passed its checks, before the device is opened: false turns the
    // upgrade down.
    void setImageCheck(std::function<bool(const UpgradeReport&)> check) {
        m_imageCheck = std::move(check);
    }
    // What followed the reply that failed, up to a line feed; NoReply when nothing whole came.
    const FTDI::LineReply& restOfReply() const { return m_restOfReply; }

  private:
    Reporter& m_reporter;
    FastLink* m_fastLink;
    ExchangeTrace m_trace;
    bool m_reporting = false;
    bool m_failed = false;
    std::function<bool(const UpgradeReport&)> m_imageCheck;
    FTDI::LineReply m_restOfReply;
    int m_total = 0;
    QElapsedTimer m_transfer;
    QElapsedTimer m_sinceShown;
};
