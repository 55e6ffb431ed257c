#include "app/MessageBoxes.h"

#include <QMessageBox>

namespace {
MessageBoxes::Handler replacement;
}

namespace MessageBoxes {

void Show(QWidget* parent, const QString& text, MessageIcon icon) {
    if (replacement) {
        replacement(text, icon);
        return;
    }
    const auto boxIcon =
        icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::Warning;
    QMessageBox box(boxIcon, Title, text, QMessageBox::Ok, parent);
    box.exec();
}

void SetHandler(Handler handler) {
    replacement = std::move(handler);
}

}  // namespace MessageBoxes
