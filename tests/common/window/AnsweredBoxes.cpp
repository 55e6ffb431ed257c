#include "tests/common/window/AnsweredBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QtTest>

#include "app/MessageBoxes.h"
#include "support/Logging.h"

bool DeviceControlsHeld(const Form1& window) {
    return !window.DevicesList->isEnabled() && !window.DevicesRescan->isEnabled() &&
           !window.Upgrade->isEnabled() && window.Frame1->isEnabled() &&
           window.Drive->isEnabled() && window.DirBox->isEnabled() && window.File->isEnabled();
}

std::unique_ptr<QTimer> AnswerBoxes(const Form1& window) {
    MessageBoxes::SetHandler({});
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [&window] {
        const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isActiveWindow()) return;
        Logging::LogLine((box->icon() == QMessageBox::Warning ? "warning" : "information") +
                         QString(" box: ") + box->text() +
                         (box->windowTitle() == MessageBoxes::Title ? "" : " (title wrong)") +
                         (DeviceControlsHeld(window) ? "" : " (device controls live)"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    timer->start(10);
    return timer;
}

QString BoxLogged(const QString& icon, const QString& text) {
    return icon + " box: " + text + '|' + text + '|';
}
