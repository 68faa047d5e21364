#pragma once
// The waybill layout the preview, prepared-pages and print suites share: one 100 × 150 mm page
// ("Page1", paper code 256) whose data band ("MasterData1") holds the receiver's text ("Memo1"),
// printed through the program's prepared-pages store. The suites fill it in one of two ways: pages
// appended straight into the store (AppendNumberedPages), or the order dataset FD (AttachOrders)
// for the builder to run the page over.

#include "engine/pages/frxPreviewPages.h"
#include "report/model/frxClass.h"
#include "report/model/frxDataSet.h"

#include <QRectF>
#include <QStringList>

#include <memory>

struct WaybillReport {
    TfrxReport report;
    TfrxReportPage *page;
    TfrxMasterData *band;
    TfrxMemoView *memo;
    QStringList names; // the orders FD gives (AttachOrders); a test may change them before a build

    // Bounds in report pixels, relative to the page and to the band.
    explicit WaybillReport(QRectF bandBounds = QRectF(0, 0, 300, 200),
                           QRectF memoBounds = QRectF(40, 40, 200, 30))
    {
        TfrxPreviewPages::Register();
        page = new TfrxReportPage(&report);
        page->SetName(QStringLiteral("Page1"));
        page->SetPaper(256, 100, 150);
        band = new TfrxMasterData(page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(bandBounds.x(), bandBounds.y(), bandBounds.width(), bandBounds.height());
        memo = AddMemo(QStringLiteral("Memo1"), memoBounds);
    }
    WaybillReport(const WaybillReport &) = delete;
    WaybillReport &operator=(const WaybillReport &) = delete;

    TfrxPreviewPages *Pages() { return static_cast<TfrxPreviewPages *>(report.PreviewPages()); }

    // Another text on the band.
    TfrxMemoView *AddMemo(const QString &name, QRectF bounds, const QString &text = QString())
    {
        auto *added = new TfrxMemoView(band);
        added->SetName(name);
        added->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
        if (!text.isEmpty())
            added->SetText(text);
        return added;
    }

    // Appends count pages through the store as the builder appends them, the memo reading "PAGE1"
    // … "PAGEn".
    void AppendNumberedPages(int count)
    {
        TfrxCustomPreviewPages *pages = report.PreviewPages();
        pages->BeginBuild();
        pages->RegisterSourcePage(page);
        pages->BeginPass();
        for (int i = 1; i <= count; ++i) {
            memo->SetText(QStringLiteral("PAGE%1").arg(i));
            pages->AppendPage(page);
            pages->AppendObjects(band);
        }
        pages->EndBuild();
    }

    // The orders as the program gives them to the report: the report-level dataset FD over the
    // field "Name", one row per name, so that the builder runs the page once per order.
    void AttachOrders(const QStringList &orders)
    {
        names = orders;
        m_orders = std::make_unique<TfrxUserDataSet>();
        TfrxUserDataSet &fd = *m_orders;
        fd.SetName(QStringLiteral("frxUserDataSet1"));
        fd.SetUserName(QStringLiteral("FD"));
        fd.SetFields({QStringLiteral("Name")});
        fd.SetRangeEnd(frx::reCount);
        fd.SetRangeEndCount(int(orders.size()));
        fd.OnFirst = [this](QObject *) { m_row = 0; };
        fd.OnNext = [this](QObject *) { ++m_row; };
        fd.OnGetValue = [this](const QString &field, Variant &value) {
            if (field == QLatin1String("Name") && m_row < names.size())
                value = names[m_row];
        };
        report.Datasets()->Add(&fd);
        report.SetDataSet(&fd);
        report.EnsureDataPage();
        band->SetRowCount(1);
    }

private:
    int m_row = 0;
    // Declared after the report so that it goes first: the report's list refers to it.
    std::unique_ptr<TfrxUserDataSet> m_orders;
};
