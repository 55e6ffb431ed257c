#pragma once

// A list's "entry clicked or selected" notification: one report per operator click on an entry,
// also on the entry already chosen, and one per keyboard move to another entry; never a report
// when the program clears, fills or focuses the list.

#include <QObject>

class QListWidget;

class ListClickReport : public QObject {
    Q_OBJECT
  public:
    // Owned by the list it watches.
    explicit ListClickReport(QListWidget* list);

  signals:
    void entryChosen();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QListWidget* m_list;
};
