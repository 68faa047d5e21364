#pragma once
// The designer's undo and redo lists. A snapshot is the whole report written with the layout
// writer (children included, default values left out); its pictures are kept apart in a table keyed
// by their content, so a large background is held once however many snapshots there are, and a
// picture survives Undo whatever was opened or loaded since it was taken.

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class TfrxReport;
class TfrxPictureTable;

class TfrxUndoBuffer {
public:
    TfrxUndoBuffer();
    ~TfrxUndoBuffer();
    TfrxUndoBuffer(const TfrxUndoBuffer &) = delete;
    TfrxUndoBuffer &operator=(const TfrxUndoBuffer &) = delete;

    // Appends a snapshot of the report to the undo list; a snapshot equal to the last one is not
    // added (false then), so every Undo goes back to something different.
    bool AddUndo(TfrxReport &report);
    // Appends a snapshot to the redo list.
    void AddRedo(TfrxReport &report);
    // Loads the second-to-last undo snapshot and drops the last one; needs two snapshots.
    bool Undo(TfrxReport &report);
    // Loads the last redo snapshot and drops it; needs one.
    bool Redo(TfrxReport &report);
    // Takes the last undo snapshot again (after a save, which changes only the save time): the
    // next Undo then still goes back to the state before the last change.
    void ReplaceLast(TfrxReport &report);
    // Loads the last undo snapshot again (the state the last change left), keeping it.
    bool RestoreLast(TfrxReport &report);
    void ClearUndo();
    void ClearRedo();
    int UndoCount() const;
    int RedoCount() const;

    // The layout text of the last undo snapshot (pictures left out); empty without one.
    QByteArray LastUndoText() const;
    // Bytes the snapshots hold beyond the shared pictures, and bytes of the shared pictures.
    qint64 SnapshotBytes() const;
    qint64 PictureBytes() const;

    struct Snapshot;

private:
    std::unique_ptr<Snapshot> Take(TfrxReport &report);
    void Load(TfrxReport &report, const Snapshot &snapshot);
    void DropUnusedPictures();

    QList<std::shared_ptr<Snapshot>> m_undo;
    QList<std::shared_ptr<Snapshot>> m_redo;
    std::unique_ptr<TfrxPictureTable> m_pictures;
};
