#pragma once
// Dropping a node of the data tree onto the page: a field becomes a text object bound to it (and
// a caption with the field's name above it when asked), a variable or function a text object with
// its bracketed expression; dropped on a barcode or QR code, a field or variable becomes what the
// code encodes. Everything made by one drop is one change of the designer.

#include "designer/workspace/frxDesgnWorkspaceDrop.h"

#include <QList>
#include <QString>

class TfrxBarcodeBase;
class TfrxComponent;
class TfrxDataTreeForm;
class TfrxDesignerForm;
class TfrxReport;

class TfrxFieldDrop : public TfrxWorkspaceDropTarget {
public:
    TfrxFieldDrop(TfrxDesignerForm *designer, TfrxDataTreeForm *tree);

    bool CanDrop(const QDropEvent &event, TfrxPage *page, QSizeF &outline) override;
    void Drop(const QDropEvent &event, TfrxPage *page, const QRectF &outline) override;

    // The objects a reference dropped at outline makes on page (selected, reported as one change).
    QList<TfrxComponent *> DropReference(const QString &reference, TfrxPage *page, const QRectF &outline);
    // Makes barcode encode reference (its expression, the bound field cleared); one change.
    bool BindBarcode(TfrxBarcodeBase *barcode, const QString &reference);
    // The size of the text object a reference arms: width from the field's display width in whole
    // grid steps, height the unit's default object height.
    QSizeF OutlineSize(const QString &reference) const;
    // The name a dropped object takes from a reference: its letters, digits and underscores when
    // they are at least two thirds of it, "Memo" otherwise.
    static QString NameFromReference(const QString &reference);
    // base followed by the first number no object of the report bears.
    static QString UniqueName(TfrxReport *report, const QString &base);

private:
    QString SourceReference(const QDropEvent &event) const;
    // The barcode the pointer of a drag is over (one that may be changed), or nullptr.
    TfrxBarcodeBase *BarcodeUnder(const QDropEvent &event) const;
    // The surface's grid step across (horizontal) or down, in design pixels.
    double GridStep(bool horizontal) const;

    TfrxDesignerForm *m_designer;
    TfrxDataTreeForm *m_tree;
};
