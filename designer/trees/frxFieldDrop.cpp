// The objects a drop from the data tree makes, their names, sizes and bindings.
#include "designer/trees/frxFieldDrop.h"

#include "designer/format/frxDesignerFormatting.h"
#include "designer/format/frxFormatCommands.h"

#include "designer/trees/frxDataTree.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "platform/Ui.h"
#include "report/core/frxClassRegistry.h"
#include "report/core/frxTypes.h"
#include "report/expr/frxCalc.h"
#include "report/model/frxDataSet.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"
#include "report/objects/frxBarcode.h"

#include <QDropEvent>

#include <cmath>

namespace {

bool NameLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

double Round8(double value)
{
    return std::round(value * 1e8) / 1e8;
}

} // namespace

TfrxFieldDrop::TfrxFieldDrop(TfrxDesignerForm *designer, TfrxDataTreeForm *tree)
    : m_designer(designer), m_tree(tree)
{
}

QString TfrxFieldDrop::SourceReference(const QDropEvent &event) const
{
    // Only what the data tree's own trees started, and only a node that has a reference text.
    if (!m_tree || (event.source() && !m_tree->IsTree(event.source())))
        return QString();
    return m_tree->DraggedReference(event.mimeData());
}

TfrxBarcodeBase *TfrxFieldDrop::BarcodeUnder(const QDropEvent &event) const
{
    TfrxDesignerWorkspace *workspace = m_designer->Workspace();
    auto *barcode = qobject_cast<TfrxBarcodeBase *>(workspace->ObjectAt(workspace->ToDesign(event.position())));
    return barcode && !barcode->Restrictions().testFlag(frx::rfDontModify) ? barcode : nullptr;
}

bool TfrxFieldDrop::BindBarcode(TfrxBarcodeBase *barcode, const QString &reference)
{
    if (!barcode || reference.size() < 2)
        return false;
    // The barcode encodes what the reference gives: a field or variable as its expression.
    barcode->SetExpression(reference.startsWith(u'<') ? reference : u'<' + reference + u'>');
    barcode->SetDataField(QString());
    barcode->SetDataSet(nullptr);
    TfrxReport *report = m_designer->Report();
    QList<TfrxComponent *> &objects = m_designer->Objects();
    objects.clear();
    objects << barcode->Page()->AllObjects() << report << barcode->Page();
    m_designer->Workspace()->Select({barcode});
    m_designer->SetModified(true);
    return true;
}

bool TfrxFieldDrop::CanDrop(const QDropEvent &event, TfrxPage *page, QSizeF &outline)
{
    const QString reference = SourceReference(event);
    if (reference.isEmpty() || !qobject_cast<TfrxReportPage *>(page))
        return false;
    // Over a barcode the drop binds it: no outline of a new object.
    if (BarcodeUnder(event))
        return true;
    if (m_tree->InsertField() || m_tree->InsertCaption() ||
        m_tree->GetActivePage() != TfrxDataTreeForm::tabData)
        outline = OutlineSize(reference);
    return true;
}

void TfrxFieldDrop::Drop(const QDropEvent &event, TfrxPage *page, const QRectF &outline)
{
    const QString reference = SourceReference(event);
    if (reference.isEmpty())
        return;
    if (TfrxBarcodeBase *barcode = BarcodeUnder(event); barcode && barcode->Page() == page)
        BindBarcode(barcode, reference);
    else
        DropReference(reference, page, outline);
}

double TfrxFieldDrop::GridStep(bool horizontal) const
{
    TfrxDesignerWorkspace *workspace = m_designer->Workspace();
    const double step = horizontal ? workspace->GridX() : workspace->GridY();
    return step > 0 ? step : fr01cm;
}

QSizeF TfrxFieldDrop::OutlineSize(const QString &reference) const
{
    TfrxDesignerWorkspace *workspace = m_designer->Workspace();
    const double gridX = workspace->GridX() > 0 ? workspace->GridX() : fr01cm;
    // The field's display width in characters: 10 when the dataset cannot say.
    int width = 10;
    QString alias, field;
    if (reference.size() > 2 && frxSplitFieldReference(reference.mid(1, reference.size() - 2), alias, field))
        if (TfrxDataSet *dataSet = m_designer->Report()->GetDataset(alias)) {
            try {
                width = dataSet->DisplayWidth(field);
            } catch (...) {
                width = 10;
            }
            if (width <= 0)
                width = 10;
        }
    const double w = std::nearbyint(std::min(width, 50) * 8 / gridX) * gridX;
    double h = 0.5 * fr1cm;
    switch (m_designer->Units()) {
    case 1:
        h = 19.2;
        break;
    case 2:
        h = 16;
        break;
    case 3:
        h = 17;
        break;
    default:
        break;
    }
    return QSizeF(w, h);
}

QString TfrxFieldDrop::NameFromReference(const QString &reference)
{
    QString name;
    for (qsizetype i = 0; i < reference.size(); ++i) {
        const QChar c = reference[i];
        if (NameLetter(c) || (i > 0 && c >= u'0' && c <= u'9'))
            name += c;
    }
    // Fewer than two thirds of the reference's characters: "<Page#>" gives Memo, "<Date>" Date.
    if (name.size() * 3 < reference.size() * 2)
        return QStringLiteral("Memo");
    return name;
}

QString TfrxFieldDrop::UniqueName(TfrxReport *report, const QString &base)
{
    for (int n = 1;; ++n) {
        const QString name = base + QString::number(n);
        if (!report->FindObject(name))
            return name;
    }
}

QList<TfrxComponent *> TfrxFieldDrop::DropReference(const QString &reference, TfrxPage *page,
                                                    const QRectF &outline)
{
    QList<TfrxComponent *> made;
    TfrxReport *report = m_designer->Report();
    if (reference.size() < 2 || !page || !report)
        return made;
    const bool dataTab = m_tree->GetActivePage() == TfrxDataTreeForm::tabData;
    QString alias, field;
    TfrxDataSet *dataSet = nullptr;
    if (reference.startsWith(u'<') && reference.endsWith(u'>') &&
        frxSplitFieldReference(reference.mid(1, reference.size() - 2), alias, field))
        dataSet = report->GetDataset(alias);
    if (dataSet && field.isEmpty()) {
        Ui::Message(QStringLiteral("A field without a name cannot be placed on the page."),
                    QStringLiteral("Error"), UiIcon::Error);
        return made;
    }
    const bool asField = dataSet != nullptr;
    const bool makeField = !asField || m_tree->InsertField();
    const bool makeCaption = asField && dataTab && m_tree->InsertCaption();
    if (!makeField && !makeCaption)
        return made;

    QRectF rect = outline;
    if (rect.isNull() || rect.isEmpty())
        rect = QRectF(rect.topLeft(), OutlineSize(reference));
    rect = QRectF(Round8(rect.left()), Round8(rect.top()), Round8(rect.width()), Round8(rect.height()));
    const QString className = qobject_cast<TfrxDMPPage *>(page) ? QStringLiteral("TfrxDMPMemoView")
                                                                : QStringLiteral("TfrxMemoView");
    auto create = [&]() -> TfrxCustomMemoView * {
        TfrxComponent *c = frxDesignCreateComponent(className, page, 0);
        auto *memo = qobject_cast<TfrxCustomMemoView *>(c);
        if (!memo) {
            delete c;
            return nullptr;
        }
        memo->SetIsDesigning(true);
        // A dropped field looks like the last text the user formatted.
        if (TfrxDesignerFormatting *formatting = m_designer->Formatting())
            formatting->Commands()->Sample().ApplySample(
                memo, formatting->Tool() == TfrxDesignerFormatting::ttCopyFormat);
        return memo;
    };

    m_designer->SelectedObjects().clear();
    if (makeField) {
        if (TfrxCustomMemoView *memo = create()) {
            QString name = NameFromReference(reference);
            if (name.isEmpty() || name[0].isDigit())
                name = QStringLiteral("Memo"); // not a valid object name
            try {
                memo->SetName(name == QLatin1String("Memo") || report->FindObject(name)
                                  ? UniqueName(report, name)
                                  : name);
            } catch (...) {
                memo->CreateUniqueName();
            }
            if (asField) {
                memo->SetDataSet(dataSet);
                memo->SetDataField(field);
                // Stored with the template as the bound field's bracket form, as the ready
                // templates have it; the surface only draws, it never writes the text.
                memo->SetText(memo->DataFieldText());
            } else if (reference.startsWith(u'<')) {
                memo->SetText(u'[' + reference.mid(1, reference.size() - 2) + u']');
            } else {
                memo->SetText(u'[' + reference + u']');
            }
            memo->SetBounds(rect.left(), rect.top(), rect.width(), rect.height());
            // The field's value is printed in the sample's font: one line of it fits, and the
            // field's name fits across.
            TSampleFormat::FitToFont(memo, asField ? field : QString(), GridStep(true), GridStep(false));
            made << memo;
        }
    }
    if (makeCaption) {
        if (TfrxCustomMemoView *caption = create()) {
            caption->CreateUniqueName();
            caption->SetText(field);
            caption->SetBounds(rect.left(), Round8(rect.top() - rect.height()), rect.width(), rect.height());
            TSampleFormat::FitToFont(caption, field, GridStep(true), GridStep(false));
            if (!made.isEmpty()) // the caption stands right above the field
                caption->SetTop(Round8(made.first()->Top() - caption->Height()));
            made << caption;
        }
    }
    if (made.isEmpty())
        return made;
    // As a release on the page finishes: the lists, the selection, one reported change.
    QList<TfrxComponent *> &objects = m_designer->Objects();
    objects.clear();
    objects << page->AllObjects() << report << page;
    m_designer->Workspace()->Select(made);
    m_designer->SetModified(true);
    return made;
}
