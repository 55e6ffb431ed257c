#pragma once

// The run's figures in large digits: units passed and failed, the yield, the units done in the
// last hour (a moving window, so an idle line reads as idle) and the time since the start.

#include <QLabel>
#include <QWidget>

#include "station/StationValues.h"

class TotalsPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TotalsPanel(QWidget* parent = nullptr);

    void showTotals(const Totals& totals);

    QLabel* Passed = nullptr;
    QLabel* Failed = nullptr;
    QLabel* Yield = nullptr;
    QLabel* LastHour = nullptr;
    QLabel* Elapsed = nullptr;
};
