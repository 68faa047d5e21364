#include "designer/undo/frxUndoBuffer.h"

#include "designer/undo/frxPictureTable.h"
#include "report/core/frxMeta.h"
#include "report/io/frxSerializeReport.h"
#include "report/model/frxReport.h"

#include <QBuffer>

// Where a picture of a snapshot goes back: the object's name (empty for the report), the property
// path ("Picture", "BackPicture", "ReportOptions.Picture") and the picture's key in the table.
struct PictureRef {
    QString Object;
    QString Property;
    int Key = -1;
    bool operator==(const PictureRef &other) const = default;
};

struct TfrxUndoBuffer::Snapshot {
    QByteArray Text;
    QList<PictureRef> Pictures;
    bool operator==(const Snapshot &other) const = default;
};

namespace {

struct TakenPicture {
    TfrxPropTarget Target;
    const TfrxPropInfo *Prop;
    TPicture Picture;
};

// Every non-empty picture of an object, its option groups included.
template <class Visit> void ForEachPicture(const TfrxPropTarget &target, const QString &prefix, Visit &&visit)
{
    for (const TfrxPropInfo &prop : frxClassInfo(target).Props()) {
        if (prop.Kind() == TfrxPropKind::Picture && prop.IsWritable()) {
            visit(target, prop, prefix + prop.Name());
        } else if (prop.Kind() == TfrxPropKind::Class && prefix.isEmpty()) {
            const TfrxPropTarget nested = prop.GetNested(target);
            if (!nested.IsNull())
                ForEachPicture(nested, prop.Name() + QLatin1Char('.'), visit);
        }
    }
}

} // namespace

TfrxUndoBuffer::TfrxUndoBuffer() : m_pictures(std::make_unique<TfrxPictureTable>()) {}

TfrxUndoBuffer::~TfrxUndoBuffer() = default;

std::unique_ptr<TfrxUndoBuffer::Snapshot> TfrxUndoBuffer::Take(TfrxReport &report)
{
    auto snapshot = std::make_unique<Snapshot>();
    // Pictures leave the objects for the time of writing and go into the table instead.
    QList<TakenPicture> taken;
    auto take = [&](const QString &owner) {
        return [&, owner](const TfrxPropTarget &target, const TfrxPropInfo &prop, const QString &path) {
            TPicture picture = prop.GetPicture(target);
            if (picture.IsEmpty())
                return;
            snapshot->Pictures.append({owner, path, m_pictures->Add(picture)});
            taken.append({target, &prop, picture});
            prop.SetPicture(target, TPicture());
        };
    };
    ForEachPicture(TfrxPropTarget(&report), QString(), take(QString()));
    for (TfrxComponent *component : report.AllObjects())
        if (!component->Name().isEmpty())
            ForEachPicture(TfrxPropTarget(component), QString(), take(component->Name()));

    QBuffer buffer(&snapshot->Text);
    buffer.open(QIODevice::WriteOnly);
    try {
        frxSaveToStream(report, &buffer);
    } catch (...) {
        for (const TakenPicture &t : std::as_const(taken))
            t.Prop->SetPicture(t.Target, t.Picture);
        throw;
    }
    for (const TakenPicture &t : std::as_const(taken))
        t.Prop->SetPicture(t.Target, t.Picture);
    return snapshot;
}

void TfrxUndoBuffer::Load(TfrxReport &report, const Snapshot &snapshot)
{
    QByteArray text = snapshot.Text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    const bool reloading = report.Reloading();
    report.SetReloading(true);
    frxLoadFromStream(report, &buffer);
    for (const PictureRef &ref : snapshot.Pictures) {
        TfrxPropTarget target(&report);
        if (!ref.Object.isEmpty()) {
            TfrxComponent *object = report.FindObject(ref.Object);
            if (!object)
                continue;
            target = TfrxPropTarget(object);
        }
        const TfrxPropInfo *prop = nullptr;
        if (frxResolvePropPath(target, ref.Property, prop) && prop->Kind() == TfrxPropKind::Picture)
            prop->SetPicture(target, m_pictures->Get(ref.Key));
    }
    report.SetReloading(reloading);
}

bool TfrxUndoBuffer::AddUndo(TfrxReport &report)
{
    std::shared_ptr<Snapshot> snapshot = Take(report);
    if (!m_undo.isEmpty() && *m_undo.last() == *snapshot)
        return false;
    m_undo.append(std::move(snapshot));
    return true;
}

void TfrxUndoBuffer::AddRedo(TfrxReport &report)
{
    m_redo.append(Take(report));
}

bool TfrxUndoBuffer::Undo(TfrxReport &report)
{
    if (m_undo.size() < 2)
        return false;
    Load(report, *m_undo[m_undo.size() - 2]);
    m_undo.removeLast();
    DropUnusedPictures();
    return true;
}

bool TfrxUndoBuffer::Redo(TfrxReport &report)
{
    if (m_redo.isEmpty())
        return false;
    Load(report, *m_redo.last());
    m_redo.removeLast();
    DropUnusedPictures();
    return true;
}

void TfrxUndoBuffer::ReplaceLast(TfrxReport &report)
{
    std::shared_ptr<Snapshot> snapshot = Take(report);
    if (m_undo.isEmpty())
        m_undo.append(std::move(snapshot));
    else
        m_undo.last() = std::move(snapshot);
    DropUnusedPictures();
}

bool TfrxUndoBuffer::RestoreLast(TfrxReport &report)
{
    if (m_undo.isEmpty())
        return false;
    Load(report, *m_undo.last());
    return true;
}

void TfrxUndoBuffer::ClearUndo()
{
    m_undo.clear();
    DropUnusedPictures();
}

void TfrxUndoBuffer::ClearRedo()
{
    m_redo.clear();
    DropUnusedPictures();
}

int TfrxUndoBuffer::UndoCount() const
{
    return int(m_undo.size());
}

int TfrxUndoBuffer::RedoCount() const
{
    return int(m_redo.size());
}

QByteArray TfrxUndoBuffer::LastUndoText() const
{
    return m_undo.isEmpty() ? QByteArray() : m_undo.last()->Text;
}

qint64 TfrxUndoBuffer::SnapshotBytes() const
{
    qint64 bytes = 0;
    for (const auto *list : {&m_undo, &m_redo})
        for (const auto &snapshot : *list)
            bytes += snapshot->Text.size() + snapshot->Pictures.size() * qint64(sizeof(PictureRef));
    return bytes;
}

qint64 TfrxUndoBuffer::PictureBytes() const
{
    return m_pictures->Bytes();
}

void TfrxUndoBuffer::DropUnusedPictures()
{
    QList<int> used;
    for (const auto *list : {&m_undo, &m_redo})
        for (const auto &snapshot : *list)
            for (const PictureRef &ref : snapshot->Pictures)
                used.append(ref.Key);
    m_pictures->Retain(used);
}
