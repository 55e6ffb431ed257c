#pragma once

// How a program's link to the line's broker stands, as its faces show it: nothing while it is
// fine, and from the moment it goes down until the backlog it left has gone through, since when,
// why, and how many records wait.

#include <QDateTime>
#include <QString>

struct LinkState {
    bool connected = false;
    QDateTime downSince;  // invalid while there is nothing to say
    QString reason;       // the broker's, or the system's; "" when none was given
    int waiting = 0;      // records not yet acknowledged
};

// "line link down since 09:14 (not authorised), 3 records waiting"; "" while there is nothing to
// say.
QString LinkText(const LinkState& link);
