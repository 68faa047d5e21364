#include "designer/editors/frxEditorCommands.h"

#include "designer/editors/frxReportOptionsEditor.h"
#include "designer/editors/frxStyleEditor.h"
#include "designer/editors/frxVariablesEditor.h"
#include "designer/window/frxDesgn.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void frxInstallEditorCommands(TfrxDesignerForm *form)
{
    QMenu *reportMenu = nullptr;
    for (QAction *a : form->menuBar()->actions())
        if (a->menu() && a->text().remove(QLatin1Char('&')) == QLatin1String("Report"))
            reportMenu = a->menu();
    if (!reportMenu)
        reportMenu = form->menuBar()->addMenu(QStringLiteral("&Report"));
    auto add = [form, reportMenu](const char *name, const QString &caption,
                                  bool (*edit)(QWidget *, TfrxReport *)) {
        auto *action = new QAction(caption, form);
        action->setObjectName(QLatin1String(name));
        QObject::connect(action, &QAction::triggered, form, [form, edit] {
            if (edit(form, form->Report()))
                form->SetModified(true);
        });
        reportMenu->addAction(action);
    };
    add("VariablesCmd", QStringLiteral("Variables..."), &EditVariables);
    add("ReportStylesCmd", QStringLiteral("Styles..."), &EditStyles);
    add("ReportOptionsCmd", QStringLiteral("Options..."), &EditReportOptions);
}
