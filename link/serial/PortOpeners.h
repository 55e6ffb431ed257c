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

struct OpenerScan {
    QList<PortOpener> openers;
    // Some processes' descriptors could not be read (another user's, without root): one of them
    // may hold the port unseen.
    bool unchecked = false;
};

// The processes other than this one with a descriptor on the device at `location`; nothing where
// the system does not show its processes' descriptors.
OpenerScan OtherOpeners(const QString& location);
