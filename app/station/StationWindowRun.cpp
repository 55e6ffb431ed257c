// A run of the station, from the image checked to the last unit finished, and the operator's
// ways to end it: Stop, Abort, and closing the window while units are being flashed.

#include <QCloseEvent>
#include <QMessageBox>

#include "app/MessageBoxes.h"
#include "app/station/ImageChooser.h"
#include "app/station/StationWindow.h"
#include "station/StationStart.h"

bool StationWindow::startWith(const QString& imagePath) {
    if (running()) return false;
    StationOptions options = m_options.station;
    options.imagePath = imagePath;
    std::variant<std::unique_ptr<StationEngine>, StartFailure> started =
        StationStart::Start(std::move(options), m_options.driver);
    if (const auto* failure = std::get_if<StartFailure>(&started)) {
        MessageBoxes::Show(this, StationStart::WindowText(*failure), MessageIcon::Warning);
        return false;
    }
    m_engine = std::move(std::get<std::unique_ptr<StationEngine>>(started));
    m_imagePath = imagePath;
    ImageChooser::Remember(imagePath);
    connectEngine(*m_engine);
    setWindowTitle(Caption + QStringLiteral(" - ") + m_engine->image().fileName);
    Header->showImage(m_engine->image(), m_engine->skippedRecordLines());
    Header->showNotice(QStringLiteral("Flashing every unit plugged in."));
    Attempts->showHistory(m_engine->history(AttemptsTable::kShown));
    Slots->setSlotCount(0);
    showSlots();
    m_running = true;
    m_clock.start();
    updateControls();
    return true;
}

void StationWindow::chooseImage() {
    if (const QString path = ImageChooser::Ask(this); !path.isEmpty()) startWith(path);
}

void StationWindow::stopClicked() {
    if (!running()) return;
    m_engine->stop();
    if (m_engine->stopReason().isEmpty()) {
        Header->showNotice(
            QStringLiteral("STOPPING: the running units finish, no new unit is started."));
    }
    updateControls();
}

void StationWindow::abortClicked() {
    if (!running()) return;
    m_engine->abort();
    if (m_engine->stopReason().isEmpty()) {
        Header->showNotice(QStringLiteral("ABORTING: the running units are interrupted."));
    }
    updateControls();
}

void StationWindow::runEnded() {
    m_running = false;
    m_clock.stop();
    showSlots();
    if (m_engine->stopReason().isEmpty()) {
        Header->showNotice(QStringLiteral("STOPPED: no unit is flashed. Start to go on."));
    }
    updateControls();
    if (m_closeWhenFinished) close();
}

void StationWindow::updateControls() {
    const bool active = running();
    const bool stopping = active && m_engine->stopping();
    const bool enabled[] = {!active, !active && !m_imagePath.isEmpty(), active && !stopping,
                            active};
    QPushButton* const controls[] = {ChooseImage, Start, Stop, Abort};
    for (int i = 0; i < 4; ++i) {
        // Qt would hand the focus to the next control, which may be Abort: a second press of
        // the key that stopped the line must not interrupt its units.
        if (!enabled[i] && controls[i]->hasFocus()) Attempts->setFocus();
        controls[i]->setEnabled(enabled[i]);
    }
}

void StationWindow::closeEvent(QCloseEvent* event) {
    const int units = running() ? m_engine->totals().running : 0;
    if (units == 0) {
        event->accept();
        return;
    }
    event->ignore();
    QMessageBox box(
        QMessageBox::Question, Caption,
        units == 1 ? QStringLiteral("1 unit is being flashed. Close the station?")
                   : QStringLiteral("%1 units are being flashed. Close the station?").arg(units),
        QMessageBox::NoButton, this);
    box.setInformativeText(
        QStringLiteral("An interrupted unit must be flashed again; its record says so."));
    QPushButton* finish =
        box.addButton(QStringLiteral("Let them &finish, then close"), QMessageBox::AcceptRole);
    QPushButton* interrupt =
        box.addButton(QStringLiteral("&Interrupt them and close"), QMessageBox::DestructiveRole);
    QPushButton* keep = box.addButton(QStringLiteral("&Keep flashing"), QMessageBox::RejectRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    if (box.clickedButton() != finish && box.clickedButton() != interrupt) return;
    m_closeWhenFinished = true;
    if (!running()) {
        close();
    } else if (box.clickedButton() == interrupt) {
        abortClicked();
    } else {
        stopClicked();
    }
}
