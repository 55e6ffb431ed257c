// The window's fixed layout. Places and sizes come in twips, 15 to the pixel at 96 dots per inch,
// so that they can be read against the layout table they were drawn with.

#include <QApplication>
#include <QIcon>

#include "app/Form1.h"

namespace {

constexpr int TwipsPerPixel = 15;

void placeInTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                        height / TwipsPerPixel);
}

// The controls were sized for "MS Sans Serif" at 8.25 points; where it is missing, a sans-serif
// of the same metrics keeps the captions inside their controls. Fully resolved, so that nothing
// of an enclosing frame's caption font is inherited.
QFont windowFont(bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(bold);
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

// A frame's caption font and colour would otherwise be inherited by everything inside it.
QGroupBox* frame(QWidget* parent, const char* name, const QString& caption, QColor colour,
                 bool bold = true) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setFont(windowFont(bold));
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, colour);
    box->setPalette(palette);
    return box;
}

// Fully resolved, so that nothing of an enclosing frame's caption colour is inherited.
QPalette defaultPalette() {
    QPalette palette = QApplication::palette();
    palette.setResolveMask(~QPalette::ResolveMask(0));
    return palette;
}

template <typename Widget, typename... Args>
Widget* control(QWidget* parent, const char* name, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QLatin1String(name));
    widget->setFont(windowFont());
    widget->setPalette(defaultPalette());
    return widget;
}

}  // namespace

void Form1::buildLayout() {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("µTarvellon Firmware Upgrader - Velmora"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    QIcon icon;
    icon.addFile(QStringLiteral(":/resources/wrench32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/resources/wrench16.png"), QSize(16, 16));
    setWindowIcon(icon);
    setFont(windowFont());
    setFixedSize(9600 / TwipsPerPixel, 7200 / TwipsPerPixel);

    Frame1 = frame(this, "Frame1", QStringLiteral("Firmware file selection"), QColor(0, 128, 0));
    placeInTwips(Frame1, 240, 120, 4575, 4455);
    Drive = control<DriveChooser>(Frame1, "Drive");
    placeInTwips(Drive, 240, 360, 4095, 315);
    DirBox = control<FolderTree>(Frame1, "DirBox");
    placeInTwips(DirBox, 240, 840, 4095, 2340);
    File = control<FileList>(Frame1, "File");
    placeInTwips(File, 240, 3360, 4095, 870);
    File->setPattern(QStringLiteral("*.p32"));

    Frame4 = frame(this, "Frame4", QStringLiteral("Logging"), QColor(192, 0, 192));
    placeInTwips(Frame4, 5040, 120, 4335, 4455);
    Logbox = control<QPlainTextEdit>(Frame4, "Logbox");
    placeInTwips(Logbox, 240, 360, 3855, 3855);
    Logbox->setReadOnly(true);
    Logbox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Logbox->setFocusPolicy(Qt::StrongFocus);
    Logbox->setUndoRedoEnabled(false);

    DeviceSelectionFrame =
        frame(this, "DeviceSelectionFrame", QStringLiteral("Device selection"), QColor(192, 64, 0));
    placeInTwips(DeviceSelectionFrame, 240, 4800, 3135, 2175);
    DevicesList = control<ChoiceList>(DeviceSelectionFrame, "DevicesList");
    placeInTwips(DevicesList, 240, 360, 2655, 840);
    DevicesList->setToolTip(QStringLiteral("Select a device to talk to"));
    CurrentLabel =
        control<QLabel>(DeviceSelectionFrame, "CurrentLabel", QStringLiteral("Current device :"));
    placeInTwips(CurrentLabel, 240, 1320, 1215, 255);
    CurrentDeviceLabel = control<QLabel>(DeviceSelectionFrame, "CurrentDeviceLabel",
                                         QStringLiteral("-- none selected --"));
    placeInTwips(CurrentDeviceLabel, 1560, 1320, 1335, 255);
    DevicesRescan =
        control<QPushButton>(DeviceSelectionFrame, "DevicesRescan", QStringLiteral("Re-scan"));
    placeInTwips(DevicesRescan, 1560, 1560, 1335, 375);

    Frame2 = frame(this, "Frame2", QStringLiteral("Firmware upgrade"), QColor(0, 128, 128));
    placeInTwips(Frame2, 3600, 4800, 5775, 2175);
    Frame3 = frame(Frame2, "Frame3", QStringLiteral("Status"), QColor(0, 128, 128), false);
    placeInTwips(Frame3, 240, 360, 3015, 1095);
    Status = control<QLabel>(Frame3, "Status", QStringLiteral("status will display here"));
    placeInTwips(Status, 120, 480, 2775, 255);
    Status->setFont(windowFont(true));
    Status->setAlignment(Qt::AlignCenter);
    QPalette black = Status->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Status->setPalette(black);

    Upgrade = control<QToolButton>(Frame2, "Upgrade");
    placeInTwips(Upgrade, 3480, 480, 2055, 975);
    Upgrade->setText(QStringLiteral("Upgrade firmware now"));
    Upgrade->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QIcon pictures(QStringLiteral(":/resources/bolt.png"));
    pictures.addFile(QStringLiteral(":/resources/chip.png"), QSize(), QIcon::Disabled);
    Upgrade->setIcon(pictures);
    Upgrade->setIconSize(QSize(32, 32));
    Upgrade->setFocusPolicy(Qt::StrongFocus);

    ProgressBar = control<QProgressBar>(Frame2, "ProgressBar");
    placeInTwips(ProgressBar, 240, 1680, 5295, 255);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);

    QWidget* const tabOrder[] = {Drive, DirBox, File, Upgrade, DevicesList, DevicesRescan, Logbox};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
}
