#include "app/journal/JournalWindow.h"

#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "platform/Ui.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <optional>

namespace Journal {

namespace {

const QString kCaption = QStringLiteral("提示");

QString TimeText(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString StateText(const QString &state, bool reprint)
{
    QString text = state == QLatin1String("printed")   ? QStringLiteral("已打印")
                   : state == QLatin1String("failed")  ? QStringLiteral("失败")
                   : state == QLatin1String("unknown") ? QStringLiteral("不明")
                                                       : QStringLiteral("打印中");
    return reprint ? text + QStringLiteral(" (重印)") : text;
}

QString KindText(const QString &kind)
{
    if (kind == QLatin1String("reprint"))
        return QStringLiteral("重印");
    if (kind == QLatin1String("auto"))
        return QStringLiteral("自动打印");
    if (kind == QLatin1String("migrated"))
        return QStringLiteral("旧记录");
    return QStringLiteral("打印");
}

void SetRow(QTableWidget *grid, int row, const QStringList &cells)
{
    for (int c = 0; c < cells.size(); ++c)
        grid->setItem(row, c, new QTableWidgetItem(cells[c]));
}

} // namespace

PrintChoice AskBeforePrint(const Survey &survey)
{
    QStringList lines;
    if (!survey.Printed.isEmpty())
        lines << QStringLiteral("%1 个订单已经打印过（最近一次 %2）：").arg(survey.Printed.size()).arg(survey.Latest.Where());
    if (!survey.Unknown.isEmpty())
        lines << QStringLiteral("%1 个订单上次打印中断，不知是否已打印，请先查看打印机：").arg(survey.Unknown.size());
    if (!survey.Busy.isEmpty())
        lines << QStringLiteral("%1 个订单另一个打印正在打印：").arg(survey.Busy.size());
    QMessageBox box(QMessageBox::Question, kCaption, lines.join(u'\n'));
    QPushButton *all = box.addButton(QStringLiteral("全部打印"), QMessageBox::AcceptRole);
    QPushButton *onlyNew = box.addButton(QStringLiteral("只打印未打印的"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(onlyNew);
    box.setEscapeButton(cancel);
    Ui::RunDialog(box);
    if (box.clickedButton() == all)
        return PrintChoice::All;
    if (box.clickedButton() == onlyNew)
        return PrintChoice::OnlyNew;
    return PrintChoice::Cancel;
}

bool WindowPrint(TTavrelForm &driver, const QList<int> &rows, const QString &kind)
{
    std::optional<Database> db;
    try {
        db.emplace();
    } catch (const EJournalError &e) {
        // The print does not go ahead without the journal unless the seller says so.
        if (!Ui::Ask(e.Message() + QStringLiteral("\n\n不记录打印记录, 仍然打印吗?"), kCaption))
            return false;
        return driver.PrintRows(rows);
    }
    try {
        bool skip = false;
        if (kind != QLatin1String("reprint")) {
            const Survey survey = SurveyRows(*db, rows);
            if (!survey.Empty()) {
                const PrintChoice choice = AskBeforePrint(survey);
                if (choice == PrintChoice::Cancel)
                    return false;
                skip = choice == PrintChoice::OnlyNew;
            }
        }
        RunInfo info;
        info.Kind = kind;
        info.Program = QStringLiteral("window");
        info.Printer = driver.PrintToFile.isEmpty() ? CurrPrinter : QString();
        info.Output = driver.PrintToFile;
        Run run(*db, info);
        const ClaimResult claim = run.Claim(rows, skip);
        if (claim.Claimed.isEmpty()) {
            Ui::Message(QStringLiteral("没有要打印的订单。"), kCaption);
            return false;
        }
        const bool printed = driver.PrintRows(claim.Claimed);
        run.Commit();
        if (!run.RecordError().isEmpty())
            Ui::Message(run.RecordError() + QStringLiteral("\n订单已打印, 但打印记录没有记下。"), kCaption, UiIcon::Warning);
        return printed;
    } catch (const EJournalError &e) {
        Ui::Message(e.Message() + QStringLiteral("\n没有打印。"), kCaption, UiIcon::Error);
        return false;
    }
}

std::vector<QString> LastPrintTexts()
{
    std::vector<QString> texts(OrderRows.size());
    if (OrderRows.empty() || !QFile::exists(DefaultPath()))
        return texts;
    try {
        Database db;
        QList<int> rows;
        for (size_t r = 0; r < OrderRows.size(); ++r)
            rows << int(r);
        const QHash<int, QString> keys = KeysOf(rows);
        const QHash<QString, History> known = db.Lookup(keys.values());
        for (int r : std::as_const(rows)) {
            const auto it = known.constFind(keys.value(r));
            if (it == known.cend())
                continue;
            texts[size_t(r)] = it->State == QLatin1String("printed") ? it->Where()
                                                                     : StateText(it->State, false) + u' ' + it->Where();
        }
    } catch (const EJournalError &) {
        // The grid shows nothing then; a print says what is wrong with the journal.
    }
    return texts;
}

// ---- 打印记录 -----------------------------------------------------------------------------------

TPrintRecordForm::TPrintRecordForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintRecordForm"));
    setWindowTitle(QStringLiteral("打印记录"));
    resize(900, 600);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("打印批次 (记录在 %1)").arg(QDir::toNativeSeparators(DefaultPath()))));
    RunGrid = new QTableWidget(0, 8, this);
    RunGrid->setObjectName(QStringLiteral("RunGrid"));
    RunGrid->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("方式"), QStringLiteral("模板"),
                                        QStringLiteral("打印机/文件"), QStringLiteral("订单"), QStringLiteral("已打印"),
                                        QStringLiteral("失败"), QStringLiteral("不明")});
    RunGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    RunGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    RunGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    RunGrid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(RunGrid, 1);
    OrderGrid = new QTableWidget(0, 6, this);
    OrderGrid->setObjectName(QStringLiteral("OrderGrid"));
    OrderGrid->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("订单"), QStringLiteral("状态"),
                                          QStringLiteral("时间"), QStringLiteral("作业"), QStringLiteral("模板版本")});
    OrderGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    OrderGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    OrderGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    OrderGrid->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(OrderGrid, 2);
    auto *buttons = new QHBoxLayout;
    ReprintRunButton = new QPushButton(QStringLiteral("重印本次"), this);
    ReprintOrdersButton = new QPushButton(QStringLiteral("重印所选订单"), this);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    buttons->addWidget(ReprintRunButton);
    buttons->addWidget(ReprintOrdersButton);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(ReprintRunButton, &QPushButton::clicked, this, [this] { ReprintKeys(false); });
    connect(ReprintOrdersButton, &QPushButton::clicked, this, [this] { ReprintKeys(true); });
    connect(RunGrid, &QTableWidget::itemSelectionChanged, this, [this] { ShowEntries(); });
    Reload();
}

bool TPrintRecordForm::Reload()
{
    m_runs.clear();
    if (QFile::exists(DefaultPath())) {
        try {
            Database db;
            db.SweepAbandoned();
            m_runs = db.Runs();
        } catch (const EJournalError &e) {
            Ui::Message(e.Message(), kCaption, UiIcon::Error);
            RunGrid->setRowCount(0);
            return false;
        }
    }
    RunGrid->setRowCount(int(m_runs.size()));
    for (int i = 0; i < m_runs.size(); ++i) {
        const RunSummary &r = m_runs[i];
        SetRow(RunGrid, i,
               {TimeText(r.Started), KindText(r.Kind), r.Template, r.Printer.isEmpty() ? r.Output : r.Printer,
                QString::number(r.Orders), QString::number(r.Printed), QString::number(r.Failed),
                QString::number(r.Unknown)});
    }
    if (!m_runs.isEmpty())
        SelectRun(0);
    else
        ShowEntries();
    return true;
}

void TPrintRecordForm::SelectRun(int index)
{
    RunGrid->selectRow(index);
    ShowEntries();
}

void TPrintRecordForm::ShowEntries()
{
    m_entries.clear();
    const int index = RunGrid->currentRow();
    if (index >= 0 && index < m_runs.size()) {
        try {
            Database db;
            Filter filter;
            filter.RunId = m_runs[index].RunId;
            m_entries = db.Entries(filter);
        } catch (const EJournalError &e) {
            Ui::Message(e.Message(), kCaption, UiIcon::Error);
        }
    }
    OrderGrid->setRowCount(int(m_entries.size()));
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        SetRow(OrderGrid, i,
               {QString::number(e.Row + 1), e.OrderKey.startsWith(QLatin1String("row:")) ? QStringLiteral("(整行)") : e.OrderKey,
                StateText(e.State, e.Reprint), TimeText(e.Time), e.JobIds, e.LayoutHash});
    }
    ReprintRunButton->setEnabled(!m_entries.isEmpty());
    ReprintOrdersButton->setEnabled(!m_entries.isEmpty());
}

void TPrintRecordForm::ReprintKeys(bool selectedOnly)
{
    QStringList keys;
    for (int i = 0; i < m_entries.size(); ++i)
        if (!selectedOnly || OrderGrid->selectionModel()->isRowSelected(i, QModelIndex()))
            if (!keys.contains(m_entries[i].OrderKey))
                keys << m_entries[i].OrderKey;
    if (keys.isEmpty()) {
        Ui::Message(QStringLiteral("请选中要重印的订单!"), kCaption);
        return;
    }
    if (Reprint)
        Reprint(keys);
    Reload();
}

} // namespace Journal
