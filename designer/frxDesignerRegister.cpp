#include "designer/frxDesignerRegister.h"

#include "designer/window/frxDesgn.h"
#include "report/host/frxDesignerBase.h"

#include <QApplication>

void frxRegisterDesigner()
{
    frxSetDesignerFactory([](TfrxReport *report) -> TfrxCustomDesigner * {
        // Over the program's own window, so that it stays on top of it while it is open.
        return new TfrxDesignerForm(report, QApplication::activeWindow());
    });
}
