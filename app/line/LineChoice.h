#pragma once

// Started from the menu, the line view has neither broker nor line to go on: it asks for them,
// offering those of the last time, since a line PC shows the same line day after day.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>

#include "line/LinkOptions.h"

class LineChoice : public QDialog {
    Q_OBJECT
  public:
    explicit LineChoice(QWidget* parent = nullptr);

    // What was chosen, once accepted.
    const LinkOptions& options() const { return m_options; }
    // Takes the choice only when the broker and the line can be used, else says why.
    void accept() override;

    QLineEdit* Broker;
    QLineEdit* Line;
    QLabel* Error;

  private:
    LinkOptions m_options;
};
