#include "report/host/frxDesignerBase.h"

#include "report/model/frxReport.h"
#include "script/fs_iinterpreter.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>

#include <utility>

namespace {
TfrxDesignerFactory &Factory()
{
    static TfrxDesignerFactory factory;
    return factory;
}
} // namespace

TfrxDesignerFactory frxSetDesignerFactory(TfrxDesignerFactory factory)
{
    return std::exchange(Factory(), std::move(factory));
}

const TfrxDesignerFactory &frxDesignerFactory()
{
    return Factory();
}

TfrxCustomDesigner::TfrxCustomDesigner(TfrxReport *report, bool isPreviewDesigner, QWidget *parent)
    : QMainWindow(parent), m_report(report), m_isPreviewDesigner(isPreviewDesigner)
{
}

TfrxCustomDesigner::~TfrxCustomDesigner()
{
    if (m_report && m_report->Designer() == this)
        m_report->SetDesigner(nullptr);
}

void TfrxCustomDesigner::SetModified(bool value)
{
    m_modified = value;
    if (value && m_report)
        m_report->SetModified(true);
}

void TfrxCustomDesigner::SetPage(TfrxPage *page)
{
    m_page = page;
}

void TfrxReport::OpenDesigner(bool modal, bool mdiChild)
{
    Q_UNUSED(mdiChild); // one window per designer on this platform: no multiple-document frame
    const TfrxDesignerFactory &factory = frxDesignerFactory();
    if (m_designer || !factory)
        return;
    if (TfsScript *script = Script())
        script->ClearItems(this);
    m_modified = false;
    QPointer<TfrxCustomDesigner> window = factory(this);
    if (!window)
        return;
    m_designer = window;
    if (!modal) {
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return;
    }
    // Modal over every other window of the program until the window is allowed to close.
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(window, &TfrxCustomDesigner::Closed, &loop, &QEventLoop::quit);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    if (window && window->isVisible())
        loop.exec();
    delete window;
    QApplication::processEvents();
    m_designer = nullptr;
}
