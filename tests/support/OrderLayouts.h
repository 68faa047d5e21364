#pragma once
// Small waybill templates over the program's own order dataset FD, for the suites of the print
// driver and of waybill-cli: a program folder whose settings name four order columns, order
// exports in UTF-8, and layouts made through the driver's report object the way the designer
// saves them (a list with groups and footers, a page per order, a fixed label).

#include "TestHome.h"
#include "app/Tavrel.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace OrderLayouts {

constexpr double kPxPerMm = 96.0 / 25.4;

// 订单编号, 方式, 收件人, 金额 as the settings' order columns (C1 … C4).
inline void WriteSettings(const TestHome &home)
{
    home.Write("config/PRINTER.INI",
               QStringLiteral("[OrderColumn]\r\nC_1=订单编号\r\nC_2=方式\r\nC_3=收件人\r\nC_4=金额\r\n").toUtf8());
}

// An export of these rows under the header line of the four columns (an empty list: the header only).
inline QString WriteExport(const TestHome &home, const QString &name, const QList<QStringList> &rows)
{
    QByteArray csv = QStringLiteral("订单编号,方式,收件人,金额\r\n").toUtf8();
    for (const QStringList &row : rows)
        csv += row.join(u',').toUtf8() + "\r\n";
    return home.Write(name, csv);
}

// Eight orders in three groups by shipping way.
inline QList<QStringList> EightOrders()
{
    return {{"1001", "顺丰", "张三", "10"}, {"1002", "顺丰", "王五", "20"}, {"1003", "顺丰", "赵六", "30"},
            {"1004", "邮政", "李四", "5"},  {"1005", "邮政", "钱七", "15"}, {"1006", "邮政", "孙八", "25"},
            {"1007", "圆通", "周九", "7"},  {"1008", "圆通", "吴十", "8"}};
}

// The footer text of one group as the group layout prints it.
inline QString Footer(const QString &way, const QString &last, int count, int sum)
{
    return QStringLiteral("组尾 %1 末单=%2 件数=%3 合计=%4").arg(way, last).arg(count).arg(sum);
}

// A layout of the driver's report (data page, Page1 with FD at report level and in the dataset
// list), changed by `shape` and saved to `path`.
inline void SaveLayout(const QString &path, const std::function<void(TfrxReport *, TfrxReportPage *)> &shape)
{
    TTavrelForm maker;
    TfrxReport *report = maker.frxReport1;
    auto *page = qobject_cast<TfrxReportPage *>(report->Pages(1));
    page->SetPaperWidth(120);
    page->SetPaperHeight(80);
    shape(report, page);
    frxSaveToFile(*report, path);
}

inline TfrxMemoView *AddMemo(TfrxComponent *parent, const QString &name, const QString &text, double topMm = 0)
{
    auto *memo = new TfrxMemoView(parent);
    memo->SetName(name);
    memo->SetBounds(0, topMm * kPxPerMm, 110 * kPxPerMm, 6 * kPxPerMm);
    memo->SetText(text);
    return memo;
}

template <class Band> Band *AddBand(TfrxReportPage *page, const QString &name, double topMm)
{
    auto *band = new Band(page);
    band->SetName(name);
    band->SetTop(topMm * kPxPerMm);
    band->SetHeight(6 * kPxPerMm);
    band->SetWidth(110 * kPxPerMm);
    return band;
}

// The list of orders grouped by shipping way: nothing at report level, a group header on
// FD."方式", the master data band over FD, and a footer with the group's way, its last receiver,
// its count and the sum of its amounts. `condition` replaces the group's condition.
inline void SaveGroupLayout(const QString &path, const QString &condition = QStringLiteral("FD.\"方式\""))
{
    SaveLayout(path, [&](TfrxReport *report, TfrxReportPage *page) {
        report->SetDataSet(nullptr);
        page->SetPaperHeight(200);
        auto *header = AddBand<TfrxGroupHeader>(page, "GroupHeader1", 10);
        header->SetCondition(condition);
        AddMemo(header, "HeaderText", "组头 [FD.\"方式\"]");
        auto *data = AddBand<TfrxMasterData>(page, "MasterData1", 20);
        data->SetDataSet(report->Datasets()->Items(0)->DataSet());
        AddMemo(data, "Row", "[FD.\"收件人\"] [FD.\"金额\"]");
        auto *footer = AddBand<TfrxGroupFooter>(page, "GroupFooter1", 30);
        AddMemo(footer, "FooterText",
                "组尾 [FD.\"方式\"] 末单=[FD.\"收件人\"] 件数=[COUNT(MasterData1)] "
                "合计=[SUM(<FD.\"金额\">,MasterData1)]");
    });
}

// How a one-waybill-per-order layout reaches the orders.
enum class Walk { Report, Page, None };

// One waybill with the receiver (or a fixed text when `text` is given) on a 120 × 80 mm page.
inline void SaveWaybillLayout(const QString &path, Walk walk, const QString &text = QStringLiteral("[FD.\"收件人\"]"))
{
    SaveLayout(path, [&](TfrxReport *report, TfrxReportPage *page) {
        TfrxDataSet *fd = report->DataSet();
        if (walk != Walk::Report)
            report->SetDataSet(nullptr);
        if (walk == Walk::Page)
            page->SetDataSet(fd);
        AddMemo(page, "Receiver", text, 20);
    });
}

} // namespace OrderLayouts
