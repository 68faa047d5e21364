#include "app/StartLoader.h"

#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/Tavrel.h"
#include "engine/frxEngineLayer.h"
#include "engine/preview/frxDialogForm.h"
#include "app/TemplateClS.h"
#include "app/about.h"
#include "designer/frxDesignerRegister.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScreen>
#include <QStyleFactory>
#include <QThread>

TFStartPIC::TFStartPIC(QWidget *parent) : QLabel(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FStartPIC"));
    const QPixmap picture = SplashPicture();
    setPixmap(picture);
    setFixedSize(picture.size());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFMainWindow *StartUp(QApplication &app, int splashMs)
{
    InitGlobals();

    auto *splash = new TFStartPIC;
    splash->show();
    splash->repaint();
    app.processEvents();

    // The bundled look; the default one stays when it is missing.
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);

    // The report engine's builder, prepared pages and preview; new report pages take their paper
    // from the current printer.
    frxStartEngineLayer();
    frxRegisterDialogForms();
    frxRegisterDesigner();

    auto *mainWindow = new TFMainWindow;
    mainWindow->AttachTavrelForm(std::make_unique<TTavrelForm>());
    // The about window and the system settings window are made but never shown from here.
    auto *about = new TForm1(mainWindow);
    auto *settings = new TTemplateCFGform(mainWindow);
    Q_UNUSED(about);
    Q_UNUSED(settings);

    // The splash stays up for the full wait after the last window is made, painting as it goes.
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < splashMs) {
        app.processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    splash->hide();
    delete splash;

    mainWindow->showMaximized();
    return mainWindow;
}

int DesignOnly(QApplication &app, const QString &fileName)
{
    Q_UNUSED(app);
    InitGlobals();
    if (QStyle *style = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(style);
    frxStartEngineLayer();
    frxRegisterDialogForms();
    frxRegisterDesigner();
    TTavrelForm driver;
    driver.DesignFile(QFileInfo(fileName).absoluteFilePath());
    return 0;
}
