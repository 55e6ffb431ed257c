#include "app/station/StationWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "station/StationTexts.h"

namespace {

constexpr int kTotalsEveryMs = 1000;
// Calm grey: colour is kept for what needs a person.
const QColor kBackground(0xd0, 0xd0, 0xd0);

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
    QIcon icon(QStringLiteral(":/resources/station32.png"));
    icon.addFile(QStringLiteral(":/resources/station16.png"));
    setWindowIcon(icon);
    QPalette calm = palette();
    calm.setColor(QPalette::Window, kBackground);
    setPalette(calm);
    setAutoFillBackground(true);
    buildLayout();
    connect(ChooseImage, &QPushButton::clicked, this, &StationWindow::chooseImage);
    connect(Start, &QPushButton::clicked, this, [this] { startWith(m_imagePath); });
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
    Figures = new TotalsPanel(this);
    Attempts = new AttemptsTable(this);
    auto* attemptsCaption = new QLabel(QStringLiteral("&Last records"), this);
    attemptsCaption->setBuddy(Attempts);
    QFont captionFont = attemptsCaption->font();
    captionFont.setPixelSize(16);
    attemptsCaption->setFont(captionFont);

    auto* controls = new QHBoxLayout;
    for (QPushButton* control : {ChooseImage, Start, Stop, Abort}) {
        controls->addWidget(control, 0, Qt::AlignTop);
    }
    auto* top = new QHBoxLayout;
    top->addWidget(Header, 1);
    top->addLayout(controls);
    auto* side = new QVBoxLayout;
    side->addWidget(Figures);
    side->addSpacing(12);
    side->addWidget(attemptsCaption);
    side->addWidget(Attempts, 1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(Slots, 3);
    middle->addLayout(side, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    setTabOrder(ChooseImage, Start);
    setTabOrder(Start, Stop);
    setTabOrder(Stop, Abort);
    setTabOrder(Abort, Attempts);
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
