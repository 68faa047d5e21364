// The report's side of a build: the checks, the snapshot of the layout around the engine run, the
// script preparation and the reporting of the collected errors.
#include "report/core/frxErrors.h"
#include "report/expr/frxScriptBridge.h"
#include "report/host/frxEngineBase.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxClass.h"
#include "script/fs_iinterpreter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryFile>

#include <memory>

TfrxCustomEngine *TfrxReport::Engine()
{
    if (!m_engine && frxEngineFactory())
        m_engine = frxEngineFactory()(this);
    return m_engine.get();
}

void TfrxReport::SetTerminated(bool value)
{
    m_terminated = value;
    if (value)
        if (TfsScript *script = Script())
            script->Terminate();
}

namespace {
TfrxReport::ProgressObserver *g_progressObserver = nullptr;
}

void TfrxReport::SetProgressObserver(ProgressObserver *observer)
{
    g_progressObserver = observer;
}

void TfrxReport::ScriptLineReached(TfsScript *sender)
{
    if (m_terminated) {
        sender->Terminate();
        return;
    }
    // The clock is read only every 64 statements: a tight loop runs several million a second.
    if (++m_scriptLines % 64 != 0)
        return;
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    const qint64 now = clock.elapsed();
    if (now - m_scriptEventsAt < 40)
        return;
    m_scriptEventsAt = now;
    if (!m_engineOptions.EnableThreadSafe() && QCoreApplication::instance())
        QCoreApplication::processEvents();
    if (m_terminated)
        sender->Terminate();
}

void TfrxReport::DoProgressStart(TfrxProgressKind kind)
{
    if (m_engineOptions.EnableThreadSafe())
        return;
    if (g_progressObserver)
        g_progressObserver->Start(this, int(kind));
    if (OnProgressStart)
        OnProgressStart(this, int(kind));
}

void TfrxReport::DoProgress(TfrxProgressKind kind, int progress)
{
    if (m_engineOptions.EnableThreadSafe())
        return;
    if (g_progressObserver)
        g_progressObserver->Progress(this, int(kind), progress);
    if (OnProgress)
        OnProgress(this, int(kind), progress);
}

void TfrxReport::DoProgressStop(TfrxProgressKind kind)
{
    if (m_engineOptions.EnableThreadSafe())
        return;
    if (g_progressObserver)
        g_progressObserver->Stop(this, int(kind));
    if (OnProgressStop)
        OnProgressStop(this, int(kind));
}

namespace {
// What report scripts may call on Engine.
void AddEngineMethods(TfsScript *script, TfrxCustomEngine *engine)
{
    TfsClassVariable *cls = script->FindClass(QString::fromLatin1(engine->metaObject()->className()));
    if (!cls || cls->FindMember(QStringLiteral("NewPage")))
        return;
    auto self = [](QObject *instance) { return qobject_cast<TfrxCustomEngine *>(instance); };
    cls->AddMethod(QStringLiteral("procedure NewPage"), [self](QObject *instance, TfsParams &) {
        if (TfrxCustomEngine *e = self(instance))
            e->NewPage();
        return Variant();
    });
    cls->AddMethod(QStringLiteral("procedure NewColumn"), [self](QObject *instance, TfsParams &) {
        if (TfrxCustomEngine *e = self(instance))
            e->NewColumn();
        return Variant();
    });
    cls->AddMethod(QStringLiteral("procedure StopReport"), [self](QObject *instance, TfsParams &) {
        if (TfrxCustomEngine *e = self(instance))
            e->StopReport();
        return Variant();
    });
    cls->AddMethod(QStringLiteral("function FreeSpace: Extended"), [self](QObject *instance, TfsParams &) {
        TfrxCustomEngine *e = self(instance);
        return e ? Variant(e->FreeSpace()) : Variant(0.0);
    });
    cls->AddMethod(QStringLiteral("procedure ShowBand(Band: TfrxBand)"),
                   [self](QObject *instance, TfsParams &params) {
                       if (TfrxCustomEngine *e = self(instance))
                           e->ShowBand(qobject_cast<TfrxBand *>(params[0].ToObject()));
                       return Variant();
                   });
    cls->AddMethod(QStringLiteral("procedure AddAnchor(const Text: String)"),
                   [self](QObject *instance, TfsParams &params) {
                       if (TfrxCustomEngine *e = self(instance))
                           e->AddAnchor(params[0].ToString());
                       return Variant();
                   });
    cls->AddMethod(QStringLiteral("function GetAnchorPage(const Text: String): Integer"),
                   [self](QObject *instance, TfsParams &params) {
                       TfrxCustomEngine *e = self(instance);
                       return e ? Variant(e->GetAnchorPage(params[0].ToString())) : Variant(0);
                   });
}

// Text of text objects: report code reads and sets it as Memo1.Text (the lines as one text).
void AddMemoText(TfsScript *script)
{
    TfsClassVariable *cls = script->ClassOf(&TfrxCustomMemoView::staticMetaObject);
    if (!cls || cls->FindMember(QStringLiteral("Text")))
        return;
    cls->AddProperty(
        QStringLiteral("Text"), QStringLiteral("String"),
        [](QObject *instance) {
            auto *memo = qobject_cast<TfrxCustomMemoView *>(instance);
            return memo ? Variant(memo->Text()) : Variant(QString());
        },
        [](QObject *instance, const Variant &value) {
            if (auto *memo = qobject_cast<TfrxCustomMemoView *>(instance))
                memo->SetText(value.ToString());
        });
}

// Band.Overflow: whether the band is being shown again at the top of a new page.
void AddBandOverflow(TfsScript *script, TfrxReport *report)
{
    TfsClassVariable *cls = script->ClassOf(&TfrxBand::staticMetaObject);
    if (!cls || cls->FindMember(QStringLiteral("Overflow")))
        return;
    cls->AddProperty(
        QStringLiteral("Overflow"), QStringLiteral("Boolean"),
        [report](QObject *instance) {
            TfrxCustomEngine *engine = report->Engine();
            auto *band = qobject_cast<TfrxBand *>(instance);
            return Variant(engine && band && engine->BandOverflow(band));
        },
        nullptr);
}

// What report scripts use of datasets: MasterData1.DataSet.RecordCount, DataSet.Eof, First, Next,
// Prior, RecNo, and the field values as DataSet.Value['Field'].
void AddDataSetMembers(TfsScript *script)
{
    TfsClassVariable *cls = script->ClassOf(&TfrxDataSet::staticMetaObject);
    if (!cls || cls->FindMember(QStringLiteral("RecordCount")))
        return;
    auto self = [](QObject *instance) { return qobject_cast<TfrxDataSet *>(instance); };
    cls->AddProperty(QStringLiteral("RecordCount"), QStringLiteral("Integer"), [self](QObject *instance) {
        TfrxDataSet *d = self(instance);
        return Variant(d ? d->RecordCount() : 0);
    });
    cls->AddProperty(QStringLiteral("RecNo"), QStringLiteral("Integer"), [self](QObject *instance) {
        TfrxDataSet *d = self(instance);
        return Variant(d ? d->RecNo() : 0);
    });
    cls->AddMethod(QStringLiteral("function Eof: Boolean"), [self](QObject *instance, TfsParams &) {
        TfrxDataSet *d = self(instance);
        return Variant(!d || d->Eof());
    });
    cls->AddMethod(QStringLiteral("procedure First"), [self](QObject *instance, TfsParams &) {
        if (TfrxDataSet *d = self(instance))
            d->First();
        return Variant();
    });
    cls->AddMethod(QStringLiteral("procedure Next"), [self](QObject *instance, TfsParams &) {
        if (TfrxDataSet *d = self(instance))
            d->Next();
        return Variant();
    });
    cls->AddMethod(QStringLiteral("procedure Prior"), [self](QObject *instance, TfsParams &) {
        if (TfrxDataSet *d = self(instance))
            d->Prior();
        return Variant();
    });
    cls->AddIndexProperty(QStringLiteral("Value"), QStringLiteral("String"), QStringLiteral("Variant"),
                          [self](QObject *instance, TfsParams &params) {
                              TfrxDataSet *d = self(instance);
                              return d ? d->Value(params[0].ToString()) : Variant();
                          });
}

// What report scripts may call on Outline.
void AddOutlineMethods(TfsScript *script, QObject *outline)
{
    TfsClassVariable *cls = script->FindClass(QString::fromLatin1(outline->metaObject()->className()));
    if (!cls || cls->FindMember(QStringLiteral("AddItem")))
        return;
    auto self = [](QObject *instance) { return qobject_cast<TfrxOutlineObject *>(instance); };
    cls->AddMethod(QStringLiteral("procedure AddItem(const Text: String)"),
                   [self](QObject *instance, TfsParams &params) {
                       if (TfrxOutlineObject *o = self(instance))
                           o->AddItem(params[0].ToString());
                       return Variant();
                   });
    cls->AddMethod(QStringLiteral("procedure LevelRoot"), [self](QObject *instance, TfsParams &) {
        if (TfrxOutlineObject *o = self(instance))
            o->LevelRoot();
        return Variant();
    });
    cls->AddMethod(QStringLiteral("procedure LevelUp"), [self](QObject *instance, TfsParams &) {
        if (TfrxOutlineObject *o = self(instance))
            o->LevelUp();
        return Variant();
    });
}

// SUM, AVG, MIN, MAX and COUNT. Inside text objects the builder replaces their calls by
// frxAggregateValue(index); report code that calls them directly gets the aggregate of that
// function registered for the object being processed.
void AddAggregateFunctions(TfrxReport *report, TfsScript *script)
{
    auto byName = [report](const QString &function, const Variant &fallback) {
        TfrxCustomEngine *engine = report->Engine();
        return engine && engine->Running() ? engine->AggregateByName(function, fallback) : fallback;
    };
    for (const char *function : {"SUM", "AVG", "MIN", "MAX"}) {
        const QString name = QString::fromLatin1(function);
        script->AddMethod(
            QStringLiteral("function %1(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant")
                .arg(name),
            [byName, name](QObject *, TfsParams &params) { return byName(name, params[0]); });
    }
    script->AddMethod(
        QStringLiteral("function COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"),
        [byName](QObject *, TfsParams &) { return byName(QStringLiteral("COUNT"), Variant(0)); });
    script->AddMethod(QStringLiteral("function frxAggregateValue(Index: Integer): Variant"),
                      [report](QObject *, TfsParams &params) {
                          TfrxCustomEngine *engine = report->Engine();
                          return engine ? engine->AggregateValue(params[0].ToInt()) : Variant::Null();
                      });
}
} // namespace

bool TfrxReport::PrepareScript()
{
    TfsScript *script = Script();
    m_expressionCache.Clear();
    if (!script)
        return true;
    // Items registered by an earlier preparation go; the expression functions the report script
    // was made with stay.
    script->ClearItems(this);
    script->SetAddedBy(this);
    // An object named like a variable the build sets itself (Value, Self) is not registered:
    // report code reaching it under that name would take the variable's values.
    for (TfrxComponent *object : AllObjects())
        if (!object->Name().isEmpty() &&
            object->Name().compare(QLatin1String("Value"), Qt::CaseInsensitive) != 0 &&
            object->Name().compare(QLatin1String("Self"), Qt::CaseInsensitive) != 0)
            script->AddObject(object->Name(), object);
    for (int i = 0; i < m_datasets.Count(); ++i)
        if (TfrxDataSet *dataSet = m_datasets.Items(i)->DataSet())
            if (!dataSet->Name().isEmpty() && !script->FindLocal(dataSet->Name()))
                script->AddObject(dataSet->Name(), dataSet);
    script->AddObject(QStringLiteral("Report"), this);
    if (TfrxCustomEngine *engine = Engine()) {
        script->AddObject(QStringLiteral("Engine"), engine);
        AddEngineMethods(script, engine);
        script->AddObject(QStringLiteral("Outline"), engine->OutlineObject());
        AddOutlineMethods(script, engine->OutlineObject());
    }
    AddAggregateFunctions(this, script);
    AddMemoText(script);
    AddBandOverflow(script, this);
    AddDataSetMembers(script);
    script->AddVariable(QStringLiteral("Self"), QStringLiteral("TfrxView"),
                        Variant(static_cast<QObject *>(nullptr)));
    script->SetAddedBy(nullptr);
    script->SetLines(m_scriptText);
    script->SetSyntaxType(m_scriptLanguage.isEmpty() ? QStringLiteral("PascalScript") : m_scriptLanguage);
    if (script->Compile())
        return true;
    AddError(QStringLiteral("Script error at %1: %2").arg(script->ErrorPos(), script->ErrorMsg()));
    return false;
}

namespace {
// Puts the layout back as it was when constructed, whatever happened in between.
class TfrxBuildSnapshot {
public:
    explicit TfrxBuildSnapshot(TfrxReport &report) : m_report(report)
    {
        const TfrxEngineOptions *options = report.EngineOptions();
        if (options->UseFileCache()) {
            // Always the system's temporary folder: the layout's TempDir (a layout may come from a
            // stranger) would have the build write into any folder it names.
            auto file =
                std::make_unique<QTemporaryFile>(QDir(QDir::tempPath()).filePath(QStringLiteral("frxXXXXXX.tmp")));
            if (file->open())
                m_stream = std::move(file);
        }
        if (!m_stream) {
            auto buffer = std::make_unique<QBuffer>();
            buffer->open(QIODevice::ReadWrite);
            m_stream = std::move(buffer);
        }
        m_password = report.ReportOptions()->Password();
        report.ReportOptions()->SetPassword(QString());
        m_splicingLine = report.PrintOptions()->SplicingLine();
        frxSaveToStream(report, m_stream.get(), true, false);
        report.ReportOptions()->SetPassword(m_password);
    }

    void Restore(bool &reloading)
    {
        const QStringList errors = m_report.Errors();
        m_stream->seek(0);
        reloading = true;
        const QString fileName = m_report.FileName();
        const frx::TfrxSilentMode silent = m_report.EngineOptions()->NewSilentMode();
        try {
            m_report.EngineOptions()->SetNewSilentMode(frx::simSilent);
            frxLoadFromStream(m_report, m_stream.get());
        } catch (...) {
            reloading = false;
            throw;
        }
        reloading = false;
        m_report.EngineOptions()->SetNewSilentMode(silent);
        m_report.SetFileName(fileName);
        m_report.ReportOptions()->SetPassword(m_password);
        m_report.PrintOptions()->SetSplicingLine(m_splicingLine);
        m_report.ClearErrors();
        for (const QString &error : errors)
            m_report.AddError(error);
        m_stream.reset(); // a temporary file removes itself
    }

private:
    TfrxReport &m_report;
    std::unique_ptr<QIODevice> m_stream;
    QString m_password;
    int m_splicingLine = 0;
};
} // namespace

bool TfrxReport::BuildPages(bool clearPrevious)
{
    TfrxCustomEngine *engine = Engine();
    if (engine && clearPrevious)
        engine->ClearPreparedPages();
    ClearErrors();
    m_terminated = false;
    bool result = false;

    for (int i = 0; i < m_datasets.Count(); ++i)
        if (!m_datasets.Items(i)->DataSet())
            AddError(QStringLiteral("Dataset \"%1\" does not exist").arg(m_datasets.Items(i)->DataSetName()));
    if (!engine)
        AddError(QStringLiteral("No report engine is installed"));

    if (m_errors.isEmpty()) {
        std::unique_ptr<TfrxBuildSnapshot> snapshot;
        if (m_engineOptions.DestroyForms())
            snapshot = std::make_unique<TfrxBuildSnapshot>(*this);
        try {
            if (OnBeginDoc)
                OnBeginDoc(this);
            if (PrepareScript()) {
                if (OnAfterScriptCompile)
                    OnAfterScriptCompile(this);
                TfsScript *script = Script();
                if (script && script->HasMainStatements()) {
                    try {
                        script->Execute();
                    } catch (const Exception &e) {
                        // Where the main block stopped, as a compile error says where.
                        if (script->ErrorPos().isEmpty())
                            throw;
                        throw Exception(
                            QStringLiteral("Script error at %1: %2").arg(script->ErrorPos(), e.Message()));
                    }
                }
                // The dialog pages come after the main block; a dialog that is not confirmed ends
                // the build without pages.
                if (!m_terminated && !frxRunDialogs(*this))
                    m_terminated = true;
                if (!m_terminated) {
                    if (engine->Run()) {
                        if (OnEndDoc)
                            OnEndDoc(this);
                        result = true;
                    }
                }
            }
        } catch (const Exception &e) {
            AddError(e.Message());
        }
        if (snapshot)
            snapshot->Restore(m_reloading);
    }

    if (!m_errors.isEmpty()) {
        result = false;
        frxShowErrors(*this);
    }
    return result;
}
