#pragma once

// What the station window's tests share: answering a modal window as an operator would, the
// window's options on a folder of the test's own.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/station/StationCommandLine.h"
#include "tests/common/RecordFileLines.h"

namespace StationWindowTesting {

inline const QString Images = SAMPLE_IMAGES_DIR "/";

// The image chosen last is remembered in a configuration folder of the test's own.
class OwnConfigFolder {
  public:
    OwnConfigFolder() { qputenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit()); }

  private:
    QTemporaryDir m_folder;
};

// Runs `answer` on the next modal window once it has the focus, from within its own event loop.
inline void answerModal(const std::function<void(QWidget*)>& answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isActiveWindow()) {
            poll->deleteLater();
            poll->disconnect();
            answer(modal);
        }
    });
    poll->start(20);
}

// Reads the next message box's title and text, and presses Return on it.
inline void readBox(QString& title, QString& text) {
    answerModal([&title, &text](QWidget* box) {
        title = box->windowTitle();
        text = qobject_cast<QMessageBox*>(box)->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
}

inline QPushButton* buttonOf(QWidget* box, const QString& text) {
    for (QPushButton* button : box->findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

inline StationWindowOptions optionsFor(const QTemporaryDir& folder) {
    StationWindowOptions options;
    options.station.program = FLASH_PROGRAM;
    options.station.recordPath = folder.filePath("records.jsonl");
    return options;
}

}  // namespace StationWindowTesting
