// The object inspector rebuilding its rows when the selection changes: one text object, and 100
// text objects selected together (common rows of all, each written to all). Each figure is the
// median of 40 rebuilds, alternating between two selections so that every rebuild is real; the
// whole selection change in the window (workspace, status bar, inspector) is printed beside it.
#include "bench/MedianTime.h"
#include "designer/inspector/frxInsp.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <functional>


int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    QTextStream out(stdout);

    TfrxReport report;
    report.EngineOptions()->SetNewSilentMode(frx::simSilent);
    report.EnsureDataPage()->SetName(QStringLiteral("Data"));
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    page->SetDefaults();
    QList<TfrxComponent *> memos;
    for (int i = 0; i < 102; ++i) {
        auto *memo = new TfrxMemoView(&report);
        memo->SetParent(page);
        memo->CreateUniqueName();
        memo->SetBounds(10 + (i % 6) * 120, 10 + (i / 6) * 24, 110, 20);
        memo->SetText(QStringLiteral("[FD.\"收件人\"] %1").arg(i));
        memos << memo;
    }
    TfrxDesignerForm form(&report);
    form.setWindowState(Qt::WindowNoState);
    form.resize(1400, 860);
    form.show();
    QApplication::processEvents();
    auto *inspector = form.findChild<TfrxObjectInspector *>();
    const int rounds = 40;

    const double one = MedianMs(rounds, [&](int i) { inspector->SetSelectedObjects({memos[i % 2]}); });
    const QList<TfrxComponent *> first = memos.mid(0, 100);
    const QList<TfrxComponent *> second = memos.mid(2, 100);
    const double hundred =
        MedianMs(rounds, [&](int i) { inspector->SetSelectedObjects(i % 2 ? second : first); });
    const double windowOne = MedianMs(rounds, [&](int i) { form.Workspace()->Select({memos[i % 2]}); });
    const double windowHundred =
        MedianMs(rounds, [&](int i) { form.Workspace()->Select(i % 2 ? second : first); });

    inspector->SetSelectedObjects({memos[0]});
    out << "top-level rows: " << inspector->Grid()->topLevelItemCount() << " for 1 object, ";
    inspector->SetSelectedObjects(first);
    out << inspector->Grid()->topLevelItemCount() << " common to the 100\n";
    out << "inspector rebuild, 1 object selected: " << QString::number(one, 'f', 2)
        << " ms (target < 20 ms)\n";
    out << "inspector rebuild, 100 objects selected: " << QString::number(hundred, 'f', 2)
        << " ms (target < 60 ms)\n";
    out << "whole selection change in the window, 1 object: " << QString::number(windowOne, 'f', 2)
        << " ms\n";
    out << "whole selection change in the window, 100 objects: " << QString::number(windowHundred, 'f', 2)
        << " ms\n";
    return 0;
}
