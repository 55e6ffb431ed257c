#pragma once

// A list whose "entry chosen" report follows what the operator sees highlighted: one report per
// click on an entry (also on the one already chosen; a double-click is one click), per drag that
// ends on another entry and per keyboard move; never one for the program's own changes (clearing,
// filling, the first focus). An upgrade takes the chosen entry, so a highlight that no report
// followed would send another image, or talk to another device, than the one the operator sees.

#include <QListWidget>

class ChoiceList : public QListWidget {
    Q_OBJECT
  public:
    explicit ChoiceList(QWidget* parent = nullptr);

  signals:
    void entryChosen();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void reportChoice();

    int m_rowAtPress = -1;
    bool m_secondClick = false;
};
