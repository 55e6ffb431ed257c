// The record file needs the locks and appends of Linux; the options that name one are refused
// before it is opened (support/LinuxOnly_win.cpp), so this only fails.

#include "station/RecordFile.h"

namespace {

const QString kLinuxOnly = QStringLiteral("record files are for Linux only");

}  // namespace

RecordFile::~RecordFile() = default;

bool RecordFile::open(const QString& path) {
    m_path = path;
    return fail(kLinuxOnly);
}

bool RecordFile::readNew(const std::function<void(const QJsonObject&)>&) {
    return fail(kLinuxOnly);
}

void RecordFile::forgetEarlier() {}

int RecordFile::attemptsOn(const QString&) const {
    return 0;
}

QList<QJsonObject> RecordFile::lastClosing(int) const {
    return {};
}

bool RecordFile::append(const QJsonObject&) {
    return fail(kLinuxOnly);
}

bool RecordFile::fail(const QString& error) {
    m_error = error;
    return false;
}
