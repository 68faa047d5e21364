#include "app/ErrorReport.h"

#include "platform/Exception.h"
#include "platform/Ui.h"

#include <QCoreApplication>

void ShowDefaultError(const QString &text)
{
    QString caption = QCoreApplication::applicationName();
    if (caption.isEmpty())
        caption = QStringLiteral("waybill");
    Ui::Message(text, caption, UiIcon::Error);
}

void ShowDefaultError(const std::exception &e) { ShowDefaultError(ExceptionText(e)); }
