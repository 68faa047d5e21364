// Cost of text expansion on a waybill: 15 text objects (12 order fields, 2 expressions with IIF and
// a format suffix, 1 literal) expanded for 100,000 order rows the way the builder does it (design
// text kept aside, data step, design text back), with the host answering fields from the row.
// Prints the time and the size of the expression cache after the first and the last record.

#include "report/model/frxClass.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 100000;

    const QStringList columns = {"订单号", "收件人", "电话", "手机", "省",   "市",
                                 "区",     "地址",   "邮编", "物品", "数量", "备注"};
    // One row per record, as the order grid keeps them: column name → cell text.
    std::vector<QHash<QString, Variant>> rows;
    rows.reserve(size_t(records));
    for (int r = 0; r < records; ++r) {
        QHash<QString, Variant> row;
        for (int c = 0; c < columns.size(); ++c)
            row.insert(columns[c], QStringLiteral("%1-%2").arg(columns[c]).arg(r));
        row.insert(QStringLiteral("数量"), QString::number(r % 7));
        rows.push_back(std::move(row));
    }

    TfrxReport report;
    TfrxUserDataSet fd;
    fd.SetUserName(QStringLiteral("FD"));
    fd.SetFields(columns);
    fd.SetRangeEnd(frx::reCount);
    fd.SetRangeEndCount(records);
    int current = 0;
    fd.OnGetValue = [&](const QString &name, Variant &value) {
        auto it = rows[size_t(current)].constFind(name);
        if (it != rows[size_t(current)].constEnd())
            value = *it;
    };
    report.Datasets()->Add(&fd);
    auto *page = new TfrxReportPage(&report);
    page->SetName(QStringLiteral("Page1"));
    std::vector<TfrxMemoView *> memos;
    auto add = [&](const QString &text) {
        auto *memo = new TfrxMemoView(page);
        memo->CreateUniqueName();
        memo->SetText(text);
        memos.push_back(memo);
    };
    for (const QString &column : columns)
        add(QStringLiteral("[FD.\"%1\"]").arg(column));
    add(QStringLiteral("[IIF(<FD.\"备注\"> = '', '无备注', <FD.\"备注\">) #x]"));
    add(QStringLiteral("[IIF(<FD.\"数量\"> > 3, <FD.\"数量\"> * 1.5, 0) #n%2.2f]"));
    add(QStringLiteral("寄件人: 小店 电话 400-000-0000"));

    report.ExpressionCache()->Clear();
    report.ExpressionCache()->SetScriptLanguage(report.ScriptLanguage());

    QElapsedTimer timer;
    timer.start();
    int cacheAfterFirst = 0;
    qint64 checksum = 0;
    fd.First();
    while (!fd.Eof()) {
        current = fd.RecNo();
        for (TfrxMemoView *memo : memos) {
            report.SetCurObject(memo->Name());
            const QStringList design = memo->Memo();
            memo->ComputeData();
            checksum += memo->Memo().value(0).size();
            memo->SetMemo(design);
        }
        if (current == 0)
            cacheAfterFirst = report.ExpressionCache()->Count();
        fd.Next();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;

    std::printf("records: %d\n", records);
    std::printf("text objects per record: %zu\n", memos.size());
    std::printf("expansion time: %.3f s\n", seconds);
    std::printf("per record: %.2f us\n", seconds * 1e6 / records);
    std::printf("per text object: %.3f us\n", seconds * 1e6 / records / double(memos.size()));
    std::printf("expression cache after the first record: %d expressions\n", cacheAfterFirst);
    std::printf("expression cache after the last record: %d expressions\n",
                report.ExpressionCache()->Count());
    std::printf("errors: %lld\n", (long long)report.Errors().size());
    std::printf("checksum: %lld characters\n", (long long)checksum);
    return report.Errors().isEmpty() ? 0 : 1;
}
