#pragma once

// What a program's views wrote on stdout and stderr while this lives, kept here instead of
// written, so that a test reads the very lines a terminal or a script would, in process.

#include <QByteArray>
#include <QString>

class CapturedOutput {
  public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    QString out() const { return QString::fromUtf8(m_out); }
    QString err() const { return QString::fromUtf8(m_err); }

  private:
    QByteArray m_out;
    QByteArray m_err;
};
