#include "designer/format/frxFormatBars.h"

#include "designer/format/frxFormatCommands.h"
#include "designer/format/frxFormatControls.h"
#include "designer/format/frxFormatIcons.h"
#include "designer/window/frxDesgn.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxStyles.h"
#include "report/model/frxViews.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

using namespace frxFormat;

namespace {

bool Has(const QObject *o, const char *name)
{
    return o && o->metaObject()->indexOfProperty(name) >= 0;
}

const TfrxFrame *FrameOf(const TfrxComponent *c)
{
    if (auto *view = qobject_cast<const TfrxView *>(c))
        return Has(view, "Frame") ? view->Frame() : nullptr;
    if (auto *page = qobject_cast<const TfrxReportPage *>(c))
        return page->Frame();
    return nullptr;
}

QString WidthText(double value)
{
    return QLocale().toString(value, 'g', 4);
}

} // namespace

TfrxFormatBars::TfrxFormatBars(TfrxDesignerForm *form, TfrxFormatCommands *commands)
    : QObject(form), m_form(form), m_commands(commands)
{
    auto dispatch = [this](int tag, const QVariant &value = QVariant()) { m_commands->Dispatch(tag, value); };

    // ---- Text ----
    m_textBar = new QToolBar(QStringLiteral("Text"), form);
    m_textBar->setObjectName(QStringLiteral("TextTB"));
    form->addToolBarBreak();
    form->addToolBar(m_textBar);
    m_fontBox = new TfrxFontComboBox(form->Report()->IniFile(), m_textBar);
    m_fontBox->setProperty("tag", tgFontName);
    m_fontBox->Fill();
    connect(m_fontBox, &TfrxFontComboBox::FontChosen, this,
            [dispatch](const QString &name) { dispatch(tgFontName, name); });
    m_textBar->addWidget(m_fontBox);
    m_sizeBox = new QComboBox(m_textBar);
    m_sizeBox->setObjectName(QStringLiteral("FontSizeCB"));
    m_sizeBox->setProperty("tag", tgFontSize);
    m_sizeBox->setEditable(true);
    m_sizeBox->setInsertPolicy(QComboBox::NoInsert);
    m_sizeBox->addItems({QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                         QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("11"),
                         QStringLiteral("12"), QStringLiteral("14"), QStringLiteral("16"),
                         QStringLiteral("18"), QStringLiteral("20"), QStringLiteral("22"),
                         QStringLiteral("24"), QStringLiteral("26"), QStringLiteral("28"),
                         QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("72")});
    m_sizeBox->setMinimumContentsLength(3);
    connect(m_sizeBox, &QComboBox::textActivated, this,
            [dispatch](const QString &text) { dispatch(tgFontSize, text); });
    m_textBar->addWidget(m_sizeBox);
    m_textBar->addSeparator();
    AddToggle(m_textBar, tgBold, QStringLiteral("Bold"), QStringLiteral("BoldB"));
    AddToggle(m_textBar, tgItalic, QStringLiteral("Italic"), QStringLiteral("ItalicB"));
    AddToggle(m_textBar, tgUnderline, QStringLiteral("Underline"), QStringLiteral("UnderlineB"));

    auto colorButton = [this](QToolBar *bar, int tag, const QString &caption, const QString &name, int slot) {
        auto *button = new QToolButton(bar);
        button->setObjectName(name);
        button->setText(caption);
        button->setToolTip(caption);
        button->setProperty("tag", tag);
        connect(button, &QToolButton::clicked, this, [this, tag] { OpenColorSelector(tag); });
        bar->addWidget(button);
        m_colorButtons[slot] = button;
    };
    colorButton(m_textBar, tgFontColor, QStringLiteral("Font Color"), QStringLiteral("FontColorB"), 0);
    m_textBar->addSeparator();
    auto *hAlign = new QActionGroup(this);
    auto *vAlign = new QActionGroup(this);
    const struct {
        int Tag;
        const char *Caption;
        const char *Name;
    } aligns[] = {{tgAlignLeft, "Align Left", "TextAlignLeftB"},
                  {tgAlignCenter, "Align Center", "TextAlignCenterB"},
                  {tgAlignRight, "Align Right", "TextAlignRightB"},
                  {tgAlignBlock, "Justify", "TextAlignBlockB"},
                  {tgAlignTop, "Align Top", "TextAlignTopB"},
                  {tgAlignMiddle, "Align Middle", "TextAlignMiddleB"},
                  {tgAlignBottom, "Align Bottom", "TextAlignBottomB"}};
    for (const auto &a : aligns) {
        if (a.Tag == tgAlignTop)
            m_textBar->addSeparator();
        QAction *action = AddToggle(m_textBar, a.Tag, QLatin1String(a.Caption), QLatin1String(a.Name));
        (a.Tag <= tgAlignBlock ? hAlign : vAlign)->addAction(action);
    }
    m_textBar->addSeparator();
    auto *rotation = new QToolButton(m_textBar);
    rotation->setObjectName(QStringLiteral("RotateB"));
    rotation->setText(QStringLiteral("Rotation"));
    rotation->setProperty("tag", tgRotation);
    rotation->setPopupMode(QToolButton::InstantPopup);
    auto *rotationMenu = new QMenu(rotation);
    for (int degrees : {0, 45, 90, 180, 270})
        connect(rotationMenu->addAction(QString::number(degrees)), &QAction::triggered, this,
                [dispatch, degrees] { dispatch(tgRotation, degrees); });
    rotation->setMenu(rotationMenu);
    m_textBar->addWidget(rotation);
    m_styleBox = new QComboBox(m_textBar);
    m_styleBox->setObjectName(QStringLiteral("StyleCB"));
    m_styleBox->setProperty("tag", tgStyle);
    m_styleBox->setMinimumContentsLength(10);
    connect(m_styleBox, &QComboBox::textActivated, this,
            [dispatch](const QString &text) { dispatch(tgStyle, text); });
    m_textBar->addWidget(m_styleBox);
    QAction *highlight = m_textBar->addAction(QStringLiteral("Highlight..."));
    highlight->setObjectName(QStringLiteral("HighlightB"));
    highlight->setProperty("tag", tgHighlight);
    connect(highlight, &QAction::triggered, this, [dispatch] { dispatch(tgHighlight); });
    m_tagActions << highlight;
    QAction *fontDialog = m_textBar->addAction(QStringLiteral("Font..."));
    fontDialog->setObjectName(QStringLiteral("FontB"));
    fontDialog->setProperty("tag", tgFontDialog);
    connect(fontDialog, &QAction::triggered, this, [dispatch] { dispatch(tgFontDialog); });
    m_tagActions << fontDialog;

    // ---- Frame ----
    m_frameBar = new QToolBar(QStringLiteral("Frame"), form);
    m_frameBar->setObjectName(QStringLiteral("FrameTB"));
    form->addToolBar(m_frameBar);
    AddToggle(m_frameBar, tgFrameTop, QStringLiteral("Top Line"), QStringLiteral("FrameTopB"));
    AddToggle(m_frameBar, tgFrameBottom, QStringLiteral("Bottom Line"), QStringLiteral("FrameBottomB"));
    AddToggle(m_frameBar, tgFrameLeft, QStringLiteral("Left Line"), QStringLiteral("FrameLeftB"));
    AddToggle(m_frameBar, tgFrameRight, QStringLiteral("Right Line"), QStringLiteral("FrameRightB"));
    for (int tag : {tgFrameAll, tgFrameNone}) {
        QAction *action = m_frameBar->addAction(tag == tgFrameAll ? QStringLiteral("All Lines")
                                                                  : QStringLiteral("No Lines"));
        action->setObjectName(tag == tgFrameAll ? QStringLiteral("FrameAllB") : QStringLiteral("FrameNoB"));
        action->setProperty("tag", tag);
        connect(action, &QAction::triggered, this, [dispatch, tag] { dispatch(tag); });
        m_tagActions << action;
    }
    AddToggle(m_frameBar, tgShadow, QStringLiteral("Shadow"), QStringLiteral("ShadowB"));
    m_frameBar->addSeparator();
    colorButton(m_frameBar, tgFillColor, QStringLiteral("Fill Color"), QStringLiteral("FillColorB"), 1);
    colorButton(m_frameBar, tgFrameColor, QStringLiteral("Frame Color"), QStringLiteral("FrameColorB"), 2);
    auto *styleButton = new QToolButton(m_frameBar);
    styleButton->setObjectName(QStringLiteral("FrameStyleB"));
    styleButton->setText(QStringLiteral("Frame Style"));
    styleButton->setProperty("tag", tgFrameStyle);
    m_frameBar->addWidget(styleButton);
    m_lineSelector = new TfrxLineSelector(form);
    connect(styleButton, &QToolButton::clicked, this,
            [this, styleButton] { m_lineSelector->Popup(styleButton); });
    connect(m_lineSelector, &TfrxLineSelector::StylePicked, this,
            [dispatch](int style) { dispatch(tgFrameStyle, style); });
    m_widthBox = new QComboBox(m_frameBar);
    m_widthBox->setObjectName(QStringLiteral("FrameWidthCB"));
    m_widthBox->setProperty("tag", tgFrameWidth);
    m_widthBox->setEditable(true);
    m_widthBox->setInsertPolicy(QComboBox::NoInsert);
    m_widthBox->setMinimumContentsLength(4);
    connect(m_widthBox, &QComboBox::textActivated, this,
            [dispatch](const QString &text) { dispatch(tgFrameWidth, text); });
    m_frameBar->addWidget(m_widthBox);

    m_colorSelector = new TfrxColorSelector(form);
    connect(m_colorSelector, &TfrxColorSelector::ColorPicked, this,
            [this, dispatch](TColor color) { dispatch(m_colorTag, color); });

    // ---- Align ----
    m_alignBar = new QToolBar(QStringLiteral("Align"), form);
    m_alignBar->setObjectName(QStringLiteral("AlignTB"));
    form->addToolBar(m_alignBar);
    for (int i = acAlignLeft; i <= acSameHeight; ++i) {
        if (i == acAlignTop || i == acSpaceHorizontally || i == acCenterHorizontally || i == acSameWidth)
            m_alignBar->addSeparator();
        const auto command = TAlignCommand(i);
        QAction *action = m_alignBar->addAction(AlignHint(command));
        action->setToolTip(AlignHint(command));
        action->setObjectName(QStringLiteral("AlignPalette%1").arg(i));
        connect(action, &QAction::triggered, this, [this, command] { m_commands->Align(command); });
    }
    m_alignBar->hide();
    QAction *palette = m_alignBar->toggleViewAction();
    palette->setText(QStringLiteral("Alignment Palette"));
    palette->setObjectName(QStringLiteral("AlignPaletteCmd"));
    if (auto *view = form->findChild<QMenu *>(QStringLiteral("ViewMenu")))
        view->addAction(palette);
    if (auto *toolbars = form->findChild<QMenu *>(QStringLiteral("ToolbarsCmd")))
        for (QToolBar *bar : {m_textBar, m_frameBar})
            toolbars->addAction(bar->toggleViewAction());

    // Pictures on the buttons; the captions stay as their hints.
    for (QToolBar *bar : {m_textBar, m_frameBar, m_alignBar}) {
        for (QAction *action : bar->actions()) {
            const QIcon icon = frxFormatIcon(action->objectName());
            if (!icon.isNull())
                action->setIcon(icon);
        }
        for (QToolButton *button : bar->findChildren<QToolButton *>()) {
            const QIcon icon = frxFormatIcon(button->objectName());
            if (icon.isNull())
                continue;
            button->setIcon(icon);
            button->setToolTip(button->text());
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
    }

    connect(m_commands, &TfrxFormatCommands::RefreshRequested, this, &TfrxFormatBars::Refresh);
}

TfrxFormatBars::~TfrxFormatBars() = default;

QAction *TfrxFormatBars::AddToggle(QToolBar *bar, int tag, const QString &caption, const QString &name)
{
    QAction *action = bar->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setProperty("tag", tag);
    connect(action, &QAction::triggered, this,
            [this, tag](bool checked) { m_commands->Dispatch(tag, checked); });
    m_tagActions << action;
    return action;
}

QAction *TfrxFormatBars::TagAction(int tag) const
{
    for (QAction *action : m_tagActions)
        if (action->property("tag").toInt() == tag)
            return action;
    return nullptr;
}

void TfrxFormatBars::OpenColorSelector(int tag)
{
    m_colorTag = tag;
    // Preset: the first selected object that has such a colour; black without one.
    TColor preset = clBlack;
    QList<TfrxComponent *> objects = m_commands->SelectedViews();
    if (objects.isEmpty() && m_form->Page())
        objects << m_form->Page();
    for (TfrxComponent *c : objects) {
        if (tag == tgFontColor && Has(c, "Font")) {
            preset = c->Font()->Color();
            break;
        }
        if (tag == tgFrameColor && FrameOf(c)) {
            preset = FrameOf(c)->Color();
            break;
        }
        if (tag == tgFillColor) {
            if (auto *view = qobject_cast<TfrxView *>(c); view && Has(view, "Color")) {
                preset = view->Color();
                break;
            }
            if (auto *page = qobject_cast<TfrxReportPage *>(c)) {
                preset = page->Color();
                break;
            }
        }
    }
    m_colorSelector->SetColor(preset);
    QToolButton *button = m_colorButtons[tag == tgFontColor ? 0 : tag == tgFillColor ? 1 : 2];
    m_colorSelector->Popup(button);
}

void TfrxFormatBars::FillStyles()
{
    const QSignalBlocker block(m_styleBox);
    QStringList names{NoStyleCaption()};
    if (TfrxReport *report = m_form->Report())
        for (int i = 0; i < report->Styles()->Count(); ++i)
            names << report->Styles()->Items(i)->Name();
    bool same = m_styleBox->count() == names.size();
    for (int i = 0; same && i < names.size(); ++i)
        same = m_styleBox->itemText(i) == names[i];
    if (!same) {
        m_styleBox->clear();
        m_styleBox->addItems(names);
    }
}

void TfrxFormatBars::Refresh()
{
    const bool wasUpdating = m_commands->Updating();
    m_commands->SetUpdating(true);
    QList<TfrxComponent *> views = m_commands->SelectedViews();
    TfrxPage *page = m_form->Page();
    if (views.isEmpty() && page)
        views << page;
    const bool several = views.size() > 1;
    TfrxComponent *first = views.isEmpty() ? nullptr : views.first();
    auto *memo = qobject_cast<TfrxCustomMemoView *>(first);
    const TfrxFrame *frame = FrameOf(first);
    const bool font = Has(first, "Font") && !qobject_cast<TfrxPage *>(first);
    const bool sides =
        frame && !qobject_cast<TfrxCustomLineView *>(first) && !qobject_cast<TfrxShapeView *>(first);
    const bool color = first && (Has(first, "Color") || qobject_cast<TfrxReportPage *>(first));
    const bool show = !several && first;

    FillStyles();
    m_fontBox->setEnabled(font || several);
    m_fontBox->ShowFont(show && font ? first->Font()->Name() : QString());
    m_sizeBox->setEnabled(font || several);
    m_sizeBox->setEditText(show && font ? QString::number(first->Font()->Size()) : QString());
    auto setToggle = [this](int tag, bool enabled, bool checked) {
        if (QAction *action = TagAction(tag)) {
            action->setEnabled(enabled);
            action->setChecked(enabled && checked);
        }
    };
    const frx::TFontStyles styles = show && font ? first->Font()->Style() : frx::TFontStyles();
    setToggle(tgBold, font || several, styles.testFlag(frx::fsBold));
    setToggle(tgItalic, font || several, styles.testFlag(frx::fsItalic));
    setToggle(tgUnderline, font || several, styles.testFlag(frx::fsUnderline));
    m_colorButtons[0]->setEnabled(font || several);
    const bool alignments = memo || several;
    setToggle(tgAlignLeft, alignments, show && memo && memo->HAlign() == frx::haLeft);
    setToggle(tgAlignCenter, alignments, show && memo && memo->HAlign() == frx::haCenter);
    setToggle(tgAlignRight, alignments, show && memo && memo->HAlign() == frx::haRight);
    setToggle(tgAlignBlock, alignments, show && memo && memo->HAlign() == frx::haBlock);
    setToggle(tgAlignTop, alignments, show && memo && memo->VAlign() == frx::vaTop);
    setToggle(tgAlignMiddle, alignments, show && memo && memo->VAlign() == frx::vaCenter);
    setToggle(tgAlignBottom, alignments, show && memo && memo->VAlign() == frx::vaBottom);
    m_styleBox->setEnabled(alignments);
    m_styleBox->setCurrentIndex(show && memo ? std::max(0, m_styleBox->findText(memo->Style()))
                                : several    ? -1
                                             : 0);
    if (show && memo && memo->Style().isEmpty())
        m_styleBox->setCurrentIndex(0);

    const frx::TfrxFrameTypes typ = show && frame ? frame->Typ() : frx::TfrxFrameTypes();
    setToggle(tgFrameTop, sides || several, typ.testFlag(frx::ftTop));
    setToggle(tgFrameBottom, sides || several, typ.testFlag(frx::ftBottom));
    setToggle(tgFrameLeft, sides || several, typ.testFlag(frx::ftLeft));
    setToggle(tgFrameRight, sides || several, typ.testFlag(frx::ftRight));
    setToggle(tgShadow, frame || several, show && frame && frame->DropShadow());
    for (int tag : {tgFrameAll, tgFrameNone})
        if (QAction *action = TagAction(tag))
            action->setEnabled(sides || several);
    m_colorButtons[1]->setEnabled(color || several);
    m_colorButtons[2]->setEnabled(frame || several);
    {
        const QSignalBlocker block(m_widthBox);
        m_widthBox->clear();
        for (double w : {0.1, 0.5, 1.0, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0})
            m_widthBox->addItem(WidthText(w));
        m_widthBox->setEnabled(frame || several);
        m_widthBox->setEditText(show && frame ? WidthText(frame->Width()) : QString());
    }
    m_commands->SetUpdating(wasUpdating);
}
