#pragma once

// A text of any length in the room its label is given: the lines that fit, the last one cut with
// "…". A label that merely clips would cut through the letters of its last line, and a label that
// asks for the room of every line would push the texts around it aside. The whole text stays in
// fullText(), for a tool tip or a screen reader.

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    // Qt::ElideMiddle keeps both ends of one line, for a path.
    void setElideMode(Qt::TextElideMode mode);
    const QString& fullText() const { return m_full; }

    // Takes the room the layout leaves it, whatever its text.
    bool hasHeightForWidth() const override { return false; }
    QSize minimumSizeHint() const override { return {}; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void fit();

    QString m_full;
    Qt::TextElideMode m_mode = Qt::ElideRight;
};
