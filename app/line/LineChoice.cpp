#include "app/line/LineChoice.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSettings>

#include "app/line/LineWindow.h"

namespace {

const QString kBroker = QStringLiteral("broker");
const QString kLine = QStringLiteral("line");

// In the user's configuration folder.
const QString kOrganisation = QStringLiteral("tarvellon");
const QString kApplication = QStringLiteral("tarvellon-line");

}  // namespace

LineChoice::LineChoice(QWidget* parent) : QDialog(parent) {
    setWindowTitle(LineWindow::Caption);
    const QSettings last(kOrganisation, kApplication);
    Broker =
        new QLineEdit(last.value(kBroker, QStringLiteral("mqtt://localhost")).toString(), this);
    Line = new QLineEdit(last.value(kLine).toString(), this);
    Error = new QLabel(this);
    Error->setTextFormat(Qt::PlainText);
    Error->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &LineChoice::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LineChoice::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Broker:"), Broker);
    form->addRow(QStringLiteral("&Line:"), Line);
    form->addRow(Error);
    form->addRow(buttons);
    (Line->text().isEmpty() ? Line : Broker)->setFocus();
}

void LineChoice::accept() {
    const std::variant<BrokerAddress, QString> broker =
        LinkArguments::ParseBroker(Broker->text().trimmed());
    if (const QString* error = std::get_if<QString>(&broker)) {
        Error->setText(*error);
        return;
    }
    const QString line = Line->text().trimmed();
    if (const QString error = LinkArguments::NameError(kLine, line); !error.isEmpty()) {
        Error->setText(error);
        return;
    }
    m_options.broker = std::get<BrokerAddress>(broker);
    m_options.line = line;
    QSettings last(kOrganisation, kApplication);
    last.setValue(kBroker, Broker->text().trimmed());
    last.setValue(kLine, line);
    QDialog::accept();
}
