#include "report/model/frxViews.h"

#include "report/model/frxReport.h"
#include "report/model/frxStyles.h"

// ---- TfrxView -------------------------------------------------------------------------------------

TfrxView::TfrxView(TComponent *owner) : TfrxReportComponent(owner) {}

TfrxView::~TfrxView()
{
    SendFreeNotifications();
}

void TfrxView::SetDataSet(TfrxDataSet *value)
{
    frxSetReference(this, m_dataSet, value);
    m_dataSetName = value ? value->UserName() : QString();
}

QString TfrxView::DataSetName() const
{
    return m_dataSet ? m_dataSet->UserName() : m_dataSetName;
}

QString TfrxView::DataFieldText() const
{
    if (!IsDataField())
        return QString();
    return QLatin1Char('[') + m_dataSet->UserName() + QLatin1String(".\"") + m_dataField +
           QLatin1String("\"]");
}

void TfrxView::SetDataSetName(const QString &value)
{
    m_dataSetName = value;
    frxSetReference(this, m_dataSet, frxFindDataSet(m_dataSet, value, Report()));
}

void TfrxView::SetFrame(TfrxFrame *value)
{
    if (value)
        m_frame.Assign(*value);
}

void TfrxView::Notification(TComponent *component, TOperation operation)
{
    TfrxReportComponent::Notification(component, operation);
    if (operation == opRemove && component == m_dataSet) {
        // The binding goes, the name stays: a layout can still say which dataset it wanted.
        m_dataSetName = m_dataSet->UserName();
        m_dataSet = nullptr;
    }
}

// ---- TfrxCustomMemoView ----------------------------------------------------------------------------

TfrxCustomMemoView::TfrxCustomMemoView(TComponent *owner)
    : TfrxStretcheable(owner), m_expressionDelimiters(QStringLiteral("[,]"))
{
}

TfrxCustomMemoView::~TfrxCustomMemoView()
{
    SendFreeNotifications();
}

void TfrxCustomMemoView::SetFlowTo(TfrxCustomMemoView *value)
{
    if (value == this)
        value = nullptr;
    frxSetReference(this, m_flowTo, value);
}

QString TfrxCustomMemoView::Text() const
{
    QString text;
    for (const QString &line : m_memo) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

void TfrxCustomMemoView::SetText(const QString &value)
{
    m_memo = SplitText(value);
}

QStringList TfrxCustomMemoView::SplitText(const QString &value)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = value.size();
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = value[i];
        if (c == u'\r' || c == u'\n' || c == QChar(0x2028)) {
            lines.append(value.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && value[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(value.mid(start));
    return lines;
}

void TfrxCustomMemoView::SetStyle(const QString &value)
{
    m_style = value;
    TfrxReport *report = Report();
    if (!report)
        return;
    if (const TfrxStyleItem *style = report->Styles()->Find(value)) {
        SetColor(style->Color());
        Font()->Assign(*style->Font()); // ParentFont becomes False through the font change
        Frame()->Assign(*style->Frame());
    }
}

TfrxTextInsets TfrxCustomMemoView::TextInsets() const
{
    TfrxTextInsets insets;
    const TfrxFrame *frame = Frame();
    insets.Left = m_gapX;
    insets.Right = m_gapX;
    insets.Top = m_gapY;
    insets.Bottom = m_gapY;
    if (frame->Typ().testFlag(frx::ftLeft))
        insets.Left += (frame->Width() - 1) / 2;
    if (frame->Typ().testFlag(frx::ftRight))
        insets.Right += frame->Width() / 2;
    if (frame->Typ().testFlag(frx::ftTop))
        insets.Top += (frame->Width() - 1) / 2;
    if (frame->Typ().testFlag(frx::ftBottom))
        insets.Bottom += frame->Width() / 2;
    if (frame->DropShadow()) {
        // The shadow falls to the right and below.
        insets.Right += frame->ShadowWidth();
        insets.Bottom += frame->ShadowWidth();
    }
    return insets;
}

void TfrxCustomMemoView::Notification(TComponent *component, TOperation operation)
{
    TfrxStretcheable::Notification(component, operation);
    if (operation == opRemove && component == m_flowTo)
        m_flowTo = nullptr;
}

void TfrxCustomMemoView::AssignOwnData(const TfrxComponent *source)
{
    if (auto *memo = qobject_cast<const TfrxCustomMemoView *>(source))
        m_memo = memo->m_memo;
}

// ---- lines and shapes ----------------------------------------------------------------------------

void TfrxCustomLineView::DesignCreate(int flags)
{
    TfrxStretcheable::DesignCreate(flags);
    m_diagonal = flags >= 1 && flags <= 4;
    m_arrowEnd = flags == 2 || flags == 4;
    m_arrowStart = flags == 3 || flags == 4;
}

void TfrxShapeView::DesignCreate(int flags)
{
    TfrxView::DesignCreate(flags);
    if (flags >= frx::skRectangle && flags <= frx::skDiagonal2)
        m_shape = frx::TfrxShapeKind(flags);
}

// ---- TfrxPictureView -------------------------------------------------------------------------------

TfrxPictureView::TfrxPictureView(TComponent *owner) : TfrxView(owner)
{
    SetColor(clWhite);
}

void TfrxPictureView::SetAutoSize(bool value)
{
    m_autoSize = value;
    if (value && !m_picture.IsEmpty()) {
        SetWidth(m_picture.Width());
        SetHeight(m_picture.Height());
    }
}

void TfrxPictureView::SetPicture(const TPicture &value)
{
    m_picture = value;
    PictureChanged();
}

void TfrxPictureView::PictureChanged()
{
    m_pictureChanged = true;
    SetAutoSize(m_autoSize);
}

void TfrxPictureView::SetTransparent(bool value)
{
    m_transparent = value;
    SetColor(value ? clNone : clWhite);
}
