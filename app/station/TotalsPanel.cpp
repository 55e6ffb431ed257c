#include "app/station/TotalsPanel.h"

#include <QGridLayout>

#include "station/StationTexts.h"

namespace {

constexpr int kColumns = 3;

}  // namespace

TotalsPanel::TotalsPanel(QWidget* parent) : QWidget(parent) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    int place = 0;
    const auto figure = [&](const QString& caption) {
        auto* name = new QLabel(caption, this);
        auto* value = new QLabel(this);
        value->setAccessibleName(caption);
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
    Passed = figure(QStringLiteral("Passed"));
    Failed = figure(QStringLiteral("Failed"));
    Yield = figure(QStringLiteral("Yield"));
    LastHour = figure(QStringLiteral("Last hour"));
    Elapsed = figure(QStringLiteral("Elapsed"));
    showTotals({});
}

void TotalsPanel::showTotals(const Totals& totals) {
    Passed->setText(QString::number(totals.passed));
    Failed->setText(QString::number(totals.failed));
    Yield->setText(totals.yieldPercent ? QStringLiteral("%1 %").arg(*totals.yieldPercent)
                                       : QStringLiteral("–"));
    LastHour->setText(QString::number(totals.lastHour));
    Elapsed->setText(StationTexts::Elapsed(totals.elapsedMs));
}
