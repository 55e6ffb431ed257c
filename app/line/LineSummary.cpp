#include "app/line/LineSummary.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "line/LineTexts.h"
#include "station/StationTexts.h"

LineSummary::LineSummary(QWidget* parent) : QWidget(parent) {
    Title = new QLabel(this);
    Title->setTextFormat(Qt::PlainText);
    Title->setAccessibleName(QStringLiteral("Line"));
    QFont font = Title->font();
    font.setPixelSize(44);
    font.setBold(true);
    Title->setFont(font);

    auto* figures = new QGridLayout;
    int column = 1;
    figures->addWidget(Title, 0, 0, 2, 1);
    figures->setColumnStretch(0, 1);
    const auto figure = [&](const QString& caption) {
        auto* name = new QLabel(caption, this);
        auto* value = new QLabel(this);
        value->setAccessibleName(QStringLiteral("Line ") + caption.toLower());
        QFont big = value->font();
        big.setPixelSize(44);
        big.setBold(true);
        value->setFont(big);
        big.setPixelSize(18);
        big.setBold(false);
        name->setFont(big);
        name->setBuddy(value);
        figures->addWidget(name, 0, column);
        figures->addWidget(value, 1, column);
        figures->setColumnMinimumWidth(column++, 150);
        return value;
    };
    Passed = figure(QStringLiteral("Passed"));
    Failed = figure(QStringLiteral("Failed"));
    Yield = figure(QStringLiteral("Yield"));
    LastHour = figure(QStringLiteral("Last hour"));
    Online = figure(QStringLiteral("Online"));
    Offline = figure(QStringLiteral("Offline"));

    Warning = new QLabel(this);
    Warning->setTextFormat(Qt::PlainText);
    Warning->setWordWrap(true);
    Warning->setAccessibleName(QStringLiteral("Warning"));
    Warning->setStyleSheet(
        QStringLiteral("color: #1a1a1a; background: #f2c14e; border-radius: 4px; padding: 6px;"));
    font.setPixelSize(24);
    Warning->setFont(font);
    Warning->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(figures);
    layout->addWidget(Warning);
}

void LineSummary::showLine(const LineModel& model) {
    const LineTotals totals = model.totals();
    Title->setText(QStringLiteral("Line ") + model.line());
    Passed->setText(QString::number(totals.passed));
    Failed->setText(QString::number(totals.failed));
    Yield->setText(StationTexts::Yield(totals.yieldPercent));
    LastHour->setText(QString::number(totals.lastHour));
    Online->setText(QString::number(totals.online));
    Offline->setText(QString::number(totals.offline));
    QStringList warnings;
    if (const LinkState& link = model.link(); link.downSince.isValid()) {
        warnings << QStringLiteral("No link to the broker since %1 (%2): what is shown may be old.")
                        .arg(link.downSince.toString(QStringLiteral("HH:mm")), link.reason);
    }
    if (const QString mixed = LineTexts::MixedImages(model.stations()); !mixed.isEmpty()) {
        warnings << mixed.left(1).toUpper() + mixed.mid(1) + '.';
    }
    Warning->setText(warnings.join('\n'));
    Warning->setVisible(!warnings.isEmpty());
}
