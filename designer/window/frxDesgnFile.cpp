// The designer's file commands: new report, page and dialog, open, save, recent files and the
// question before a modified report is closed or replaced.
#include "designer/window/frxDesgn.h"

#include "designer/inspector/frxInsp.h"

#include "designer/window/frxDesgnPrivate.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "platform/Exception.h"
#include "platform/Ui.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QMenu>

namespace {

const QString ReportFilter = QStringLiteral("Report (*.fr3)|*.fr3");

// Day number since 1899-12-30 with the time as the fraction.
double NowAsDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
    return base.msecsTo(now) / 86400000.0;
}

} // namespace

bool TfrxDesignerForm::AskSaveChanges()
{
    d->inspector->ApplyPending();
    d->StoreScript();
    if (!m_modified)
        return true;
    // The table's text ends in a blank and one more goes before the name.
    const QString text =
        QStringLiteral("Save changes to ") + QLatin1Char(' ') + ReportTitle() + QLatin1Char('?');
    switch (Ui::AskYesNoCancel(text, QStringLiteral("Confirm"))) {
    case UiAnswer::Yes:
    case UiAnswer::All:
        return SaveFile(false, true);
    case UiAnswer::No:
        return true;
    default:
        return false;
    }
}

void TfrxDesignerForm::closeEvent(QCloseEvent *event)
{
    d->inspector->ApplyPending();
    d->StoreScript();
    if (d->codeChanged && !m_page) {
        d->codeChanged = false;
        SetModified(true);
    }
    const bool wasModified = m_modified;
    QString answerNo;
    if (m_modified) {
        const QString text =
            QStringLiteral("Save changes to ") + QLatin1Char(' ') + ReportTitle() + QLatin1Char('?');
        const UiAnswer answer = Ui::AskYesNoCancel(text, QStringLiteral("Confirm"));
        if (answer == UiAnswer::Cancel ||
            ((answer == UiAnswer::Yes || answer == UiAnswer::All) && !SaveFile(false, true))) {
            // Cancelled, or the save did not happen (dialog cancelled, folder read-only): stay open.
            event->ignore();
            return;
        }
        // The report tells its caller whether the layout on disk changed in this session.
        m_modified = answer != UiAnswer::No;
    }
    Q_UNUSED(wasModified);
    d->SaveSettings();
    Report()->SetModified(m_modified);
    event->accept();
    emit Closed();
}

void TfrxDesignerForm::AddRecentFile(const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    QStringList &recent = d->state.RecentFiles;
    recent.removeAll(fileName);
    recent.append(fileName);
    while (recent.size() > 8)
        recent.removeFirst();
    d->UpdateRecentMenu();
}

void TfrxDesignerForm::Private::UpdateRecentMenu()
{
    for (QAction *item : std::as_const(recentItems)) {
        fileMenu->removeAction(item);
        delete item;
    }
    recentItems.clear();
    // Newest first, right above the separator before Exit.
    const QList<QAction *> all = fileMenu->actions();
    const qsizetype exitAt = all.indexOf(actions.value(QStringLiteral("ExitCmd")));
    QAction *before = exitAt > 0 ? all[exitAt - 1] : nullptr;
    for (qsizetype i = state.RecentFiles.size() - 1; i >= 0; --i) {
        const QString name = state.RecentFiles[i];
        auto *item = new QAction(name, fileMenu);
        QObject::connect(item, &QAction::triggered, q, [this, name] { q->OpenFile(name, false); });
        fileMenu->insertAction(before, item);
        recentItems << item;
    }
    recentSeparator->setVisible(!state.RecentFiles.isEmpty());
}

bool TfrxDesignerForm::SaveFile(bool saveAs, bool fromCommand)
{
    d->inspector->ApplyPending();
    Q_UNUSED(fromCommand);
    TfrxReport *report = Report();
    d->StoreScript();
    report->ReportOptions()->SetLastChange(NowAsDateTime());
    QString fileName = report->FileName();
    if (saveAs || fileName.isEmpty()) {
        fileName = Ui::SaveFileName(ReportFilter, QStringLiteral("Save As"), ReportTitle());
        if (fileName.isEmpty())
            return false;
        if (QFileInfo(fileName).suffix().isEmpty())
            fileName += QStringLiteral(".fr3");
        report->ReportOptions()->SetCompressed(false);
    } else if (d->loadFailed) {
        // The file did not load: what the designer shows is not what the file holds.
        if (!Ui::Ask(QStringLiteral("The file %1 could not be loaded. Replace it with the report shown?")
                         .arg(QFileInfo(fileName).fileName()),
                     QStringLiteral("Confirm")))
            return false;
    }
    try {
        // Written to a temporary file first and put in place only when complete.
        frxSaveToFile(*report, fileName);
    } catch (const std::exception &e) {
        Ui::Message(ExceptionText(e), QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    report->SetFileName(fileName);
    d->loadFailed = false;
    AddRecentFile(fileName);
    d->UpdateCaption();
    // The saved state takes the place of the last snapshot rather than adding one that differs
    // only by its save time: the first Undo after a save still undoes the last change.
    TfrxCustomDesigner::SetModified(false);
    d->undo.ReplaceLast(*report);
    d->UpdateControls();
    return true;
}

bool TfrxDesignerForm::OpenFile(const QString &name, bool fromCommand)
{
    TfrxReport *report = Report();
    QString fileName = name;
    if (fileName.isEmpty()) {
        fileName = Ui::OpenFileName(ReportFilter, QStringLiteral("Open"));
        if (fileName.isEmpty())
            return false; // the dialog was cancelled: nothing changes
    }
    if (m_modified) {
        const QString text =
            QStringLiteral("Save changes to ") + QLatin1Char(' ') + ReportTitle() + QLatin1Char('?');
        const UiAnswer answer = Ui::AskYesNoCancel(text, QStringLiteral("Confirm"));
        if (answer == UiAnswer::Cancel)
            return false;
        if ((answer == UiAnswer::Yes || answer == UiAnswer::All) && !SaveFile(false, true))
            return false;
    }
    Lock();
    TfrxEngineOptions *options = report->EngineOptions();
    const frx::TfrxSilentMode silent = options->NewSilentMode();
    options->SetNewSilentMode(frx::simMessageBoxes);
    // The host's datasets (the order dataset) stay with the report whatever the file lists.
    QList<TfrxDataSet *> hostDataSets;
    for (int i = 0; i < report->Datasets()->Count(); ++i)
        if (TfrxDataSet *ds = report->Datasets()->Items(i)->DataSet())
            hostDataSets << ds;
    const bool exists = QFileInfo::exists(fileName);
    try {
        frxLoadFromFile(*report, fileName);
    } catch (const std::exception &e) {
        report->ClearObjects();
        if (fromCommand)
            Ui::Message(ExceptionText(e), QStringLiteral("Error"), UiIcon::Error);
    }
    options->SetNewSilentMode(silent);
    if (!exists)
        Ui::Message(QStringLiteral("Couldn't load file"), QStringLiteral("Error"), UiIcon::Error);
    if (report->Datasets()->Count() == 0)
        for (TfrxDataSet *ds : std::as_const(hostDataSets))
            report->Datasets()->Add(ds);
    d->CheckLoadFailed();
    m_modified = false;
    ReloadReport();
    return exists;
}

void TfrxDesignerForm::NewReport()
{
    if (m_modified && !AskSaveChanges())
        return;
    TfrxReport *report = Report();
    Lock();
    // The host's datasets stay: a waybill template made here still walks the order rows.
    QList<TfrxDataSet *> hostDataSets;
    for (int i = 0; i < report->Datasets()->Count(); ++i)
        if (TfrxDataSet *ds = report->Datasets()->Items(i)->DataSet())
            hostDataSets << ds;
    TfrxDataSet *reportDataSet = report->DataSet();
    const QString iniFile = report->IniFile();
    report->ClearObjects();
    report->SetFileName(QString());
    report->SetIniFile(iniFile);
    for (TfrxDataSet *ds : std::as_const(hostDataSets))
        report->Datasets()->Add(ds);
    if (reportDataSet && hostDataSets.contains(reportDataSet))
        report->SetDataSet(reportDataSet);

    TfrxDataPage *data = report->EnsureDataPage();
    data->SetName(QStringLiteral("Data"));
    data->SetWidth(1000);
    data->SetHeight(1000);
    auto *page = new TfrxReportPage(report);
    page->SetName(QStringLiteral("Page1"));
    page->SetDefaults();

    const double heights[] = {0.6 * fr1cm, 0.3 * 96, 20, 17};
    const double h = heights[std::clamp(d->units, 0, 3)];
    d->workspace->SetBandOptions(d->state.ShowBandCaptions, d->state.FreeBands, d->state.BandsGap);
    d->ApplyGrid();
    const double c = d->workspace->BandCaptionHeight();
    const double width = page->PrintableWidth();
    auto addBand = [&](TfrxBand *band, const QString &name, double top) {
        band->SetParent(page);
        band->SetName(name);
        band->SetBounds(0, top, width, h);
        return band;
    };
    addBand(new TfrxReportTitle(report), QStringLiteral("ReportTitle1"), c);
    addBand(new TfrxMasterData(report), QStringLiteral("MasterData1"), 2 * c + 2 * h);
    TfrxBand *footer = addBand(new TfrxPageFooter(report), QStringLiteral("PageFooter1"), 3 * c + 4 * h);
    auto *memo = new TfrxMemoView(report);
    memo->SetParent(footer);
    memo->SetName(QStringLiteral("Memo1"));
    memo->SetBounds((page->PaperWidth() - page->LeftMargin() - page->RightMargin() - 20) * fr01cm, 0,
                    2 * fr1cm, 0.5 * fr1cm);
    memo->SetHAlign(frx::haRight);
    memo->SetText(QStringLiteral("[Page#]"));
    d->loadFailed = false;
    m_modified = false;
    ReloadReport();
}

void TfrxDesignerForm::NewPage()
{
    TfrxReport *report = Report();
    // The template's first page gives the paper: a waybill's pages all print on the same form.
    TfrxReportPage *first = nullptr;
    for (int i = 0; i < report->PagesCount() && !first; ++i)
        first = qobject_cast<TfrxReportPage *>(report->Pages(i));
    auto *page = new TfrxReportPage(report);
    page->CreateUniqueName();
    page->SetDefaults();
    if (first) {
        page->SetOrientation(first->Orientation());
        page->SetPaperSize(first->PaperSize());
        page->SetPaperWidth(first->PaperWidth());
        page->SetPaperHeight(first->PaperHeight());
        page->SetLeftMargin(0);
        page->SetRightMargin(0);
        page->SetTopMargin(0);
        page->SetBottomMargin(0);
    }
    Lock();
    ReloadPages(report->PagesCount() - 1);
    SetModified(true);
}

void TfrxDesignerForm::NewDialog()
{
    TfrxReport *report = Report();
    auto *page = new TfrxDialogPage(report);
    page->CreateUniqueName();
    page->SetWidth(300);
    page->SetHeight(200);
    Lock();
    ReloadPages(report->PagesCount() - 1);
    SetModified(true);
}

void TfrxDesignerForm::DeletePage()
{
    TfrxReport *report = Report();
    TfrxPage *page = m_page;
    if (!page || report->PagesCount() <= 2 || qobject_cast<TfrxDataPage *>(page))
        return;
    Lock();
    delete page;
    m_page = nullptr;
    ReloadPages(-2);
    SetModified(true);
}
