#pragma once

// The last attempts of the record file, newest on top, so that the history of a shift is on the
// screen after a restart too: time, slot, serial, outcome and duration of each.

#include <QJsonObject>
#include <QList>
#include <QTableWidget>

class AttemptsTable : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int kShown = 200;

    explicit AttemptsTable(QWidget* parent = nullptr);

    // Closing lines, oldest first, as the engine reads them back.
    void showHistory(const QList<QJsonObject>& closingLines);
    void add(const QJsonObject& closing);
    // One row's cells, joined by " | ", for a test or a screen reader.
    QString rowText(int row) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void showColumnsThatFit();
};
