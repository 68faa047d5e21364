#pragma once
// Drives the design surface of a designer window as a user would: synthesized mouse events at
// design positions, and a window on the fixture's layout whose user switched "edit after insert"
// off.

#include "DesignerFixture.h"

#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>

namespace {

constexpr double Mm = 3.77953;

// The widget position of a design position.
QPoint At(TfrxDesignerWorkspace *w, double x, double y)
{
    const QPointF p = w->PrintableOrigin() + QPointF(x, y) * w->Scale();
    return QPoint(qRound(p.x()), qRound(p.y()));
}

void Mouse(QWidget *w, QEvent::Type type, const QPoint &pos, Qt::KeyboardModifiers mods = {},
           Qt::MouseButtons buttons = Qt::LeftButton)
{
    const Qt::MouseButton button = type == QEvent::MouseMove           ? Qt::NoButton
                                   : buttons.testFlag(Qt::RightButton) ? Qt::RightButton
                                                                       : Qt::LeftButton;
    QMouseEvent event(type, pos, w->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : buttons, mods);
    QApplication::sendEvent(w, &event);
}

// The settings of a user who switched "edit after insert" off.
struct Settings {
    explicit Settings(const DesignerFixture &f)
    {
        QFile ini(QDir(f.config.path()).filePath("Tavrel.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Form4.TfrxDesignerForm]\r\nScale=1\r\nEditAfterInsert=0\r\nMaximized=0\r\n");
    }
};

struct Window {
    DesignerFixture f;
    Settings settings{f};
    TfrxDesignerForm form{f.report};
    TfrxDesignerWorkspace *ws = form.Workspace();
    Window()
    {
        form.setWindowState(Qt::WindowNoState);
        form.resize(1200, 800);
        form.show();
    }
    TfrxComponent *Obj(const char *name) { return f.report->FindObject(QLatin1String(name)); }
};

} // namespace
