// The formatting bars: filling the font name box once (every installed family plus the recent
// fonts from the settings store) and refreshing the Text and Frame bars on a selection change.
#include "designer/format/frxDesignerFormatting.h"
#include "designer/format/frxFormatBars.h"
#include "designer/format/frxFormatControls.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);

    // The first fill of the program also loads the font database.
    QElapsedTimer cold;
    {
        TfrxFontComboBox first(QStringLiteral("\\Software\\Tavrel"));
        cold.start();
        first.Fill();
        std::printf("font box first fill of the program (font database loaded): %.3f ms\n",
                    cold.nsecsElapsed() / 1e6);
    }

    TComponent owner;
    auto *report = new TfrxReport(&owner);
    report->SetIniFile(QStringLiteral("\\Software\\Tavrel"));
    report->EnsureDataPage()->SetName(QStringLiteral("Data"));
    auto *page = new TfrxReportPage(report);
    page->SetName(QStringLiteral("Page1"));
    QList<TfrxComponent *> memos;
    for (int i = 0; i < 40; ++i) {
        auto *m = new TfrxMemoView(report);
        m->SetParent(page);
        m->SetName(QStringLiteral("Memo%1").arg(i + 1));
        m->SetBounds(10 + (i % 4) * 90, 10 + (i / 4) * 25, 80, 20);
        memos << m;
    }
    TfrxDesignerForm form(report);
    form.resize(1200, 800);
    form.show();
    app.processEvents();

    // The font box: five recent fonts stored, then the list filled as the window does.
    TfrxFontComboBox *box = form.Formatting()->Bars()->FontBox();
    const QStringList families = QFontDatabase::families();
    for (int i = 0; i < 5 && i < families.size(); ++i)
        box->Choose(families[i]);
    constexpr int fills = 20;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < fills; ++i)
        box->Fill();
    const double fillMs = timer.nsecsElapsed() / 1e6 / fills;
    std::printf("font box fill (%lld families, %d recent): %.3f ms\n",
                static_cast<long long>(families.size()), int(box->RecentFonts().size()), fillMs);

    // Selection changes: one memo, then two, alternately; each refreshes the bars.
    constexpr int changes = 400;
    TfrxFormatBars *bars = form.Formatting()->Bars();
    qint64 refreshNs = 0;
    for (int i = 0; i < changes; ++i) {
        QList<TfrxComponent *> selection{memos[i % memos.size()]};
        if (i % 2)
            selection << memos[(i + 7) % memos.size()];
        form.SelectedObjects() = selection;
        timer.restart();
        bars->Refresh();
        refreshNs += timer.nsecsElapsed();
    }
    std::printf("bars refresh on a selection change: %.3f ms\n", refreshNs / 1e6 / changes);
    return 0;
}
