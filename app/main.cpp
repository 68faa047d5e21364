#include "app/MainWindow.h"
#include "app/StartLoader.h"
#include "platform/Ui.h"

#include <QApplication>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("快递单打印"));
    WidgetUi widgetUi;
    Ui::Install(&widgetUi);
    std::unique_ptr<TFMainWindow> mainWindow(StartUp(app));
    const int code = app.exec();
    Ui::Install(nullptr);
    return code;
}
