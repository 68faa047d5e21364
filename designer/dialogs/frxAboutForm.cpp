#include "designer/dialogs/frxAboutForm.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfrxAboutForm::TfrxAboutForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxAboutForm"));
    setWindowTitle(QStringLiteral("About"));
    auto *title = new QLabel(QStringLiteral("Tavrel"));
    title->setObjectName(QStringLiteral("TitleL"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    auto *text = new QLabel(AboutText());
    text->setObjectName(QStringLiteral("TextL"));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OkButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addWidget(buttons);
}

QString TfrxAboutForm::AboutText()
{
    QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        version = QStringLiteral("(development build)");
    return QStringLiteral("Report designer for waybill templates\n") + QStringLiteral("Version ") + version +
           QStringLiteral("\nQt ") + QLatin1String(qVersion());
}
