#pragma once

// The line as a whole, over its stations: units passed and failed and the yield across them,
// stations online and offline, and what needs the engineer's eye: stations that run different
// images or keys, and this view's own link to the broker when it is down.

#include <QLabel>
#include <QWidget>

#include "line/LineModel.h"

class LineSummary : public QWidget {
    Q_OBJECT
  public:
    explicit LineSummary(QWidget* parent = nullptr);

    void showLine(const LineModel& model);

    QLabel* Title = nullptr;
    QLabel* Passed = nullptr;
    QLabel* Failed = nullptr;
    QLabel* Yield = nullptr;
    QLabel* LastHour = nullptr;
    QLabel* Online = nullptr;
    QLabel* Offline = nullptr;
    QLabel* Warning = nullptr;  // mixed images, or the view's link down; hidden otherwise
};
