#include "report/draw/frxDrawPage.h"

#include "report/model/frxPages.h"
#include "report/model/frxViews.h"

#include <QPainter>

namespace {

// Whether a view shows at all: neither it nor a band or page it lies on is hidden.
bool IsShown(const TfrxComponent *component, const TfrxComponent *page)
{
    for (; component && component != page; component = component->Parent())
        if (!component->Visible())
            return false;
    return true;
}

// Swaps the left and right margins for the time of one draw.
class TMirroredMargins {
public:
    TMirroredMargins(TfrxReportPage &page, bool mirror) : m_page(page), m_mirror(mirror)
    {
        if (m_mirror)
            Swap();
    }
    ~TMirroredMargins()
    {
        if (m_mirror)
            Swap();
    }

private:
    void Swap()
    {
        const double left = m_page.LeftMargin();
        m_page.SetLeftMargin(m_page.RightMargin());
        m_page.SetRightMargin(left);
    }
    TfrxReportPage &m_page;
    bool m_mirror;
};

} // namespace

void frxDrawPageBackground(TfrxReportPage &page, TfrxCanvas &canvas, double scaleX, double scaleY,
                           double offsetX, double offsetY)
{
    if (!page.BackPictureVisible())
        return;
    if (page.IsPrinting() && !page.BackPicturePrintable())
        return;
    TfrxPictureView *background = page.BackPictureView();
    background->SetColor(page.Color());
    background->Frame()->Assign(*page.Frame());
    background->SetStretched(true);
    // A scan shown smaller than it is keeps its thin lines.
    background->SetHightQuality(true);
    background->SetKeepAspectRatio(false);
    background->SetBounds(0, 0, (page.PaperWidth() - page.LeftMargin() - page.RightMargin()) * fr01cm,
                          (page.PaperHeight() - page.TopMargin() - page.BottomMargin()) * fr01cm);
    background->SetIsPrinting(page.IsPrinting());
    background->Draw(canvas, scaleX, scaleY, offsetX + scaleX * page.LeftMargin() * fr01cm,
                     offsetY + scaleY * page.TopMargin() * fr01cm);
    background->SetIsPrinting(false);
}

void frxDrawPage(TfrxReportPage &page, TfrxCanvas &canvas, double scaleX, double scaleY, double offsetX,
                 double offsetY, const TfrxPageDrawValues &values)
{
    TMirroredMargins mirrored(page, page.MirrorMargins() && values.PageIndex % 2 != 0);
    const bool printer = canvas.IsPrinter();
    QPainter &painter = canvas.Painter();
    painter.save();
    if (!printer) {
        // The preview shows the sheet and nothing beyond it.
        const int left = frxRound(offsetX);
        const int top = frxRound(offsetY);
        const int right = frxRound(page.PaperWidth() * fr01cm * scaleX + offsetX) - 1;
        const int bottom = frxRound(page.PaperHeight() * fr01cm * scaleY + offsetY) - 1;
        painter.setClipRect(QRect(left, top, right - left, bottom - top), Qt::IntersectClip);
    }
    page.SetIsPrinting(printer);
    frxDrawPageBackground(page, canvas, scaleX, scaleY, offsetX, offsetY);

    offsetX = page.LeftMargin() * fr01cm * scaleX + offsetX;
    offsetY = page.TopMargin() * fr01cm * scaleY + offsetY;
    const QRect visible = canvas.VisibleRect();
    const double printScale = printer ? values.PrintScale : 1.0;
    for (TfrxComponent *component : page.AllObjects()) {
        auto *view = qobject_cast<TfrxView *>(component);
        if (!view || !IsShown(view, &page))
            continue;
        if (printer && !view->Printable())
            continue;
        if (!canvas.IsMetafile() && !visible.isNull()) {
            const double left = view->AbsLeft();
            const double top = view->AbsTop();
            const QRect bounds =
                QRect(QPoint(frxRound(offsetX + scaleX * left), frxRound(offsetY + scaleY * top)),
                      QPoint(frxRound(offsetX + scaleX * (left + view->Width())),
                             frxRound(offsetY + scaleY * (top + view->Height()))))
                    .normalized()
                    .adjusted(-20, -20, 20, 20);
            if (!bounds.intersects(visible))
                continue;
        }
        view->SetIsPrinting(printer);
        if (auto *memo = qobject_cast<TfrxCustomMemoView *>(view))
            memo->SetDrawValues(values.TotalPages, values.CopyNo, printScale);
        view->Draw(canvas, scaleX, scaleY, offsetX, offsetY);
        view->SetIsPrinting(false);
    }
    page.SetIsPrinting(false);
    painter.restore();
}

void frxDrawPage(TfrxReportPage &page, QPainter &painter, double scaleX, double scaleY, double offsetX,
                 double offsetY, const TfrxPageDrawValues &values)
{
    TfrxCanvas canvas(painter);
    frxDrawPage(page, canvas, scaleX, scaleY, offsetX, offsetY, values);
}
