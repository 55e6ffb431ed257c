#include "app/line/LineWindow.h"

#include <QEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "app/FloorLook.h"
#include "app/line/GridShape.h"

namespace {

constexpr int kGap = 10;
// However busy the line, the screen changes a few times a second at most.
constexpr int kRedrawMs = 250;

}  // namespace

LineWindow::LineWindow(LineModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    setWindowTitle(Caption);
    DressForTheFloor(*this, QStringLiteral("line"));

    Summary = new LineSummary(this);
    m_area = new QWidget(this);
    m_empty = new QLabel(QStringLiteral("Waiting for the line's stations"), m_area);
    m_empty->setAlignment(Qt::AlignCenter);
    QFont font = m_empty->font();
    font.setPixelSize(32);
    m_empty->setFont(font);
    m_area->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(m_area, 1);

    auto* due = new QTimer(this);
    due->setSingleShot(true);
    connect(due, &QTimer::timeout, this, &LineWindow::showLine);
    const auto changed = [due] {
        if (!due->isActive()) due->start(kRedrawMs);
    };
    connect(&m_model, &LineModel::changed, this, changed);
    connect(&m_model, &LineModel::linkChanged, this, changed);
    showLine();
}

void LineWindow::showLine() {
    const QList<StationEntry> stations = m_model.stations();
    // In name order: a line's stations are the same from day to day, so each keeps its place.
    while (int(m_panels.size()) < stations.size()) {
        m_panels.push_back(new StationPanel(m_area));
        m_panels.back()->show();
    }
    while (int(m_panels.size()) > stations.size()) {
        delete m_panels.back();
        m_panels.pop_back();
    }
    for (int index = 0; index < stations.size(); ++index) {
        m_panels[index]->showStation(stations[index]);
    }
    m_empty->setVisible(m_panels.empty());
    Summary->showLine(m_model);
    QWidget* previous = nullptr;
    for (StationPanel* panel : m_panels) {
        if (previous != nullptr) setTabOrder(previous, panel);
        previous = panel;
    }
    arrange();
}

bool LineWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area && event->type() == QEvent::Resize) arrange();
    return QWidget::eventFilter(watched, event);
}

void LineWindow::arrange() {
    m_empty->setGeometry(m_area->rect());
    const QList<QRect> cells =
        GridCells(m_area->size(), int(m_panels.size()), kGap, StationPanel::kWidthPerHeight);
    for (int index = 0; index < cells.size(); ++index) m_panels[index]->setGeometry(cells[index]);
}
