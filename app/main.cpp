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
    const QStringList args = app.arguments();
    // "--design FILE": the designer on its own, on any layout file (for report authors).
    if (args.size() > 2 && args[1] == QLatin1String("--design"))
        return DesignOnly(app, args[2]);
    std::unique_ptr<TFMainWindow> mainWindow(StartUp(app));
    // An order export named on the command line is imported as if chosen with "订单导入".
    if (args.size() > 1)
        mainWindow->ImportOrderFile(args[1]);
    const int code = app.exec();
    Ui::Install(nullptr);
    return code;
}
