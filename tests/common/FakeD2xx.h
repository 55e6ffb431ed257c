#pragma once

// An in-process D2XX library for tests of the exact arguments the link passes: every call is
// recorded as one line of text, with each output shown as it stood when the call came in, and
// answered with the results the test scripted.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "link/D2xxApi.h"

class FakeD2xx {
  public:
    // Installs itself as the link's library and sets PortHandle to none.
    FakeD2xx();
    // Leaves no library installed.
    ~FakeD2xx();
    FakeD2xx(const FakeD2xx&) = delete;
    FakeD2xx& operator=(const FakeD2xx&) = delete;

    // A handle value for tests to open and compare with.
    static FTDI::FT_HANDLE handle(quintptr value) {
        return reinterpret_cast<FTDI::FT_HANDLE>(value);
    }

    // Scripted results. Outputs are written even when the status reports a failure, as a careless
    // library might.
    FTDI::FT_STATUS listStatus = FTDI::FT_OK;
    FTDI::DWORD deviceCount = 0;
    QByteArray serialBuffer;  // copied into the caller's serial buffer, at most 17 bytes
    FTDI::FT_HANDLE openResult = handle(0x1234);
    FTDI::FT_STATUS getStatusResult = FTDI::FT_OK;
    FTDI::DWORD rxBytesOnFailure = 0;  // written into the queue length when the status fails
    QByteArray received;               // what the device has sent, handed out by reads
    int emptyPolls = 0;                // the queue reads empty this many times first
    FTDI::BOOL closeResult = 1;

    // One line per call, in order, such as "W32_CloseHandle(0x1234)".
    QStringList calls;

  private:
    FTDI::D2xxApi m_api;
};
