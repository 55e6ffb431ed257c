#include "app/station/TotalsPanel.h"

#include <QGridLayout>

#include "app/station/ValueLabel.h"
#include "station/StationTexts.h"

namespace {

// Two, so that the figures fit the narrow column beside the tiles.
constexpr int kColumns = 2;
const QString kPassed = QStringLiteral("Passed");
const QString kFailed = QStringLiteral("Failed");
const QString kYield = QStringLiteral("Yield");
const QString kLastHour = QStringLiteral("Last hour");
const QString kElapsed = QStringLiteral("Elapsed");

}  // namespace

TotalsPanel::TotalsPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    int place = 0;
    const auto figure = [&](const QString& caption) {
        auto* name = new QLabel(caption, this);
        auto* value = new QLabel(this);
        QFont font = value->font();
        font.setPixelSize(40);
        font.setBold(true);
        value->setFont(font);
        font.setPixelSize(16);
        font.setBold(false);
        name->setFont(font);
        name->setBuddy(value);
        const int row = place / kColumns * 2, column = place % kColumns;
        layout->addWidget(name, row, column);
        layout->addWidget(value, row + 1, column);
        ++place;
        return value;
    };
    Passed = figure(kPassed);
    Failed = figure(kFailed);
    Yield = figure(kYield);
    LastHour = figure(kLastHour);
    Elapsed = figure(kElapsed);
    showTotals({});
}

void TotalsPanel::showTotals(const Totals& totals) {
    ShowValue(Passed, kPassed, QString::number(totals.passed));
    ShowValue(Failed, kFailed, QString::number(totals.failed));
    ShowValue(Yield, kYield, StationTexts::Yield(totals.yieldPercent));
    ShowValue(LastHour, kLastHour, QString::number(totals.lastHour));
    ShowValue(Elapsed, kElapsed, StationTexts::Elapsed(totals.elapsedMs));
}
