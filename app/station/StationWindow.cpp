#include "app/station/StationWindow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "app/FloorLook.h"
#include "station/StationTexts.h"

namespace {

constexpr int kTotalsEveryMs = 1000;
// The column beside the tiles, narrowest and widest: a quarter of the window between them.
constexpr std::pair<int, int> kSideWidths = {300, 440};
const QString kDestructive = QStringLiteral(
    "QPushButton { color: #b3261e; background: #f4f4f4; border: 2px solid #b3261e; "
    "border-radius: 4px; padding: 4px 12px; } QPushButton:focus { border-width: 4px; } "
    "QPushButton:pressed { background: #e8c9c6; } "
    "QPushButton:disabled { color: #8a8a8a; border-color: #a0a0a0; }");

QPushButton* button(QWidget* parent, const QString& text, const QString& accessibleName,
                    const QString& tip) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(accessibleName);
    button->setToolTip(tip);
    button->setMinimumSize(120, 56);
    QFont font = button->font();
    font.setPixelSize(20);
    button->setFont(font);
    return button;
}

}  // namespace

StationWindow::StationWindow(StationWindowOptions options, QWidget* parent)
    : QWidget(parent), m_options(std::move(options)) {
    setWindowTitle(Caption);
    DressForTheFloor(*this, QStringLiteral("station"));
    buildLayout();
    connect(ChooseImage, &QPushButton::clicked, this, &StationWindow::chooseImage);
    connect(Start, &QPushButton::clicked, this, &StationWindow::start);
    connect(Stop, &QPushButton::clicked, this, &StationWindow::stopClicked);
    connect(Abort, &QPushButton::clicked, this, &StationWindow::abortClicked);
    connect(&m_clock, &QTimer::timeout, this, &StationWindow::showTotals);
    m_clock.setInterval(kTotalsEveryMs);
    Header->showNotice(QStringLiteral("Choose the image to flash."));
    updateControls();
}

void StationWindow::buildLayout() {
    Header = new StationHeader(this);
    ChooseImage = button(this, QStringLiteral("&Image…"), QStringLiteral("Choose image"),
                         QStringLiteral("Choose the image to flash"));
    Start = button(this, QStringLiteral("S&tart"), QStringLiteral("Start"),
                   QStringLiteral("Flash every unit plugged in, with this image"));
    Stop = button(this, QStringLiteral("&Stop"), QStringLiteral("Stop"),
                  QStringLiteral("Let the running units finish and start no new one"));
    Abort = button(this, QStringLiteral("&Abort"), QStringLiteral("Abort"),
                   QStringLiteral("Interrupt the running units; they must be flashed again"));
    Slots = new SlotGrid(this);
    Slots->setNamedCount(int(m_options.station.slotNames.size()));
    Figures = new TotalsPanel(this);
    Attempts = new AttemptsTable(this);
    auto* attemptsCaption = new QLabel(QStringLiteral("&Last records"), this);
    attemptsCaption->setBuddy(Attempts);
    QFont captionFont = attemptsCaption->font();
    captionFont.setPixelSize(16);
    attemptsCaption->setFont(captionFont);

    // Abort destroys work: it stands apart and looks unlike the other controls.
    Abort->setStyleSheet(kDestructive);
    auto* controls = new QGridLayout;
    controls->setHorizontalSpacing(24);
    controls->addWidget(ChooseImage, 0, 0);
    controls->addWidget(Start, 0, 1);
    controls->addWidget(Stop, 1, 0);
    controls->addWidget(Abort, 1, 1);
    // The tiles take the window's height, since their rows are what the state word's size
    // depends on most; all else stands in one column beside them.
    m_side = new QWidget(this);
    auto* side = new QVBoxLayout(m_side);
    side->setContentsMargins(0, 0, 0, 0);
    side->addLayout(controls);
    side->addSpacing(12);
    side->addWidget(Header);
    side->addSpacing(12);
    side->addWidget(Figures);
    side->addSpacing(12);
    side->addWidget(attemptsCaption);
    side->addWidget(Attempts, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Slots, 1);
    layout->addWidget(m_side);
    m_side->setFixedWidth(kSideWidths.first);
    setTabOrder(ChooseImage, Start);
    setTabOrder(Start, Stop);
    setTabOrder(Stop, Abort);
    setTabOrder(Abort, Attempts);
    // Where neither Return nor one Tab reaches Abort, also while Image and Start are disabled.
    Attempts->setFocus();
}

void StationWindow::resizeEvent(QResizeEvent* event) {
    // Many named slots need the room of each row for their state words: the side keeps to its
    // narrowest. Never by the slots seen so far, which would move the tiles as ports appear.
    const bool many = m_options.station.slotNames.size() > SlotGrid::kSensibleCount;
    m_side->setFixedWidth(many ? kSideWidths.first
                               : std::clamp(width() / 4, kSideWidths.first, kSideWidths.second));
    QWidget::resizeEvent(event);
}

void StationWindow::connectEngine(StationEngine& engine) {
    connect(&engine, &StationEngine::slotsChanged, this, &StationWindow::showSlots);
    connect(&engine, &StationEngine::slotChanged, this, &StationWindow::showSlot);
    connect(&engine, &StationEngine::attemptClosed, this, [this](const QJsonObject& closing) {
        Attempts->add(closing);
        showTotals();
    });
    connect(&engine, &StationEngine::lineStopped, this, [this](const QString& reason) {
        Header->showNotice(StationTexts::LineStopped(reason), true);
        showSlots();
        updateControls();
    });
    connect(&engine, &StationEngine::finished, this, &StationWindow::runEnded);
}

void StationWindow::showSlots() {
    Slots->setSlotCount(m_engine->slotCount());
    QWidget* previous = Abort;
    for (int index = 0; index < m_engine->slotCount(); ++index) {
        showSlot(index);
        setTabOrder(previous, Slots->tile(index));
        previous = Slots->tile(index);
    }
    setTabOrder(previous, Attempts);
}

void StationWindow::showSlot(int index) {
    Slots->tile(index)->showSlot(m_engine->slot(index), m_engine->stopping());
    showTotals();
}

void StationWindow::showTotals() {
    if (m_engine) Figures->showTotals(m_engine->totals());
}
