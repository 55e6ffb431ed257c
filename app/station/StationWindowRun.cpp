// A run of the station, from the image checked to the last unit finished, and the operator's
// ways to end it: Stop, Abort, and closing the window while units are being flashed.

#include <QCloseEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QScopedValueRollback>

#include "app/station/ImageChooser.h"
#include "app/station/StationWindow.h"
#include "operations/ImageCheck.h"
#include "station/StationStart.h"
#include "support/NativePath.h"

namespace {

// The image as it will be flashed, before the station starts: the driver as asked for.
ImageSummary chosenImage(const QString& path, const UpgradeReport& image,
                         const StationWindowOptions& options) {
    const QString shown = NativePath::Displayed(path);
    const QString driver =
        options.driver == DriverChoice::Choice::Auto
            ? QStringLiteral("auto")
            : DriverName(options.driver == DriverChoice::Choice::D2xx ? Driver::D2xx
                                                                      : Driver::KernelSerial);
    return {shown,
            QFileInfo(shown).fileName(),
            image.imageKey,
            image.records,
            image.image.size(),
            image.imageSha256(),
            driver,
            QFileInfo(options.station.recordPath).absoluteFilePath()};
}

}  // namespace

bool StationWindow::startWith(const QString& imagePath) {
    return !running() && choose(imagePath) && start();
}

bool StationWindow::choose(const QString& imagePath) {
    const ImageCheck check = CheckImage(imagePath);
    if (!check.passed) {
        refuse(check.detail + '\n' + check.hint);
        return false;
    }
    m_imagePath = imagePath;
    ImageChooser::Remember(imagePath);
    Header->showImage(chosenImage(imagePath, check.report, m_options), 0);
    Header->showNotice(QStringLiteral("Start flashes every unit plugged in with this image."));
    updateControls();
    return true;
}

bool StationWindow::start() {
    if (running() || m_imagePath.isEmpty() || m_sayingGoodbye) return false;
    sayGoodbye();
    StationOptions options = m_options.station;
    options.imagePath = m_imagePath;
    std::variant<std::unique_ptr<StationEngine>, StartFailure> started =
        StationStart::Start(std::move(options), m_options.driver);
    if (const auto* failure = std::get_if<StartFailure>(&started)) {
        refuse(StationStart::WindowText(*failure));
        return false;
    }
    auto engine = std::move(std::get<std::unique_ptr<StationEngine>>(started));
    // One shift's totals, however often the line is stopped and started again.
    if (m_engine) engine->continueFrom(*m_engine);
    // The engine goes before the box runs an event loop, in which it would start upgrades.
    if (const std::optional<QString> failure = publish(*engine)) {
        engine.reset();
        refuse(*failure);
        return false;
    }
    m_engine = std::move(engine);
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

// With --publish, the run's attempts and state go to the line's broker, and the header says how
// the link stands; why not, when they cannot.
std::optional<QString> StationWindow::publish(const StationEngine& engine) {
    Header->showLink(QString());
    if (!m_options.line) return std::nullopt;
    m_link = std::make_unique<StationLink>(*m_options.line, engine);
    connect(m_link.get(), &StationLink::linkChanged, this,
            [this, link = m_link.get()] { Header->showLink(LinkText(link->link())); });
    std::optional<QString> failure = m_link->start();
    if (failure) m_link.reset();
    return failure;
}

// The last run's link says goodbye before the next one says hello, or the window closes. The
// goodbye runs the event loop a moment: Start waits for it, and no new unit is started meanwhile.
void StationWindow::sayGoodbye() {
    if (!m_link) return;
    const std::unique_ptr<StationLink> link = std::move(m_link);
    if (running()) m_engine->stop();
    const QScopedValueRollback<bool> saying(m_sayingGoodbye, true);
    link->finish();
}

void StationWindow::refuse(const QString& text) {
    QMessageBox box(QMessageBox::Warning, Caption, text, QMessageBox::Ok, this);
    box.exec();
}

void StationWindow::chooseImage() {
    if (const QString path = ImageChooser::Ask(this); !path.isEmpty()) choose(path);
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
    const int units = running() ? m_engine->totals().running : 0;
    if (units > 0) {
        QMessageBox box(
            QMessageBox::Warning, Caption,
            units == 1 ? QStringLiteral("1 unit is being flashed: interrupt it?")
                       : QStringLiteral("%1 units are being flashed: interrupt them?").arg(units),
            QMessageBox::NoButton, this);
        box.setInformativeText(units == 1 ? QStringLiteral("It must be flashed again.")
                                          : QStringLiteral("They must be flashed again."));
        QPushButton* interrupt = box.addButton(
            units == 1 ? QStringLiteral("&Interrupt it") : QStringLiteral("&Interrupt them"),
            QMessageBox::DestructiveRole);
        QPushButton* keep =
            box.addButton(QStringLiteral("&Keep flashing"), QMessageBox::RejectRole);
        box.setDefaultButton(keep);
        box.setEscapeButton(keep);
        box.exec();
        if (box.clickedButton() != interrupt) return;
    }
    interruptUnits();
}

void StationWindow::interruptUnits() {
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
    if (m_endSignals > 0) exitBySignal();
    if (m_closeWhenFinished) close();
}

void StationWindow::endBySignal() {
    ++m_endSignals;
    if (!running()) {
        exitBySignal();
    } else if (m_endSignals == 1) {
        stopClicked();
    } else {
        interruptUnits();
    }
}

void StationWindow::exitBySignal() {
    sayGoodbye();
    QCoreApplication::exit(exitCode());
}

int StationWindow::exitCode() const {
    return m_engine ? int(m_engine->result()) : 0;
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
    Slots->setIdleText(active ? QStringLiteral("Waiting for units: no bridge is attached yet")
                       : m_imagePath.isEmpty()
                           ? QStringLiteral("Choose an image to start")
                           : QStringLiteral("Press Start to flash the units plugged in"));
}

void StationWindow::closeEvent(QCloseEvent* event) {
    const int units = running() ? m_engine->totals().running : 0;
    if (units == 0) {
        sayGoodbye();
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
        interruptUnits();
    } else {
        stopClicked();
    }
}
