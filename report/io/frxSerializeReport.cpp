#include "report/io/frxSerializeReport.h"

#include "platform/ConfinedFile.h"
#include "platform/Exception.h"
#include "platform/SafeFile.h"
#include "platform/Ui.h"
#include "report/core/frxClassRegistry.h"
#include "report/core/frxErrors.h"
#include "report/core/frxRes.h"
#include "report/io/frxTemplateFiles.h"
#include "report/io/frxXML.h"
#include "report/io/frxXMLSerializer.h"
#include "report/model/frxReport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>

#include <memory>

namespace {

TfrxPasswordQuery &PasswordQuery()
{
    static TfrxPasswordQuery query;
    return query;
}

QString Res(const char *key, const char *fallback)
{
    const QString k = QString::fromLatin1(key);
    return frxResources().Has(k) ? frxResources().Get(k) : QString::fromUtf8(fallback);
}

bool HasDrive(const QString &path)
{
    return path.size() >= 2 && path[1] == u':' && path[0].unicode() < 128 && path[0].isLetter();
}

} // namespace

QString frxRelativeParentReport(const QString &parent, const QString &fileName)
{
    if (!HasDrive(parent))
        return parent;
    QString file = QDir::fromNativeSeparators(fileName);
    file.replace(u'\\', u'/');
    if (!HasDrive(file))
        file = QFileInfo(fileName).absoluteFilePath();
    if (!HasDrive(file) || file[0].toUpper() != parent[0].toUpper())
        return parent;
    QString target = parent;
    target.replace(u'\\', u'/');
    QStringList base = file.split(u'/', Qt::SkipEmptyParts);
    base.removeLast(); // the file name
    const QStringList parts = target.split(u'/', Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < base.size() && common < parts.size() - 1 &&
           base[common].compare(parts[common], Qt::CaseInsensitive) == 0)
        ++common;
    QStringList relative;
    for (qsizetype i = common; i < base.size(); ++i)
        relative << QStringLiteral("..");
    relative << parts.mid(common);
    return relative.join(u'\\');
}

namespace {

// What a load keeps from before it: the options the host program set, not the file.
struct RememberedOptions {
    explicit RememberedOptions(const TfrxReport &report)
        : engine(*report.EngineOptions()), preview(*report.PreviewOptions()), iniFile(report.IniFile()),
          previewWindow(report.Preview()), oldStyleProgress(report.OldStyleProgress()),
          showProgress(report.ShowProgress()), storeInDFM(report.StoreInDFM())
    {
    }

    void Restore(TfrxReport &report) const
    {
        // These few come from the file; everything else of the two groups stays the host's.
        TfrxEngineOptions e = engine;
        const TfrxEngineOptions &loadedEngine = *report.EngineOptions();
        e.SetConvertNulls(loadedEngine.ConvertNulls());
        e.SetIgnoreDevByZero(loadedEngine.IgnoreDevByZero());
        e.SetDoublePass(loadedEngine.DoublePass());
        *report.EngineOptions() = e;

        TfrxPreviewOptions p = preview;
        const TfrxPreviewOptions &loadedPreview = *report.PreviewOptions();
        p.SetOutlineVisible(loadedPreview.OutlineVisible());
        p.SetOutlineWidth(loadedPreview.OutlineWidth());
        p.SetOutlineExpand(loadedPreview.OutlineExpand());
        p.SetPagesInCache(loadedPreview.PagesInCache());
        p.SetThumbnailVisible(loadedPreview.ThumbnailVisible());
        *report.PreviewOptions() = p;

        report.SetIniFile(iniFile);
        report.SetPreview(previewWindow);
        report.SetOldStyleProgress(oldStyleProgress);
        report.SetShowProgress(showProgress);
        report.SetStoreInDFM(storeInDFM);
    }

    TfrxEngineOptions engine;
    TfrxPreviewOptions preview;
    QString iniFile;
    QPointer<QWidget> previewWindow;
    bool oldStyleProgress;
    bool showProgress;
    bool storeInDFM;
};

// Reads the header and the first element with its subtree. Old single-byte documents are read
// value by value: bytes that form UTF-8 as UTF-8, others in the legacy code page. Their attribute
// values are legacy text while their memo texts were written as UTF-8, and taking the bytes as
// they are keeps both (decoding all of it as legacy text first would garble the UTF-8 parts).
std::unique_ptr<TfrxXMLItem> ReadLayout(QIODevice *stream, bool &truncated)
{
    auto root = std::make_unique<TfrxXMLItem>();
    TfrxXMLReader reader(stream);
    reader.ReadHeader();
    reader.SetOldVersion(false);
    reader.ReadItem(root.get());
    truncated = reader.Truncated();
    return root;
}

void ReadDocument(TfrxReport &report, TfrxXMLItem *root, bool truncated, TfrxXMLSerializer &serializer)
{
    if (root->Name().isEmpty())
        throw TfrxInvalidXMLException(); // a header and nothing else
    if (root->Name() == QLatin1String("TfrxReport")) {
        serializer.ReadComponent(root, &report);
    } else {
        // Not a layout (a single page, a prepared report, another program's document): take what
        // fits. A component class becomes an object of the report; any other root lends its
        // attributes and children to the report.
        serializer.AddError(Res("SNotALayout", "The file holds %1, not TfrxReport; only what fits was loaded")
                                .replace(QLatin1String("%1"), root->Name()));
        if (root->Name() != QLatin1String("inherited") && frxFindClass(root->Name()))
            serializer.ReadElement(root, &report);
        else
            serializer.ReadComponent(root, &report);
    }
    if (truncated)
        serializer.AddError(Res("SFileTruncated", "The file ends before the layout is complete"));
    serializer.ResolveReferences();
}

// ---- inherited layouts ----

// Reads the chain of ancestor layouts of a layout (ParentReport, a file name relative to the
// folder of baseFile) into the report, the farthest ancestor first, and marks everything read as
// introduced by an ancestor. A missing ancestor or one that leads back to a layout of the chain is
// named in the errors; what was read up to there stays.
void ReadAncestors(TfrxReport &report, const QString &parentReport, const QString &baseFile,
                   QStringList &chain, TfrxXMLSerializer &errors)
{
    QString name = parentReport.trimmed();
    name.replace(u'\\', u'/');
    // Only a layout of the same folder or of the template tree: one the reader cannot have (outside
    // them, missing, a pipe, too large) is missing, whatever the reason.
    QStringList folders;
    if (!baseFile.isEmpty())
        folders << QFileInfo(baseFile).absolutePath();
    if (const QString tree = frxTemplateTree(); !tree.isEmpty())
        folders << tree;
    QByteArray bytes;
    QString why, path;
    if (!ConfinedFile::Read(name, folders, frxMaxLayoutBytes, bytes, why, &path)) {
        errors.AddError(Res("SAncestorMissing", "Cannot find the ancestor layout %1")
                            .replace(QLatin1String("%1"), parentReport));
        return;
    }
    const QString canonical = path;
    if (chain.contains(canonical) || chain.size() >= 32) {
        errors.AddError(Res("SAncestorCycle", "The ancestor layout %1 inherits from its own descendant")
                            .replace(QLatin1String("%1"), parentReport));
        return;
    }
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    chain.append(canonical);
    try {
        bool truncated = false;
        std::unique_ptr<TfrxXMLItem> root = ReadLayout(&file, truncated);
        if (root->Name() != QLatin1String("TfrxReport"))
            throw TfrxInvalidXMLException();
        const QString grandParent = root->Prop(QStringLiteral("ParentReport"));
        if (!grandParent.isEmpty())
            ReadAncestors(report, grandParent, path, chain, errors);
        TfrxXMLSerializer serializer(&report);
        serializer.ReadComponent(root.get(), &report);
        serializer.ResolveReferences();
        serializer.FinishLoading();
        for (const QString &error : serializer.Errors())
            errors.AddError(error);
    } catch (const std::exception &e) {
        errors.AddError(Res("SAncestorDamaged", "The ancestor layout %1 could not be read: %2")
                            .replace(QLatin1String("%1"), parentReport)
                            .replace(QLatin1String("%2"), ExceptionText(e)));
    }
    chain.removeLast();
    // The data page comes first in the ancestor as in any layout, so the child's finds it there.
    report.EnsureDataPage();
    for (TfrxComponent *component : report.AllObjects())
        component->SetIsAncestor(true);
}

// Undoes the changes a save makes to the report for the time of writing.
class SaveState {
public:
    explicit SaveState(TfrxReport &report)
        : m_report(report), m_preview(report.Preview()), m_password(report.ReportOptions()->Password())
    {
        report.SetPreview(nullptr);
        report.ReportOptions()->SetPassword(frxEncodePassword(m_password));
    }
    ~SaveState()
    {
        m_report.SetPreview(m_preview);
        m_report.ReportOptions()->SetPassword(m_password);
    }

private:
    TfrxReport &m_report;
    QPointer<QWidget> m_preview;
    QString m_password;
};

void LoadReport(TfrxReport &report, QIODevice *stream, const QString &lastPassword)
{
    report.ClearErrors();
    const RememberedOptions options(report);
    // Objects of an earlier layout's ancestor go too: the ancestor is read again below.
    for (TfrxComponent *component : report.AllObjects())
        component->SetIsAncestor(false);
    report.ClearObjects();

    TfrxXMLSerializer serializer(&report);
    serializer.SetReleaseTexts(true);
    serializer.SetKeepAsRead(true);
    try {
        bool truncated = false;
        std::unique_ptr<TfrxXMLItem> root = ReadLayout(stream, truncated);
        if (root->Name() == QLatin1String("TfrxReport")) {
            const QString parent = root->Prop(QStringLiteral("ParentReport"));
            if (!parent.isEmpty()) {
                QStringList chain;
                if (!report.FileName().isEmpty())
                    chain << QFileInfo(report.FileName()).canonicalFilePath();
                ReadAncestors(report, parent, report.FileName(), chain, serializer);
            }
        }
        ReadDocument(report, root.get(), truncated, serializer);
        serializer.FinishLoading();
        for (const QString &error : serializer.Errors())
            report.AddError(error);
    } catch (const std::exception &e) {
        // What was created stays, but no object may remain in the loading state.
        serializer.FinishLoading();
        report.AddError(ExceptionText(e));
    }

    report.EnsureDataPage();
    options.Restore(report);

    TfrxReportOptions *reportOptions = report.ReportOptions();
    const QString password = frxDecodePassword(reportOptions->Password());
    reportOptions->SetPassword(password);
    report.SetLastPassword(lastPassword); // the reset above forgot it
    if (!password.isEmpty() && password != lastPassword) {
        QString entered;
        const TfrxPasswordQuery &query = PasswordQuery();
        if (query && query(entered) && entered == password) {
            report.SetLastPassword(password);
        } else {
            report.AddError(frxGet(QStringLiteral("SInvalidPassword")));
            // The layout is dropped before anything is shown, so that a re-thrown error leaves
            // no protected content behind.
            report.ClearObjects();
            frxShowErrors(report);
            return;
        }
    }
    // What the file holds beyond the model, and the spelling of its values, compared with what a
    // save would write now.
    try {
        SaveState saving(report);
        serializer.KeepReadAttributes();
    } catch (const std::exception &e) {
        report.AddError(ExceptionText(e));
    }
    if (!report.Errors().isEmpty())
        frxShowErrors(report);
}

void WriteDocument(TfrxComponent &component, TfrxReport *report, QIODevice *stream, bool saveChildren,
                   bool saveDefaultValues)
{
    TfrxXMLDocument document;
    document.SetAutoIndent(true);
    TfrxXMLSerializer serializer(report);
    serializer.SetSaveDefaultValues(saveDefaultValues);
    serializer.SetWriteAsRead(true);
    // An inherited layout keeps only what differs from its ancestor, so that a change of the
    // ancestor reaches it.
    std::unique_ptr<TfrxReport> ancestor;
    if (report && &component == report && !report->ParentReport().isEmpty()) {
        bool inherits = false;
        for (TfrxComponent *c : report->AllObjects())
            inherits = inherits || c->IsAncestor();
        if (inherits) {
            ancestor = std::make_unique<TfrxReport>();
            QStringList chain;
            if (!report->FileName().isEmpty())
                chain << QFileInfo(report->FileName()).canonicalFilePath();
            TfrxXMLSerializer ignored(ancestor.get());
            ReadAncestors(*ancestor, report->ParentReport(), report->FileName(), chain, ignored);
            serializer.SetAncestor(ancestor.get());
        }
    }
    serializer.WriteComponent(&component, document.Root(), saveChildren);
    document.SaveToStream(stream);
}

} // namespace

TfrxPasswordQuery frxSetPasswordQuery(TfrxPasswordQuery query)
{
    TfrxPasswordQuery previous = std::move(PasswordQuery());
    PasswordQuery() = std::move(query);
    return previous;
}

// ---- the report -------------------------------------------------------------------------------------

void frxSaveToStream(TfrxReport &report, QIODevice *stream, bool saveChildren, bool saveDefaultValues)
{
    SaveState state(report);
    WriteDocument(report, &report, stream, saveChildren, saveDefaultValues);
}

void frxLoadFromStream(TfrxReport &report, QIODevice *stream)
{
    LoadReport(report, stream, report.LastPassword());
}

void frxSaveToFile(TfrxReport &report, const QString &fileName)
{
    // A link out of the layout's folder (a template from a stranger) would write over whatever it
    // names, or create it.
    if (const QString linked = frxLinkedLayoutProblem(fileName); !linked.isEmpty())
        throw EFileError(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), linked));
    // A device or a pipe under the name is never replaced by a file.
    const QString problem = SafeFile::OutputProblem(fileName);
    if (!problem.isEmpty())
        throw EFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), problem));
    report.SetParentReport(frxRelativeParentReport(report.ParentReport(), fileName));
    // Written beside the old file and renamed over it when complete, with the old file's mode.
    SafeFile::OutputFile output(fileName);
    QString why;
    QFile file;
    if (output.Open(why)) {
        file.setFileName(output.TempPath());
        if (!file.open(QIODevice::WriteOnly))
            why = file.errorString();
    }
    if (!why.isEmpty())
        throw EFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), why));
    try {
        frxSaveToStream(report, &file);
    } catch (const EFileError &) {
        // The writer names neither the file nor a full disk: said below, by the file's name.
        why = SafeFile::WriteFailure(fileName, file.errorString());
    }
    if (why.isEmpty() && SafeFile::FinishWrite(file, fileName, why))
        output.Commit(why);
    if (!why.isEmpty())
        throw EFileError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), why));
}

bool frxLoadFromFile(TfrxReport &report, const QString &fileName, bool exceptionIfNotFound)
{
    const QString lastPassword = report.LastPassword();
    report.ClearObjects();
    report.ClearErrors(); // those of the previous layout say nothing about this file
    report.SetFileName(QString());
    if (const QString linked = frxLinkedLayoutProblem(fileName); !linked.isEmpty())
        throw EFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), linked));
    const bool exists = !fileName.isEmpty() && QFileInfo::exists(fileName);
    if (!exists && !exceptionIfNotFound)
        return false;
    // Only a regular file of a sane size: a device would be read for ever.
    QByteArray bytes;
    QString why;
    if (!SafeFile::ReadRegularFile(fileName, frxMaxLayoutBytes, bytes, why))
        throw EFileError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(fileName), why));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    report.SetFileName(fileName);
    LoadReport(report, &file, lastPassword);
    return exists;
}

// ---- single components --------------------------------------------------------------------------------

void frxSaveToStream(TfrxComponent &component, QIODevice *stream, bool saveChildren, bool saveDefaultValues)
{
    if (auto *report = qobject_cast<TfrxReport *>(&component)) {
        frxSaveToStream(*report, stream, saveChildren, saveDefaultValues);
        return;
    }
    WriteDocument(component, component.Report(), stream, saveChildren, saveDefaultValues);
}

QStringList frxLoadFromStream(TfrxComponent &component, QIODevice *stream)
{
    if (auto *report = qobject_cast<TfrxReport *>(&component)) {
        frxLoadFromStream(*report, stream);
        return report->Errors();
    }
    component.ClearObjects();
    bool truncated = false;
    std::unique_ptr<TfrxXMLItem> root = ReadLayout(stream, truncated);
    TfrxReport *report = component.Report();
    TfrxXMLSerializer serializer(report);
    if (!root->Name().isEmpty())
        serializer.ReadComponent(root.get(), &component);
    serializer.ResolveReferences();
    serializer.FinishLoading();
    if (report)
        for (const QString &error : serializer.Errors())
            report->AddError(error);
    return serializer.Errors();
}

QString frxComponentToText(TfrxComponent &component)
{
    TfrxXMLSerializer serializer(component.Report());
    const bool wasWriting = component.IsWriting();
    component.SetIsWriting(true);
    QString text = component.ClassName() + serializer.ObjToXML(TfrxPropTarget(&component));
    component.SetIsWriting(wasWriting);
    return text;
}

void frxWriteComponentTag(TfrxComponent &component, QIODevice *stream)
{
    stream->write((QLatin1Char('<') + frxComponentToText(component) + QLatin1String("/>")).toUtf8());
}

TfrxComponent *frxComponentFromText(const QString &text, TComponent *owner, QStringList *errors)
{
    QString body = text.trimmed();
    if (body.startsWith(u'<')) {
        body.remove(0, 1);
        if (body.endsWith(QLatin1String("/>")))
            body.chop(2);
        else if (body.endsWith(u'>'))
            body.chop(1);
    }
    TfrxReport *report = qobject_cast<TfrxReport *>(owner);
    if (!report)
        if (auto *component = qobject_cast<TfrxComponent *>(owner))
            report = component->Report();
    TfrxXMLSerializer serializer(report);
    TfrxComponent *component = serializer.CreateFromText(body, owner);
    serializer.ResolveReferences();
    serializer.FinishLoading();
    if (errors)
        *errors = serializer.Errors();
    return component;
}

QStringList frxApplyAttributes(const TfrxPropTarget &object, const QString &text, TfrxReport *report)
{
    TfrxXMLSerializer serializer(report);
    serializer.XMLToObj(text, object);
    serializer.ResolveReferences();
    return serializer.Errors();
}

// ---- errors -----------------------------------------------------------------------------------------

QString frxErrorListText(const QStringList &errors)
{
    QString text = frxGet(QStringLiteral("SErrorList")) + QLatin1String("\r\n");
    for (const QString &error : errors)
        text += error + QLatin1String("\r\n");
    return text;
}

void frxShowErrors(const TfrxReport &report)
{
    const QString text = frxErrorListText(report.Errors());
    switch (report.EngineOptions()->NewSilentMode()) {
    case frx::simSilent:
        return;
    case frx::simReThrow:
        throw EReportError(text);
    default:
        Ui::Message(text, frxGet(QStringLiteral("SError")), UiIcon::Error);
        return;
    }
}
