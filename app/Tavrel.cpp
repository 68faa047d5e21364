#include "app/Tavrel.h"

#include "app/OrderValue.h"
#include "app/TemplateClS.h"
#include "app/journal/JournalRun.h"
#include "designer/window/frxDesgn.h"
#include "engine/print/frxPrinter.h"
#include "report/host/frxPreviewPagesBase.h"
#include "report/io/frxSerializeReport.h"
#include "report/io/frxTemplateFiles.h"
#include "report/io/frxXMLSerializer.h"
#include "platform/ConfinedFile.h"
#include "platform/Exception.h"
#include "platform/Ui.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QRegularExpression>

TTavrelForm::TTavrelForm(TComponent *owner) : TComponent(owner)
{
    SetName(QStringLiteral("TavrelForm"));
    frxUserDataSet1 = new TfrxUserDataSet(this);
    frxUserDataSet1->SetName(QStringLiteral("frxUserDataSet1"));
    frxUserDataSet1->SetUserName(QStringLiteral("FD"));
    frxUserDataSet1->SetRangeEnd(frx::reCount);
    frxUserDataSet1->SetRangeEndCount(3);
    frxUserDataSet1->OnFirst = [this](TfrxDataSet *sender) { frxUserDataSet1First(sender); };
    frxUserDataSet1->OnNext = [this](TfrxDataSet *sender) { frxUserDataSet1Next(sender); };
    frxUserDataSet1->OnGetValue = [this](const QString &name, Variant &value) {
        frxUserDataSet1GetValue(name, value);
    };

    frxReport1 = new TfrxReport(this);
    frxReport1->SetName(QStringLiteral("frxReport1"));
    InitialReport();
    // Layouts name the order dataset as "TavrelForm.frxUserDataSet1".
    frxRegisterGlobalComponent(this);
}

TTavrelForm::~TTavrelForm()
{
    frxUnregisterGlobalComponent(this);
    // The report goes first: it refers to the dataset.
    delete frxReport1;
    frxReport1 = nullptr;
}

void TTavrelForm::InitialReport()
{
    TfrxReport *report = frxReport1;
    report->ClearObjects();
    report->SetDotMatrixReport(false);
    report->SetIniFile(QStringLiteral("\\Software\\Tavrel"));
    report->SetScriptLanguage(QStringLiteral("PascalScript"));
    report->SetScriptText({QStringLiteral("begin"), QString(), QStringLiteral("end.")});
    report->PrintOptions()->SetPrinter(QStringLiteral("Default"));
    report->PrintOptions()->SetPrintOnSheet(0);
    report->PreviewOptions()->SetZoom(1.0);

    TfrxDataPage *data = report->EnsureDataPage();
    data->SetWidth(1000);
    data->SetHeight(1000);
    auto *page = new TfrxReportPage(report);
    page->SetName(QStringLiteral("Page1"));
    page->SetOrientation(frx::poPortrait);
    page->SetPaperSize(9); // A4 from the paper table: 210 × 297 mm
    page->SetLeftMargin(10);
    page->SetRightMargin(10);
    page->SetTopMargin(10);
    page->SetBottomMargin(10);

    report->Datasets()->Add(frxUserDataSet1);
    report->SetDataSet(frxUserDataSet1);
}

void TTavrelForm::frxUserDataSet1First(TfrxDataSet *)
{
    m_record = 0;
    CurrRow = m_rowList.isEmpty() ? RowStart : m_rowList[0];
    if (PrintRunning == 1)
        ReachedRows.append(CurrRow);
}

void TTavrelForm::frxUserDataSet1Next(TfrxDataSet *)
{
    ++m_record;
    CurrRow = m_record < m_rowList.size() ? m_rowList[m_record] : CurrRow + 1;
    if (PrintRunning == 1)
        ReachedRows.append(CurrRow);
}

void TTavrelForm::frxUserDataSet1GetValue(const QString &varName, Variant &value)
{
    try {
        value = Variant(QStringLiteral("null"));
        if (OrderRows.empty()) {
            value = Variant(varName);
            return;
        }
        for (int j = 0; j < OrderColumns.size(); ++j) {
            if (OrderColumns[j].ColName == varName) {
                if (CurrRow < 0 || size_t(CurrRow) >= OrderRows.size())
                    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(CurrRow));
                value = Variant(ShownOrderValue(OrderRows[size_t(CurrRow)].LookupValue(QStringLiteral("C%1").arg(j + 1))));
                return;
            }
        }
    } catch (const std::exception &) {
        value = Variant(varName);
    }
}

namespace {

// Lowers PrintRunning whatever way a print run ends, so that a run stopped by an error never lets a
// later preview mark rows.
class RunningFlag {
public:
    explicit RunningFlag(int &flag) : m_flag(flag) { m_flag = 1; }
    ~RunningFlag() { m_flag = 0; }
    RunningFlag(const RunningFlag &) = delete;
    RunningFlag &operator=(const RunningFlag &) = delete;

private:
    int &m_flag;
};

// The first report page; dialog pages before it run before the build and print nothing.
TfrxReportPage *FirstPrintablePage(TfrxReport *report, const QString &path)
{
    for (int i = 0; i < report->PagesCount(); ++i)
        if (auto *page = qobject_cast<TfrxReportPage *>(report->Pages(i)))
            return page;
    throw Exception(QStringLiteral("模板文件中没有可打印的页面: %1").arg(QDir::toNativeSeparators(path)));
}

// A reference to a field of the order dataset in an object's text or expression: FD."…", <FD."…">.
bool NamesOrderField(const QString &text)
{
    static const QRegularExpression reference(QStringLiteral("(?<![\\w.])FD\\s*\\.\\s*\""),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::UseUnicodePropertiesOption);
    return text.contains(QLatin1String("FD"), Qt::CaseInsensitive) && text.contains(reference);
}

// Whether an object prints something of dataset `fd`: bound to it, or a text property naming one
// of its fields.
bool PrintsFrom(const TfrxComponent *object, const TfrxDataSet *fd)
{
    if (auto *view = qobject_cast<const TfrxView *>(object); view && view->DataSet() == fd)
        return true;
    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (property.typeId() == QMetaType::QString) {
            if (NamesOrderField(property.read(object).toString()))
                return true;
        } else if (property.typeId() == QMetaType::QStringList) {
            for (const QString &line : property.read(object).toStringList())
                if (NamesOrderField(line))
                    return true;
        }
    }
    return false;
}

} // namespace

QString TTavrelForm::OrdersNotWalkedProblem() const
{
    const TfrxDataSet *fd = frxUserDataSet1;
    if (frxReport1->DataSet() == fd)
        return {};
    bool printsOrders = false;
    for (int i = 0; i < frxReport1->PagesCount(); ++i) {
        auto *page = qobject_cast<TfrxReportPage *>(frxReport1->Pages(i));
        if (!page)
            continue;
        if (page->DataSet() == fd)
            return {};
        for (TfrxComponent *object : page->AllObjects()) {
            if (auto *band = qobject_cast<TfrxDataBand *>(object); band && band->DataSet() == fd)
                return {};
            printsOrders = printsOrders || PrintsFrom(object, fd);
        }
    }
    if (!printsOrders)
        return {};
    return QStringLiteral("模板没有遍历订单: 报表的数据集 (DataSet) 为空, 每张快递单都会印出同一个订单。"
                          "请在模板设计中把报表绑定到 FD (Report → Data 勾选 FD, 再在对象查看器中把报表的 "
                          "DataSet 设为 FD)");
}

void TTavrelForm::CheckOrdersWalked() const
{
    const QString problem = OrdersNotWalkedProblem();
    if (!problem.isEmpty())
        throw EOrdersNotWalked(problem);
}

void TTavrelForm::SetOrderFields()
{
    QStringList fields;
    fields.reserve(OrderColumns.size());
    for (const TColumn &column : std::as_const(OrderColumns))
        fields.append(column.ColName);
    frxUserDataSet1->SetFields(fields);
}

void TTavrelForm::PrintOptionsForRun(TfrxPrintOptions *options)
{
    options->SetPageNumbers(QString());
    options->SetPrintPages(frx::ppAll);
    options->SetCopies(1);
    options->SetCollate(true);
    if (options->PrintMode() == frx::pmSplit || options->PrintMode() == frx::pmJoin)
        options->SetPrintMode(frx::pmDefault);
}

void TTavrelForm::SetRange(int start, int count)
{
    frxUserDataSet1->SetRangeEnd(frx::reCount);
    SetRangeStart(start);
    SetRangeEnd(start + count - 1);
    frxUserDataSet1->SetRangeEndCount(count);
}

bool TTavrelForm::PrintAll()
{
    return PrintRange(0, int(OrderRows.size()));
}

bool TTavrelForm::PrintOne(int index)
{
    return PrintRange(index, 1);
}

bool TTavrelForm::PrintRows(const QList<int> &rows)
{
    if (rows.isEmpty())
        return false;
    struct RowList {
        QList<int> &list;
        RowList(QList<int> &l, const QList<int> &rows) : list(l) { list = rows; }
        ~RowList() { list.clear(); }
    } walk(m_rowList, rows);
    return PrintRange(rows.first(), int(rows.size()));
}

bool TTavrelForm::BuildRun(int start, int count)
{
    ReachedRows.clear();
    SetRange(start, count);
    if (!CurrTemplate)
        throw Exception(QStringLiteral("请选择打印模板!"));
    const QString path = CurrTemplate->LayoutPath();
    if (!frxLinkedLayoutProblem(path).isEmpty())
        throw Exception(QStringLiteral("模板文件 %1 是指向模板文件夹以外的链接, 不会读取或写入")
                            .arg(QDir::toNativeSeparators(path)));
    // A missing layout would leave a report without pages and end in a bare index error; the
    // seller needs to know which file is gone.
    if (!QFileInfo::exists(path))
        throw Exception(QStringLiteral("模板文件不存在: %1").arg(QDir::toNativeSeparators(path)));
    frxLoadFromFile(*frxReport1, path);
    if (RefuseLoadErrors && !frxReport1->Errors().isEmpty())
        throw Exception(QStringLiteral("模板文件载入时出错, 没有打印 (--force 照样打印): %1\n%2")
                            .arg(QDir::toNativeSeparators(path), frxReport1->Errors().join(QLatin1Char('\n'))));
    TfrxReportPage *page = FirstPrintablePage(frxReport1, path);
    CheckOrdersWalked();
    SetOrderFields();
    // Whole numbers used as millimetres: left and right (top and bottom) change by opposite amounts,
    // so the printable area keeps the paper's size and the content moves by the offsets.
    page->SetLeftMargin(CurrHAO);
    page->SetRightMargin(-CurrHAO);
    page->SetTopMargin(CurrVAO);
    page->SetBottomMargin(-CurrVAO);
    frxReport1->PrintOptions()->SetPrinter(CurrPrinter);
    frxReport1->PrintOptions()->SetShowDialog(false);
    return frxReport1->BuildPages(true);
}

bool TTavrelForm::BuildRange(int start, int count)
{
    RunningFlag running(PrintRunning);
    return BuildRun(start, count);
}

bool TTavrelForm::PrintRange(int start, int count)
{
    // A printer that is no longer installed would let the job fall to whichever printer is current.
    if (PrintToFile.isEmpty() && !PrinterInstalled(CurrPrinter) && Printers().HasPhysicalPrinters())
        throw Exception(QStringLiteral("打印机不存在: %1").arg(CurrPrinter));
    RunningFlag running(PrintRunning);
    // A build that failed has been reported by the engine and has nothing to print.
    if (!BuildRun(start, count))
        return false;
    // A cancelled build has only some of the pages: none of them is printed or marked.
    if (frxReport1->Terminated())
        return false;
    TfrxCustomPreviewPages *pages = frxReport1->PreviewPages();
    if (!pages || pages->Count() == 0)
        return false;
    // Set after the build: the build puts the report back from its snapshot, which holds only
    // what a layout file holds.
    frxReport1->PrintOptions()->SetFileName(PrintToFile);
    // The layout's own options come back after the run (a new template is saved from this state).
    struct LayoutOptions {
        TfrxPrintOptions *options;
        TfrxPrintOptions saved;
        ~LayoutOptions() { *options = saved; }
    } layoutOptions{frxReport1->PrintOptions(), *frxReport1->PrintOptions()};
    PrintOptionsForRun(frxReport1->PrintOptions());
    // Which pages the job drew: a script of the layout may still change the options while the
    // job runs, and rows are marked only when every page of the run went out.
    int taken = 0;
    struct PageCount {
        TfrxReport *report;
        std::function<void(TfrxReportPage *, int)> previous;
        ~PageCount() { report->OnPrintPage = previous; }
    } pageCount{frxReport1, frxReport1->OnPrintPage};
    frxReport1->OnPrintPage = [&taken, previous = pageCount.previous](TfrxReportPage *page, int copyNo) {
        ++taken;
        if (previous)
            previous(page, copyNo);
    };
    const int made = pages->Count();
    if (!frxReport1->PrintPrepared())
        return false;
    if (taken < made)
        throw Exception(QStringLiteral("打印机只收到 %1 页 (共 %2 页), 订单没有标记为已打印").arg(taken).arg(made));
    for (int row : std::as_const(ReachedRows)) {
        Journal::RecordPrinted(row); // the run in progress, if the caller journals it
        if (MarkPrinted)
            MarkPrinted(row);
    }
    return true;
}

void TTavrelForm::LoadForPreview(const TTemplatePtr &t, int start, int count)
{
    // A missing layout leaves the report empty: the preview then opens empty.
    frxLoadFromFile(*frxReport1, t->LayoutPath());
    SetOrderFields();
    SetRange(start, count);
    CheckOrdersWalked();
}

bool TTavrelForm::DesignFile(const QString &fileName)
{
    // A link out of the template's folder is neither read nor written: no designer on it.
    if (const QString linked = frxLinkedLayoutProblem(fileName); !linked.isEmpty()) {
        Ui::Message(linked, QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    // What the file holds, to tell whether the user saved: only a layout file of sane size (a link
    // out of its folder is not read, a device or a pipe not waited for).
    auto contents = [&fileName] {
        QByteArray bytes;
        QString why;
        if (!frxLinkedLayoutProblem(fileName).isEmpty() ||
            !ConfinedFile::ReadRegular(fileName, frxMaxLayoutBytes, bytes, why))
            bytes.clear();
        return bytes;
    };
    const QByteArray before = contents();
    try {
        frxLoadFromFile(*frxReport1, fileName);
    } catch (const std::exception &e) {
        Ui::Message(ExceptionText(e), QStringLiteral("Error"), UiIcon::Error);
    }
    // A layout that is not there yet is made there when the user saves.
    if (frxReport1->FileName().isEmpty())
        frxReport1->SetFileName(fileName);
    SetOrderFields();
    if (frxReport1->Datasets()->Count() == 0)
        frxReport1->Datasets()->Add(frxUserDataSet1);
    // A layout made anew walks the orders like the ready templates do.
    if (before.isEmpty() && !frxReport1->DataSet())
        frxReport1->SetDataSet(frxUserDataSet1);
    frxReport1->OpenDesigner(true, false);
    return contents() != before;
}

bool TTavrelForm::Design(const TTemplatePtr &t)
{
    // The designer's title names the template as the catalogue does.
    frxReport1->setProperty(frxDesignTitleProperty, t->TmpName);
    struct ClearTitle {
        TfrxReport *report;
        ~ClearTitle() { report->setProperty(frxDesignTitleProperty, QVariant()); }
    } clear{frxReport1};
    return DesignFile(t->LayoutPath());
}

int TTavrelForm::TemplatePreviewRows()
{
    const int rows = int(OrderRows.size());
    return rows == 0 ? 1 : std::min(rows, 10);
}

void TTavrelForm::ShowPreview(const TTemplatePtr &t, int start, int count)
{
    // The window opens even when loading failed (on what could be loaded); the error follows. A
    // template that does not walk the orders opens nothing: the message says how to mend it.
    try {
        LoadForPreview(t, start, count);
    } catch (const EOrdersNotWalked &) {
        throw;
    } catch (...) {
        frxReport1->ShowReport(true);
        throw;
    }
    frxReport1->ShowReport(true);
}

void TTavrelForm::PreviewOne(const TTemplatePtr &t, int row)
{
    ShowPreview(t, row, 1);
}

void TTavrelForm::PreviewTemplate(const TTemplatePtr &t)
{
    ShowPreview(t, 0, TemplatePreviewRows());
}

bool TTavrelForm::PrinterInstalled(const QString &name)
{
    if (!Printers().HasPhysicalPrinters() || Printers().IndexOf(name) < 0)
        Printers().Refresh();
    return Printers().HasPhysicalPrinters() && Printers().IndexOf(name) >= 0;
}

void TTavrelForm::SaveEmptyLayout(const QString &path, double widthMm, double heightMm)
{
    TfrxReportPage *page = FirstPrintablePage(frxReport1, path);
    page->ClearObjects();
    page->SetLeftMargin(0);
    page->SetRightMargin(0);
    page->SetTopMargin(0);
    page->SetBottomMargin(0);
    page->SetPaperWidth(widthMm);
    page->SetPaperHeight(heightMm);
    // The scan a seller lays the fields over is the carrier's pre-printed form: never print it.
    page->SetBackPicturePrintable(false);
    frxSaveToFile(*frxReport1, path);
}
