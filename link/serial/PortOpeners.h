#pragma once

// A program that holds a port without taking its lock (cat, a logger, a terminal program) gets no
// refusal from the kernel: both opens succeed and it swallows the device's replies. So before a
// port is opened, the other processes that hold it open are looked for, as fuser does.

#include <QList>
#include <QString>

struct PortOpener {
    QString name;  // as the process calls itself, cat
    qint64 pid = 0;
};

// The processes other than this one with a descriptor on the device at `location`. Those whose
// descriptors cannot be read (another user's, without root) are not seen; nothing where the
// system does not show its processes' descriptors.
QList<PortOpener> OtherOpeners(const QString& location);
