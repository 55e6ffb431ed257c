#pragma once

// The line on one screen: a panel per station, each in the same place as long as the view runs,
// under the line's totals. The window only arranges what the line's model holds; the model follows
// the broker.

#include <QWidget>
#include <vector>

#include "app/line/LineSummary.h"
#include "app/line/StationPanel.h"
#include "line/LineModel.h"

class LineWindow : public QWidget {
    Q_OBJECT
  public:
    inline static const QString Caption = QStringLiteral("µTarvellon Line");

    explicit LineWindow(LineModel& model, QWidget* parent = nullptr);

    LineSummary* Summary = nullptr;
    int panelCount() const { return int(m_panels.size()); }
    StationPanel* panel(int index) const { return m_panels.at(index); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showLine();
    void arrange();

    LineModel& m_model;
    QWidget* m_area = nullptr;
    QLabel* m_empty = nullptr;
    std::vector<StationPanel*> m_panels;
};
