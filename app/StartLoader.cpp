#include "app/StartLoader.h"

#include "app/Icons.h"
#include "app/MainWindow.h"
#include "app/Tavrel.h"
#include "engine/preview/frxDialogForm.h"
#include "engine/build/frxEngine.h"
#include "engine/preview/frxPreview.h"
#include "engine/pages/frxPreviewPages.h"
#include "engine/print/frxPrinter.h"
#include "app/TemplateClS.h"
#include "app/about.h"

#include <QApplication>
#include <QElapsedTimer>
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

    // The report engine's builder and prepared pages; new report pages take their paper from the
    // current printer.
    frxRegisterEngine();
    frxRegisterPreview();
    frxRegisterDialogForms();
    TfrxPreviewPages::Register();
    frxInstallPrinterPaperInfo();

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
