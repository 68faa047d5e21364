// The designer's tree windows: the data tree filled from a dataset of 100 fields (all tabs it
// builds on a reload), and the report tree of a report with 500 objects (its rebuild on every
// change). Each figure is the median of repeated rebuilds, in milliseconds.
#include "bench/MedianTime.h"
#include "designer/trees/frxDataTree.h"
#include "designer/trees/frxReportTree.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <vector>


int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    // A data tree over FD with 100 order columns.
    {
        TComponent owner;
        auto *fd = new TfrxUserDataSet(&owner);
        fd->SetName(QStringLiteral("frxUserDataSet1"));
        fd->SetUserName(QStringLiteral("FD"));
        QStringList fields;
        for (int i = 0; i < 100; ++i)
            fields << (i % 2 ? QStringLiteral("收件人%1").arg(i) : QStringLiteral("Column%1").arg(i));
        fd->SetFields(fields);
        auto *report = new TfrxReport(&owner);
        report->Datasets()->Add(fd);
        TfrxDataTreeForm tree;
        tree.resize(143, 600);
        tree.show();
        tree.SetReport(report);
        tree.UpdateItems();
        const double plain = MedianMs(51, [&](int) { tree.UpdateItems(); });
        tree.SetSortByName(true);
        const double sorted = MedianMs(51, [&](int) { tree.UpdateItems(); });
        QTreeWidgetItem *root = tree.Tree(TfrxDataTreeForm::tabData)->topLevelItem(0);
        const int shown = root && root->childCount() ? root->child(0)->childCount() : 0;
        out << "data tree, " << shown << " fields, filled: " << QString::number(plain, 'f', 2)
            << " ms (sorted by name " << QString::number(sorted, 'f', 2) << " ms; target under 20 ms)\n";
    }

    // A report tree over 500 objects on two pages.
    {
        TComponent owner;
        auto *report = new TfrxReport(&owner);
        report->EnsureDataPage()->SetName(QStringLiteral("Data"));
        int made = 0;
        for (int p = 1; p <= 2; ++p) {
            auto *page = new TfrxReportPage(report);
            page->SetName(QStringLiteral("Page%1").arg(p));
            for (int i = 0; i < 250; ++i) {
                auto *memo = new TfrxMemoView(page);
                memo->SetName(QStringLiteral("Memo%1").arg(++made));
                memo->SetBounds(10, i * 4, 80, 16);
            }
        }
        TfrxReportTreeForm tree;
        tree.resize(159, 600);
        tree.show();
        tree.SetReport(report);
        tree.UpdateItems();
        const double ms = MedianMs(51, [&](int) { tree.UpdateItems(); });
        out << "report tree, " << made << " objects, rebuilt: " << QString::number(ms, 'f', 2)
            << " ms (target under 10 ms)\n";
    }
    return 0;
}
