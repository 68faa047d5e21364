#include "designer/format/frxDesignerFormatting.h"

#include "designer/format/frxFormatBars.h"
#include "designer/format/frxFormatCommands.h"
#include "designer/format/frxGuides.h"
#include "designer/window/frxDesgn.h"
#include "designer/workspace/frxDesgnWorkspace.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QGridLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>

#include <algorithm>
#include <cmath>

namespace {

// One ruler tick in design pixels, by unit (0 cm, 1 in, 2 px, 3 characters) and direction.
double TickStep(int units, bool horizontal)
{
    switch (units) {
    case 0:
        return fr01cm;
    case 1:
        return 9.6;
    case 2:
        return 1;
    default:
        return horizontal ? 0.96 : 1.7;
    }
}

} // namespace

// ---- rulers ------------------------------------------------------------------------------------------

TfrxRuler::TfrxRuler(bool horizontal, TfrxDesignerForm *form, QWidget *parent)
    : QWidget(parent), m_horizontal(horizontal), m_form(form)
{
    setObjectName(horizontal ? QStringLiteral("TopRuler") : QStringLiteral("LeftRuler"));
    if (horizontal)
        setFixedHeight(22);
    else
        setFixedWidth(21);
    setCursor(horizontal ? Qt::SplitVCursor : Qt::SplitHCursor);
}

double TfrxRuler::Origin() const
{
    TfrxDesignerWorkspace *ws = m_form->Workspace();
    const QPointF o = ws->PrintableOrigin();
    const QPoint global = ws->mapToGlobal(QPoint(0, 0));
    const QPoint local = mapFromGlobal(global);
    return m_horizontal ? local.x() + o.x() : local.y() + o.y();
}

void TfrxRuler::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    const int length = m_horizontal ? width() : height();
    const int thickness = m_horizontal ? height() : width();
    // The strip: 3 pixels in from the outer edge, 5 from the inner one.
    const QRect strip =
        m_horizontal ? QRect(0, 3, length, thickness - 8) : QRect(3, 0, thickness - 8, length);
    p.fillRect(strip, palette().color(QPalette::Base));
    auto *page = qobject_cast<TfrxReportPage *>(m_form->Page());
    if (!page)
        return;
    const double scale = m_form->Scale();
    const int units = m_form->Units();
    const double origin = Origin();
    // The selection's extent.
    QRectF extent;
    for (TfrxComponent *c : m_form->SelectedObjects())
        if (c != page && !qobject_cast<TfrxReport *>(c)) {
            const QRectF r(c->AbsLeft(), c->AbsTop(), c->Width(), c->Height());
            extent = extent.isNull() ? r.normalized() : extent.united(r.normalized());
        }
    if (!extent.isNull()) {
        const double a = origin + (m_horizontal ? extent.left() : extent.top()) * scale;
        const double b = origin + (m_horizontal ? extent.right() : extent.bottom()) * scale;
        const QColor mark = palette().color(QPalette::Highlight).lighter(170);
        if (m_horizontal)
            p.fillRect(QRectF(a, strip.top(), std::max(1.0, b - a), strip.height()), mark);
        else
            p.fillRect(QRectF(strip.left(), a, strip.width(), std::max(1.0, b - a)), mark);
    }
    const double step = TickStep(units, m_horizontal) * scale;
    const int majorEvery = units == 2 ? 100 : 10;
    const int mediumEvery = units == 2 ? 50 : 5;
    const double majorInterval = step * majorEvery;
    const double centre = m_horizontal ? strip.center().y() + 0.5 : strip.center().x() + 0.5;
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(7);
    p.setFont(font);
    const QFontMetrics metrics(font);
    p.setPen(palette().color(QPalette::WindowText));
    const int first = int(std::floor(-origin / step));
    const int last = int(std::ceil((length - origin) / step));
    for (int i = first; i <= last; ++i) {
        const double pos = origin + i * step;
        int tick = 0;
        if (i % majorEvery == 0) {
            const int value = units == 2 ? std::abs(i) : std::abs(i) / 10;
            const QString label = QString::number(value);
            const double w = metrics.horizontalAdvance(label);
            const int every = w > 1.5 * majorInterval ? 4 : w > 0.7 * majorInterval ? 2 : 1;
            if ((i / majorEvery) % every == 0 && i != 0) {
                p.save();
                if (m_horizontal) {
                    p.drawText(QRectF(pos - w / 2 - 1, strip.top(), w + 2, strip.height()), Qt::AlignCenter,
                               label);
                } else {
                    p.translate(centre, pos);
                    p.rotate(-90);
                    p.drawText(QRectF(-w / 2 - 1, -strip.width() / 2.0, w + 2, strip.width()),
                               Qt::AlignCenter, label);
                }
                p.restore();
                continue;
            }
            tick = 6;
        } else if (i % mediumEvery == 0) {
            tick = majorInterval >= 21 ? 4 : 0;
        } else {
            tick = units != 2 && majorInterval >= 41 ? 2 : 0;
        }
        if (tick == 0)
            continue;
        if (m_horizontal)
            p.drawLine(QPointF(pos, centre - tick / 2.0), QPointF(pos, centre + tick / 2.0));
        else
            p.drawLine(QPointF(centre - tick / 2.0, pos), QPointF(centre + tick / 2.0, pos));
    }
    // Where the page ends: a 13-pixel mark.
    const double end = origin + (m_horizontal ? page->PrintableWidth() : page->PrintableHeight()) * scale;
    p.setPen(Qt::black);
    if (m_horizontal)
        p.drawLine(QPointF(end, centre - 6.5), QPointF(end, centre + 6.5));
    else
        p.drawLine(QPointF(centre - 6.5, end), QPointF(centre + 6.5, end));
}

void TfrxRuler::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && qobject_cast<TfrxReportPage *>(m_form->Page()))
        m_dragging = true;
}

void TfrxRuler::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    TfrxDesignerWorkspace *ws = m_form->Workspace();
    if (!m_preview) {
        m_preview = new QWidget(ws);
        m_preview->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_preview->setAutoFillBackground(true);
        QPalette pal = m_preview->palette();
        pal.setColor(QPalette::Window, Qt::black);
        m_preview->setPalette(pal);
    }
    const QPoint local = ws->mapFromGlobal(event->globalPosition().toPoint());
    if (!ws->rect().contains(local)) {
        m_preview->hide();
        return;
    }
    // The top ruler gives a horizontal line, the left one a vertical line.
    if (m_horizontal)
        m_preview->setGeometry(0, local.y(), ws->width(), 1);
    else
        m_preview->setGeometry(local.x(), 0, 1, ws->height());
    m_preview->show();
    m_preview->raise();
}

void TfrxRuler::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    if (m_preview)
        m_preview->hide();
    if (auto *formatting = m_form->Formatting())
        formatting->DropGuide(m_horizontal, event->globalPosition().toPoint());
}

// ---- the formatting of the window --------------------------------------------------------------------

TfrxDesignerFormatting::TfrxDesignerFormatting(TfrxDesignerForm *form)
    : QObject(form), m_form(form), m_workspace(form->Workspace())
{
    setObjectName(QStringLiteral("DesignerFormatting"));
    m_commands = new TfrxFormatCommands(form, this);
    m_bars = new TfrxFormatBars(form, m_commands);

    // Rulers around the scroll box.
    m_scrollBox = form->findChild<QScrollArea *>(QStringLiteral("ScrollBox"));
    if (m_scrollBox && m_scrollBox->parentWidget()) {
        auto *box = qobject_cast<QBoxLayout *>(m_scrollBox->parentWidget()->layout());
        if (box) {
            const int index = box->indexOf(m_scrollBox);
            box->removeWidget(m_scrollBox);
            auto *grid = new QGridLayout;
            grid->setContentsMargins(0, 0, 0, 0);
            grid->setSpacing(0);
            m_topRuler = new TfrxRuler(true, form, m_scrollBox->parentWidget());
            m_leftRuler = new TfrxRuler(false, form, m_scrollBox->parentWidget());
            grid->setColumnMinimumWidth(0, 22);
            grid->addWidget(m_topRuler, 0, 1);
            grid->addWidget(m_leftRuler, 1, 0, Qt::AlignLeft);
            grid->addWidget(m_scrollBox, 1, 1);
            box->insertLayout(std::max(0, index), grid, 1);
            for (QScrollBar *bar : {m_scrollBox->horizontalScrollBar(), m_scrollBox->verticalScrollBar()})
                connect(bar, &QScrollBar::valueChanged, this, [this] {
                    m_topRuler->update();
                    m_leftRuler->update();
                });
        }
    }
    if (QAction *rulers = form->Action(QStringLiteral("ShowRulersCmd"))) {
        auto show = [this](bool on) {
            if (m_topRuler) {
                m_topRuler->setVisible(on);
                m_leftRuler->setVisible(on);
            }
        };
        show(rulers->isChecked());
        connect(rulers, &QAction::toggled, this, show);
    }
    connect(m_workspace, &TfrxDesignerWorkspace::PositionChanged, this, [this] {
        if (m_topRuler) {
            m_topRuler->update();
            m_leftRuler->update();
        }
    });

    // Fit to Grid goes through the dispatcher.
    if (QAction *fit = form->Action(QStringLiteral("FitToGridCmd")))
        connect(fit, &QAction::triggered, this, [this] { FitToGrid(); });

    // The tools of the objects bar, after the select tool.
    if (auto *objectsBar = form->findChild<QToolBar *>(QStringLiteral("ObjectsTB1"))) {
        QAction *select = form->findChild<QAction *>(QStringLiteral("SelectToolCmd"));
        QActionGroup *group = select ? select->actionGroup() : nullptr;
        const QList<QAction *> existing = objectsBar->actions();
        const int at = select ? int(existing.indexOf(select)) + 1 : 0;
        QAction *before = at < existing.size() ? existing[at] : nullptr;
        const struct {
            TTool Tool;
            const char *Caption;
            const char *Name;
        } tools[] = {{ttHand, "Hand Tool", "HandToolCmd"},
                     {ttZoom, "Zoom Tool", "ZoomToolCmd"},
                     {ttCopyFormat, "Copy Format Tool", "FormatToolCmd"}};
        for (const auto &t : tools) {
            auto *action = new QAction(QLatin1String(t.Caption), objectsBar);
            action->setObjectName(QLatin1String(t.Name));
            action->setCheckable(true);
            objectsBar->insertAction(before, action);
            if (group)
                group->addAction(action);
            const TTool tool = t.Tool;
            connect(action, &QAction::triggered, this, [this, tool] { SetTool(tool); });
            m_toolActions[tool] = action;
        }
        if (select)
            connect(select, &QAction::triggered, this, [this] { m_tool = ttSelect; });
        if (group)
            connect(group, &QActionGroup::triggered, this, [this](QAction *a) {
                if (a != m_toolActions[ttHand] && a != m_toolActions[ttZoom] &&
                    a != m_toolActions[ttCopyFormat])
                    m_tool = ttSelect;
            });
    }
    m_workspace->installEventFilter(this);

    // The page menu: "Edit..." and the first selected object's items.
    m_workspace->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_workspace, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QMenu menu;
        menu.setObjectName(QStringLiteral("ObjectMenu"));
        if (QAction *edit = m_form->Action(QStringLiteral("EditCmd")))
            menu.addAction(edit);
        // What one does to the selected objects.
        menu.addSeparator();
        for (const char *name : {"CutCmd", "CopyCmd", "PasteCmd", "DeleteCmd", "DuplicateCmd", "BringToFrontCmd",
                                 "SendToBackCmd", "LockCmd"})
            if (QAction *a = m_form->Action(QLatin1String(name)))
                menu.addAction(a);
        QMenu items;
        if (m_commands->FillMenu(&items) > 0) {
            menu.addSeparator();
            for (QAction *a : items.actions())
                menu.addAction(a);
            menu.addSeparator();
        }
        menu.exec(m_workspace->mapToGlobal(pos));
    });
}

TfrxDesignerFormatting::~TfrxDesignerFormatting() = default;

void TfrxDesignerFormatting::SelectionChanged()
{
    m_commands->SetGrid(m_workspace->GridX(), m_workspace->GridY());
    m_bars->Refresh();
    if (m_topRuler) {
        m_topRuler->update();
        m_leftRuler->update();
    }
}

bool TfrxDesignerFormatting::FitToGrid()
{
    m_commands->SetGrid(m_workspace->GridX(), m_workspace->GridY());
    return m_commands->Dispatch(frxFormat::tgFitToGrid);
}

bool TfrxDesignerFormatting::DropGuide(bool fromTopRuler, const QPoint &globalPos)
{
    TfrxPage *page = m_form->Page();
    const QPoint local = m_workspace->mapFromGlobal(globalPos);
    if (!qobject_cast<TfrxReportPage *>(page) || !m_workspace->rect().contains(local))
        return false;
    const QPointF design = m_workspace->ToDesign(local);
    const bool align = m_workspace->GridAlign();
    // The top ruler gives a horizontal guide at the drop Y, the left one a vertical guide at X.
    const double pos = fromTopRuler ? frxGuides::GuidePosition(design.y(), m_workspace->GridY(), align)
                                    : frxGuides::GuidePosition(design.x(), m_workspace->GridX(), align);
    frxGuides::AddGuide(page, fromTopRuler, pos);
    m_form->SetModified(true);
    return true;
}

void TfrxDesignerFormatting::SetTool(TTool tool)
{
    if (tool != ttSelect)
        m_form->ArmInsertion(QString());
    m_tool = tool;
    // The surface keeps its own tool (the text tool lives there); the two enumerations match.
    m_workspace->SetTool(static_cast<TfrxDesignerWorkspace::TDesignTool>(tool));
    if (m_toolActions[tool])
        m_toolActions[tool]->setChecked(true);
    else if (QAction *select = m_form->findChild<QAction *>(QStringLiteral("SelectToolCmd")))
        select->setChecked(true);
    m_workspace->setCursor(tool == ttHand   ? Qt::OpenHandCursor
                           : tool == ttZoom ? Qt::CrossCursor
                                            : Qt::ArrowCursor);
}

bool TfrxDesignerFormatting::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_workspace || m_workspace->Locked() || !m_form->Page())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        break;
    default:
        return QObject::eventFilter(watched, event);
    }
    if (m_tool == ttHand || m_tool == ttZoom || m_tool == ttCopyFormat)
        return ToolEvent(event);
    return GuideEvent(event);
}

bool TfrxDesignerFormatting::GuideEvent(QEvent *event)
{
    auto *me = static_cast<QMouseEvent *>(event);
    auto *page = qobject_cast<TfrxReportPage *>(m_form->Page());
    QAction *shown = m_form->Action(QStringLiteral("ShowGuidesCmd"));
    if (!page || (shown && !shown->isChecked()) || m_workspace->InsertionClass() || m_workspace->Pasting())
        return false;
    const QPointF design = m_workspace->ToDesign(me->position());
    if (m_guide >= 0) {
        const double step = m_guideHorizontal ? m_workspace->GridY() : m_workspace->GridX();
        const double pos = frxGuides::GuidePosition(m_guideHorizontal ? design.y() : design.x(), step,
                                                    m_workspace->GridAlign());
        QStringList list = m_guideHorizontal ? page->HGuides() : page->VGuides();
        if (m_guide >= list.size()) {
            m_guide = -1;
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            // Dropped at the edge of the printable area: the guide goes.
            const double size = m_guideHorizontal ? page->PrintableHeight() : page->PrintableWidth();
            const double at = m_guideHorizontal ? design.y() : design.x();
            if (at <= 3 || at >= size - 3)
                list.removeAt(m_guide);
            else
                list[m_guide] = QString::number(pos, 'g', 15);
            m_guide = -1;
        } else {
            list[m_guide] = QString::number(pos, 'g', 15);
        }
        if (m_guideHorizontal)
            page->SetHGuides(list);
        else
            page->SetVGuides(list);
        if (m_guide < 0)
            m_form->SetModified(true);
        else
            m_workspace->UpdateView();
        return true;
    }
    if (m_workspace->Mode() != TfrxDesignerWorkspace::dmNone)
        return false;
    bool horizontal = false;
    const int index = frxGuides::GuideAt(page, design, 5, &horizontal);
    if (index < 0)
        return false;
    if (event->type() == QEvent::MouseMove && me->buttons() == Qt::NoButton) {
        m_workspace->setCursor(horizontal ? Qt::SplitVCursor : Qt::SplitHCursor);
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && me->button() == Qt::LeftButton &&
        me->modifiers() == Qt::NoModifier) {
        m_guide = index;
        m_guideHorizontal = horizontal;
        return true;
    }
    return false;
}

bool TfrxDesignerFormatting::ToolEvent(QEvent *event)
{
    auto *me = static_cast<QMouseEvent *>(event);
    const QPoint global = me->globalPosition().toPoint();
    switch (m_tool) {
    case ttHand:
        if (!m_scrollBox)
            return true;
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressed = true;
            m_pressGlobal = global;
            m_pressScroll = QPoint(m_scrollBox->horizontalScrollBar()->value(),
                                   m_scrollBox->verticalScrollBar()->value());
            m_workspace->setCursor(Qt::ClosedHandCursor);
        } else if (event->type() == QEvent::MouseMove && m_pressed) {
            const QPoint moved = global - m_pressGlobal;
            m_scrollBox->horizontalScrollBar()->setValue(m_pressScroll.x() - moved.x());
            m_scrollBox->verticalScrollBar()->setValue(m_pressScroll.y() - moved.y());
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_pressed = false;
            m_workspace->setCursor(Qt::OpenHandCursor);
        }
        return true;
    case ttZoom: {
        const QPoint pos = me->position().toPoint();
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressed = true;
            m_bandStart = pos;
            if (me->button() == Qt::LeftButton) {
                if (!m_band)
                    m_band = new QRubberBand(QRubberBand::Rectangle, m_workspace);
                m_band->setGeometry(QRect(pos, QSize()));
                m_band->show();
            }
        } else if (event->type() == QEvent::MouseMove && m_pressed && m_band) {
            m_band->setGeometry(QRect(m_bandStart, pos).normalized());
        } else if (event->type() == QEvent::MouseButtonRelease && m_pressed) {
            m_pressed = false;
            const QRect band = QRect(m_bandStart, pos).normalized();
            if (m_band)
                m_band->hide();
            if (me->button() == Qt::LeftButton && band.width() > 5 && band.height() > 5 && m_scrollBox) {
                // The band fills the scroll box less 16 pixels.
                const double scale = m_form->Scale();
                const QPointF topLeft = m_workspace->ToDesign(band.topLeft());
                const QSize view = m_scrollBox->viewport()->size();
                const double s = std::min((view.width() - 16) / (band.width() / scale),
                                          (view.height() - 16) / (band.height() / scale));
                m_form->SetScale(s);
                const QPointF at = m_workspace->PrintableOrigin() + topLeft * m_form->Scale();
                m_scrollBox->horizontalScrollBar()->setValue(int(at.x()) - 8);
                m_scrollBox->verticalScrollBar()->setValue(int(at.y()) - 8);
            } else {
                Zoom(pos, me->button() == Qt::LeftButton);
            }
        }
        return true;
    }
    case ttCopyFormat:
        if (event->type() == QEvent::MouseButtonPress && me->button() == Qt::LeftButton)
            CopyFormat(m_workspace->ToDesign(me->position()));
        return true;
    default:
        return false;
    }
}

void TfrxDesignerFormatting::Zoom(const QPoint &widgetPos, bool in)
{
    const double scale = m_form->Scale();
    const QPointF design = m_workspace->ToDesign(widgetPos);
    double s = scale;
    if (in)
        s += scale >= 1 ? 1 : 0.25;
    else if (scale >= 2)
        s -= 1;
    else if (scale > 0.4)
        s -= 0.25;
    m_form->SetScale(s);
    if (m_scrollBox) {
        // The clicked point goes to the middle.
        const QPointF at = m_workspace->PrintableOrigin() + design * m_form->Scale();
        const QSize view = m_scrollBox->viewport()->size();
        m_scrollBox->horizontalScrollBar()->setValue(int(at.x() - view.width() / 2.0));
        m_scrollBox->verticalScrollBar()->setValue(int(at.y() - view.height() / 2.0));
    }
}

void TfrxDesignerFormatting::CopyFormat(const QPointF &designPos)
{
    const QList<TfrxComponent *> views = m_commands->SelectedViews();
    auto *source = views.isEmpty() ? nullptr : qobject_cast<TfrxView *>(views.first());
    auto *target = qobject_cast<TfrxCustomMemoView *>(m_workspace->ObjectAt(designPos));
    if (!source || !target || target == source || target->Restrictions().testFlag(frx::rfDontModify))
        return;
    target->SetColor(source->Color());
    target->Font()->Assign(*source->Font());
    target->Frame()->Assign(*source->Frame());
    target->SetBrushStyle(source->BrushStyle());
    if (auto *memo = qobject_cast<TfrxCustomMemoView *>(source)) {
        target->SetHAlign(memo->HAlign());
        target->SetVAlign(memo->VAlign());
    }
    m_form->SetModified(true);
}
