// The upgrade against a device that sends any bytes at any time, or vanishes: every run ends in
// one of its exits, no wait outlasts the reply deadline, and the device is closed exactly once.
// Input: pairs of a gap in tenths of a second and the byte the device sends after it; a gap of 255
// unplugs it at once. The clock moves only while the host waits for a byte.

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "link/Clock.h"
#include "link/FTDI.h"
#include "operations/UpgradeProcedure.h"

using namespace FTDI;

static struct {
    const std::uint8_t *next, *end;  // the device's next gap and byte
    std::uint32_t now, sentAt, lastWrite;
    QByteArray queue;  // what has reached the host
    int opens, closes;
    bool unplugged;
    std::uint32_t due() const { return sentAt + (next[0] == 255 ? 0 : next[0] * 100u); }
} g;

static FT_STATUS getStatus(FT_HANDLE, DWORD* rx, DWORD*, DWORD*) {
    if (g.now - g.lastWrite > UpgradeProcedure::ReplyDeadlineMs) std::abort();
    for (; g.next != g.end && !g.unplugged && g.due() <= g.now; g.next += 2) {
        g.sentAt = g.due();
        g.unplugged = g.next[0] == 255;
        if (!g.unplugged) g.queue += char(g.next[1]);
    }
    const bool silent = g.next == g.end || g.unplugged;
    if (g.queue.isEmpty()) g.now += silent ? 1000 : qMin(1000u, g.due() - g.now);
    *rx = DWORD(g.queue.size());
    return g.unplugged ? 4 : FT_OK;
}

static BOOL readFile(FT_HANDLE, void* byte, DWORD, DWORD* returned, void*) {
    *returned = !g.unplugged && !g.queue.isEmpty();
    if (*returned) *static_cast<char*>(byte) = g.queue.front();
    g.queue.remove(0, *returned);
    return *returned;
}

static BOOL writeFile(FT_HANDLE, void*, DWORD count, DWORD* written, void*) {
    g.lastWrite = g.now;
    *written = g.unplugged ? 0 : count;
    return !g.unplugged;
}

static const D2xxApi kDevice{nullptr,
                             [](const char*, DWORD, DWORD, void*, DWORD, DWORD, FT_HANDLE) {
                                 return reinterpret_cast<FT_HANDLE>(qintptr(++g.opens));
                             },
                             getStatus,
                             readFile,
                             writeFile,
                             [](FT_HANDLE) -> BOOL { return ++g.closes; }};

struct View : OperationView {
    QStringList boxes;
    void showMessage(const QString& text, MessageIcon) override { boxes << text; }
    void logLine(const QString&) override {}
    void setStatus(const QString&) override {}
    void setProgressMaximum(int) override {}
    void setProgressValue(int) override {}
    void setUpgradeEnabled(bool) override {}
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QTemporaryDir folder;
    QFile image(folder.filePath(QStringLiteral("three-records.frw")));
    const QByteArray bytes = "\xB5TARVEL0" + QByteArray(3 * 13, '\0');
    if (!image.exists() && (!image.open(QIODevice::WriteOnly) || image.write(bytes) != 47))
        std::abort();
    image.close();
    g = {.next = data, .end = data + size / 2 * 2};
    InstallApi(&kDevice);
    Time::SetClockSource([] { return g.now; });
    View view;
    UpgradeProcedure::Run(view, image.fileName(), QStringLiteral("FUZZ0001"));
    const QStringList exits{"Communication error.", "Programming error.", "Upgrade successfull."};
    if (view.boxes.size() != 1 || !exits.contains(view.boxes[0]) || g.opens != 1 || g.closes != 1)
        std::abort();
    return 0;
}
