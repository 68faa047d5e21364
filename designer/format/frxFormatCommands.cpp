#include "designer/format/frxFormatCommands.h"

#include "designer/editors/frxHighlightEditor.h"
#include "platform/Ui.h"
#include "report/host/frxDesignerBase.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QFontDialog>
#include <QMenu>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <functional>

namespace frxFormat {

QString AlignHint(TAlignCommand command)
{
    static const char *const hints[] = {"Align Left",
                                        "Align Middle",
                                        "Align Right",
                                        "Align Top",
                                        "Align Center",
                                        "Align Bottom",
                                        "Space Horizontally",
                                        "Space Vertically",
                                        "Center Horizontally in Band",
                                        "Center Vertically in Band",
                                        "Same Width",
                                        "Same Height"};
    return QLatin1String(hints[std::clamp(int(command), 0, 11)]);
}

QString NoStyleCaption()
{
    return QStringLiteral("No style");
}

bool ParseFontSize(const QString &text, int *size, QString *message)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1 || value > 999) {
        if (message)
            *message =
                QStringLiteral("\"%1\" is not a font size: type a whole number of points from 1 to 999.")
                    .arg(text.trimmed());
        return false;
    }
    *size = value;
    return true;
}

bool ParseFrameWidth(const QString &text, double *width, QString *message)
{
    QString t = text.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0.1 || value > 10) {
        if (message)
            *message = QStringLiteral("\"%1\" is not a frame width: type a number from 0.1 to 10.")
                           .arg(text.trimmed());
        return false;
    }
    *width = value;
    return true;
}

} // namespace frxFormat

using namespace frxFormat;

namespace {

bool HasProperty(const QObject *o, const char *name)
{
    return o->metaObject()->indexOfProperty(name) >= 0;
}

bool IsDotMatrix(const QObject *o)
{
    return QLatin1String(o->metaObject()->className()).contains(QLatin1String("DMP"));
}

// Round to the nearest integer, halves to even.
double RoundEven(double value)
{
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(mode);
    return r;
}

TfrxFrame *FrameOf(TfrxComponent *c)
{
    if (auto *view = qobject_cast<TfrxView *>(c))
        return HasProperty(view, "Frame") ? view->Frame() : nullptr;
    if (auto *page = qobject_cast<TfrxReportPage *>(c))
        return page->Frame();
    return nullptr;
}

frx::TfrxFrameType SideOf(int tag)
{
    switch (tag) {
    case tgFrameTop:
        return frx::ftTop;
    case tgFrameBottom:
        return frx::ftBottom;
    case tgFrameLeft:
        return frx::ftLeft;
    default:
        return frx::ftRight;
    }
}

// Tags after which a text object loses its style.
bool ClearsStyle(int tag)
{
    return (tag >= tgFontName && tag <= tgFontColor) || (tag >= tgFrameTop && tag <= tgFrameWidth) ||
           tag == tgShadow;
}

// Tags that also reach the page's frame (or colour) when the page is selected.
bool ReachesPage(int tag)
{
    return (tag >= tgFrameTop && tag <= tgFrameWidth) || tag == tgShadow;
}

} // namespace

// ---- the sample --------------------------------------------------------------------------------------

TSampleFormat::TSampleFormat() : m_memo(std::make_unique<TfrxMemoView>()) {}

TSampleFormat::~TSampleFormat() = default;

void TSampleFormat::TakeSample(const TfrxCustomMemoView *memo)
{
    if (!memo)
        return;
    m_memo->SetColor(memo->Color());
    m_memo->Font()->Assign(*memo->Font());
    m_memo->Frame()->Assign(*memo->Frame());
    m_memo->SetHAlign(memo->HAlign());
    m_memo->SetVAlign(memo->VAlign());
    m_memo->SetRTLReading(memo->RTLReading());
    m_memo->SetParentFont(memo->ParentFont());
}

void TSampleFormat::ApplySample(TfrxCustomMemoView *memo, bool withLayout) const
{
    if (!memo)
        return;
    memo->SetColor(m_memo->Color());
    if (!IsDotMatrix(memo)) {
        memo->Font()->Assign(*m_memo->Font());
        memo->SetParentFont(m_memo->ParentFont());
    }
    if (!withLayout)
        return;
    memo->Frame()->Assign(*m_memo->Frame());
    memo->SetHAlign(m_memo->HAlign());
    memo->SetVAlign(m_memo->VAlign());
    memo->SetRTLReading(m_memo->RTLReading());
}

void TSampleFormat::FitToFont(TfrxCustomMemoView *memo, const QString &caption, double gridX, double gridY)
{
    if (!memo || IsDotMatrix(memo))
        return;
    // A scratch memo of the same font, frame and gaps measures one line of the caption (or of
    // tall characters when there is none).
    TfrxMemoView probe;
    probe.Font()->Assign(*memo->Font());
    probe.Frame()->Assign(*memo->Frame());
    probe.SetGapX(memo->GapX());
    probe.SetGapY(memo->GapY());
    probe.SetWordWrap(false);
    probe.SetBounds(0, 0, 100000, 100);
    probe.SetText(caption.isEmpty() ? QStringLiteral("Wg中") : caption);
    auto steps = [](double size, double grid) {
        return grid > 0 ? std::ceil(size / grid - 1e-6) * grid : std::ceil(size);
    };
    const double height = steps(probe.CalcHeight(), gridY);
    if (memo->Height() < height)
        memo->SetHeight(std::round(height * 1e8) / 1e8);
    if (!caption.isEmpty()) {
        const double width = steps(probe.CalcWidth(), gridX);
        if (memo->Width() < width)
            memo->SetWidth(std::round(width * 1e8) / 1e8);
    }
}

// ---- the dispatcher ----------------------------------------------------------------------------------

TfrxFormatCommands::TfrxFormatCommands(TfrxCustomDesigner *designer, QObject *parent)
    : QObject(parent), m_designer(designer)
{
}

TfrxFormatCommands::~TfrxFormatCommands() = default;

void TfrxFormatCommands::SetGrid(double gridX, double gridY)
{
    if (gridX > 0)
        m_gridX = gridX;
    if (gridY > 0)
        m_gridY = gridY;
}

QList<TfrxComponent *> TfrxFormatCommands::SelectedViews() const
{
    QList<TfrxComponent *> views;
    for (TfrxComponent *c : std::as_const(m_designer->SelectedObjects()))
        if (c != m_designer->Page() && !qobject_cast<TfrxReport *>(c) && !qobject_cast<TfrxPage *>(c))
            views << c;
    return views;
}

bool TfrxFormatCommands::Dispatch(int tag, const QVariant &value)
{
    if (m_updating || !m_designer->Page())
        return false;
    int fontSize = 0;
    double frameWidth = 0;
    QString message;
    if (tag == tgFontSize && !ParseFontSize(value.toString(), &fontSize, &message)) {
        Ui::Message(message, QStringLiteral("Error"), UiIcon::Warning);
        emit RefreshRequested();
        return false;
    }
    if (tag == tgFrameWidth && !ParseFrameWidth(value.toString(), &frameWidth, &message)) {
        Ui::Message(message, QStringLiteral("Error"), UiIcon::Warning);
        emit RefreshRequested();
        return false;
    }
    QVariant v = value;
    if (tag == tgFontDialog) {
        // The font dialog, preset to the first selected object's font; the whole font on OK.
        const QList<TfrxComponent *> views = SelectedViews();
        TfrxComponent *first = views.isEmpty() ? nullptr : views.first();
        if (!first)
            return false;
        QFont preset(first->Font()->Name());
        preset.setPointSize(std::max(1, first->Font()->Size()));
        preset.setBold(first->Font()->Style().testFlag(frx::fsBold));
        preset.setItalic(first->Font()->Style().testFlag(frx::fsItalic));
        preset.setUnderline(first->Font()->Style().testFlag(frx::fsUnderline));
        preset.setStrikeOut(first->Font()->Style().testFlag(frx::fsStrikeOut));
        QFontDialog dialog(preset);
        dialog.setWindowTitle(QStringLiteral("Font"));
        if (!Ui::RunDialog(dialog))
            return false;
        v = dialog.selectedFont().family().isEmpty() ? dialog.currentFont() : dialog.selectedFont();
        if (v.value<QFont>().pointSize() > 999 || v.value<QFont>().pointSize() <= 0) {
            Ui::Message(QStringLiteral("The font size must be from 1 to 999 points."),
                        QStringLiteral("Error"), UiIcon::Warning);
            return false;
        }
    }

    // The highlight editor, preset to the first selected text object's highlight; the whole
    // highlight goes to every selected text object on OK.
    TfrxHighlight highlight;
    if (tag == tgHighlight) {
        TfrxCustomMemoView *first = nullptr;
        for (TfrxComponent *c : SelectedViews())
            if ((first = qobject_cast<TfrxCustomMemoView *>(c)))
                break;
        if (!first)
            return false;
        highlight.Assign(*first->Highlight());
        if (!EditHighlight(m_designer, &highlight))
            return false;
        v = QVariant::fromValue(static_cast<void *>(&highlight));
    }

    QList<TfrxComponent *> targets = SelectedViews();
    TfrxPage *page = m_designer->Page();
    const bool pageSelected = targets.isEmpty() && !m_designer->SelectedObjects().isEmpty() &&
                              m_designer->SelectedObjects().first() == page;
    if (pageSelected && (ReachesPage(tag) || tag == tgFillColor))
        targets << page;

    bool handled = false;
    for (TfrxComponent *c : std::as_const(targets)) {
        if (c->Restrictions().testFlag(frx::rfDontModify))
            continue;
        if (!ApplyTo(c, tag, v, fontSize, frameWidth))
            continue;
        handled = true;
        if (auto *memo = qobject_cast<TfrxCustomMemoView *>(c)) {
            if (ClearsStyle(tag))
                memo->SetStyle(QString());
            m_sample.TakeSample(memo);
        }
    }
    if (handled)
        m_designer->SetModified(true);
    if (handled || tag == tgFrameAll || tag == tgFrameNone || tag == tgFontDialog || ClearsStyle(tag))
        emit RefreshRequested();
    return handled;
}

bool TfrxFormatCommands::ApplyTo(TfrxComponent *c, int tag, const QVariant &value, int fontSize,
                                 double frameWidth)
{
    auto *memo = qobject_cast<TfrxCustomMemoView *>(c);
    auto *view = qobject_cast<TfrxView *>(c);
    const bool hasFont = HasProperty(c, "Font");
    TfrxFrame *frame = FrameOf(c);
    auto setStyle = [c](frx::TFontStyle style, bool on) {
        frx::TFontStyles s = c->Font()->Style();
        s.setFlag(style, on);
        c->Font()->SetStyle(s);
    };
    switch (tag) {
    case tgFontName:
        if (!hasFont || value.toString().isEmpty())
            return false;
        c->Font()->SetName(value.toString());
        return true;
    case tgFontSize:
        if (!hasFont)
            return false;
        c->Font()->SetSize(fontSize);
        return true;
    case tgBold:
    case tgItalic:
    case tgUnderline:
        if (!hasFont)
            return false;
        setStyle(tag == tgBold     ? frx::fsBold
                 : tag == tgItalic ? frx::fsItalic
                                   : frx::fsUnderline,
                 value.toBool());
        return true;
    case tgFontColor:
        if (!hasFont)
            return false;
        c->Font()->SetColor(value.toInt());
        return true;
    case tgAlignLeft:
    case tgAlignCenter:
    case tgAlignRight:
    case tgAlignBlock:
        if (!memo)
            return false;
        memo->SetHAlign(tag == tgAlignLeft     ? frx::haLeft
                        : tag == tgAlignCenter ? frx::haCenter
                        : tag == tgAlignRight  ? frx::haRight
                                               : frx::haBlock);
        return true;
    case tgAlignTop:
    case tgAlignMiddle:
    case tgAlignBottom:
        if (!memo)
            return false;
        memo->SetVAlign(tag == tgAlignTop      ? frx::vaTop
                        : tag == tgAlignMiddle ? frx::vaCenter
                                               : frx::vaBottom);
        return true;
    case tgFrameTop:
    case tgFrameBottom:
    case tgFrameLeft:
    case tgFrameRight: {
        if (!frame)
            return false;
        frx::TfrxFrameTypes typ = frame->Typ();
        typ.setFlag(SideOf(tag), value.toBool());
        frame->SetTyp(typ);
        return true;
    }
    case tgFrameAll:
    case tgFrameNone:
        if (!frame)
            return false;
        frame->SetTyp(tag == tgFrameAll
                          ? frx::TfrxFrameTypes(frx::ftLeft | frx::ftRight | frx::ftTop | frx::ftBottom)
                          : frx::TfrxFrameTypes());
        return true;
    case tgFillColor:
        if (auto *page = qobject_cast<TfrxReportPage *>(c)) {
            page->SetColor(value.toInt());
            return true;
        }
        if (!view || !HasProperty(view, "Color"))
            return false;
        view->SetColor(value.toInt());
        return true;
    case tgFrameColor:
        if (!frame)
            return false;
        frame->SetColor(value.toInt());
        return true;
    case tgFrameStyle:
        if (!frame)
            return false;
        frame->SetStyle(frx::TfrxFrameStyle(std::clamp(value.toInt(), 0, int(frx::fsDouble))));
        return true;
    case tgFrameWidth:
        if (!frame)
            return false;
        frame->SetWidth(frameWidth);
        return true;
    case tgRotation:
        if (!memo)
            return false;
        memo->SetRotation(value.toInt());
        return true;
    case tgFitToGrid:
        return FitToGrid(c);
    case tgShadow:
        if (!frame)
            return false;
        frame->SetDropShadow(value.toBool());
        return true;
    case tgStyle:
        if (!memo)
            return false;
        memo->SetStyle(value.toString() == NoStyleCaption() ? QString() : value.toString());
        return true;
    case tgHighlight:
        if (!memo)
            return false;
        memo->Highlight()->Assign(*static_cast<const TfrxHighlight *>(value.value<void *>()));
        return true;
    case tgFontDialog: {
        if (!hasFont)
            return false;
        const QFont f = value.value<QFont>();
        c->Font()->SetName(f.family());
        c->Font()->SetSize(f.pointSize());
        frx::TFontStyles s;
        s.setFlag(frx::fsBold, f.bold());
        s.setFlag(frx::fsItalic, f.italic());
        s.setFlag(frx::fsUnderline, f.underline());
        s.setFlag(frx::fsStrikeOut, f.strikeOut());
        c->Font()->SetStyle(s);
        return true;
    }
    default:
        return false;
    }
}

bool TfrxFormatCommands::FitToGrid(TfrxComponent *c)
{
    const frx::TfrxRestrictions r = c->Restrictions();
    const bool move = !r.testFlag(frx::rfDontMove), size = !r.testFlag(frx::rfDontSize);
    if (!move && !size)
        return false;
    auto fit = [](double value, double step) { return RoundEven(value / step) * step; };
    // A size that rounds to nothing keeps one step; a size that was nothing (a straight line)
    // stays nothing.
    auto fitSize = [&fit](double value, double step) {
        if (value == 0)
            return 0.0;
        const double fitted = fit(value, step);
        return fitted == 0 ? (value < 0 ? -step : step) : fitted;
    };
    double l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    if (move) {
        l = fit(l, m_gridX);
        t = fit(t, m_gridY);
    }
    if (size) {
        w = fitSize(w, m_gridX);
        h = fitSize(h, m_gridY);
    }
    c->SetBounds(l, t, w, h);
    return true;
}

// ---- the Alignment Palette ---------------------------------------------------------------------------

bool TfrxFormatCommands::Align(TAlignCommand command)
{
    if (!m_designer->Page())
        return false;
    const QList<TfrxComponent *> views = SelectedViews();
    const qsizetype needed = command == acSpaceHorizontally || command == acSpaceVertically     ? 3
                             : command == acCenterHorizontally || command == acCenterVertically ? 1
                                                                                                : 2;
    if (views.size() < needed)
        return false;
    TfrxComponent *r = views.first();
    const bool sizing = command == acSameWidth || command == acSameHeight;
    auto allowed = [sizing](TfrxComponent *c) {
        return !c->Restrictions().testFlag(sizing ? frx::rfDontSize : frx::rfDontMove);
    };
    // Positions are compared on the page, so objects in different bands line up.
    auto setAbsLeft = [](TfrxComponent *c, double absLeft) {
        c->SetLeft(c->Left() + absLeft - c->AbsLeft());
    };
    auto setAbsTop = [](TfrxComponent *c, double absTop) { c->SetTop(c->Top() + absTop - c->AbsTop()); };

    if (command == acSpaceHorizontally || command == acSpaceVertically) {
        const bool across = command == acSpaceHorizontally;
        auto pos = [across](TfrxComponent *c) { return across ? c->AbsLeft() : c->AbsTop(); };
        QList<TfrxComponent *> sorted = views;
        std::stable_sort(sorted.begin(), sorted.end(), [&pos](TfrxComponent *a, TfrxComponent *b) {
            return std::round(pos(a)) < std::round(pos(b));
        });
        const double step = (pos(sorted.last()) - pos(sorted.first())) / double(sorted.size() - 1);
        for (qsizetype i = 1; i + 1 < sorted.size(); ++i) {
            TfrxComponent *c = sorted[i];
            if (!allowed(c))
                continue;
            const double target = pos(sorted[i - 1]) + step;
            if (across)
                setAbsLeft(c, target);
            else
                setAbsTop(c, target);
        }
        m_designer->SetModified(true);
        return true;
    }
    if (command == acCenterHorizontally || command == acCenterVertically) {
        for (TfrxComponent *c : views) {
            if (!allowed(c))
                continue;
            TfrxComponent *parent = c->Parent();
            auto *band = qobject_cast<TfrxBand *>(parent);
            auto *page = qobject_cast<TfrxReportPage *>(m_designer->Page());
            if (command == acCenterHorizontally) {
                const double w = band ? band->Width() : page ? page->PrintableWidth() : parent->Width();
                c->SetLeft((w - c->Width()) / 2);
            } else {
                const double h = band ? band->Height() : page ? page->PrintableHeight() : parent->Height();
                c->SetTop((h - c->Height()) / 2);
            }
        }
        m_designer->SetModified(true);
        return true;
    }
    for (qsizetype i = 1; i < views.size(); ++i) {
        TfrxComponent *o = views[i];
        if (!allowed(o))
            continue;
        switch (command) {
        case acAlignLeft:
            setAbsLeft(o, r->AbsLeft());
            break;
        case acAlignMiddle:
            setAbsLeft(o, r->AbsLeft() + r->Width() / 2 - o->Width() / 2);
            break;
        case acAlignRight:
            setAbsLeft(o, r->AbsLeft() + r->Width() - o->Width());
            break;
        case acAlignTop:
            setAbsTop(o, r->AbsTop());
            break;
        case acAlignCenter:
            setAbsTop(o, r->AbsTop() + r->Height() / 2 - o->Height() / 2);
            break;
        case acAlignBottom:
            setAbsTop(o, r->AbsTop() + r->Height() - o->Height());
            break;
        case acSameWidth:
            o->SetWidth(r->Width());
            break;
        case acSameHeight:
            o->SetHeight(r->Height());
            break;
        default:
            break;
        }
    }
    m_designer->SetModified(true);
    return true;
}

// ---- the page menu's items ---------------------------------------------------------------------------

namespace {

struct MenuItem {
    const char *Key; // the action's object name
    const char *Caption;
    bool (*Applies)(TfrxComponent *);
    bool (*Get)(TfrxComponent *);
    void (*Set)(TfrxComponent *, bool); // nullptr: a command, not a check item
};

TfrxCustomMemoView *AsMemo(TfrxComponent *c)
{
    return qobject_cast<TfrxCustomMemoView *>(c);
}
TfrxPictureView *AsPicture(TfrxComponent *c)
{
    return qobject_cast<TfrxPictureView *>(c);
}
TfrxCustomLineView *AsLine(TfrxComponent *c)
{
    return qobject_cast<TfrxCustomLineView *>(c);
}
TfrxView *AsView(TfrxComponent *c)
{
    return qobject_cast<TfrxView *>(c);
}

bool IsMemo(TfrxComponent *c)
{
    return AsMemo(c);
}
bool IsPicture(TfrxComponent *c)
{
    return AsPicture(c);
}
bool IsLine(TfrxComponent *c)
{
    return AsLine(c);
}
bool IsView(TfrxComponent *c)
{
    return AsView(c) && !qobject_cast<TfrxBand *>(c);
}

const MenuItem MemoItems[] = {
    {"ClearContentsMI", "Clear Contents", IsMemo, nullptr,
     [](TfrxComponent *c, bool) { AsMemo(c)->SetText(QString()); }},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"AutoWidthMI", "Auto Width", IsMemo, [](TfrxComponent *c) { return AsMemo(c)->AutoWidth(); },
     [](TfrxComponent *c, bool v) { AsMemo(c)->SetAutoWidth(v); }},
    {"WordWrapMI", "Word Wrap", IsMemo, [](TfrxComponent *c) { return AsMemo(c)->WordWrap(); },
     [](TfrxComponent *c, bool v) { AsMemo(c)->SetWordWrap(v); }},
    {"SuppressRepeatedMI", "Suppress Repeated Values", IsMemo,
     [](TfrxComponent *c) { return AsMemo(c)->SuppressRepeated(); },
     [](TfrxComponent *c, bool v) { AsMemo(c)->SetSuppressRepeated(v); }},
    {"HideZerosMI", "Hide Zeros", IsMemo, [](TfrxComponent *c) { return AsMemo(c)->HideZeros(); },
     [](TfrxComponent *c, bool v) { AsMemo(c)->SetHideZeros(v); }},
    {"AllowExpressionsMI", "Allow Expressions", IsMemo,
     [](TfrxComponent *c) { return AsMemo(c)->AllowExpressions(); },
     [](TfrxComponent *c, bool v) { AsMemo(c)->SetAllowExpressions(v); }},
    {"AllowHTMLTagsMI", "Allow HTML Tags", [](TfrxComponent *c) { return IsMemo(c) && !IsDotMatrix(c); },
     [](TfrxComponent *c) { return AsMemo(c)->AllowHTMLTags(); },
     [](TfrxComponent *c, bool v) { AsMemo(c)->SetAllowHTMLTags(v); }},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
    {"MemoStretchMI", "Stretch", IsMemo,
     [](TfrxComponent *c) { return AsMemo(c)->StretchMode() == frx::smActualHeight; },
     [](TfrxComponent *c, bool v) {
         AsMemo(c)->SetStretchMode(v ? frx::smActualHeight : frx::smDontStretch);
     }},
    {"StretchToMaxMI", "Stretch to Max Height", IsMemo,
     [](TfrxComponent *c) { return AsMemo(c)->StretchMode() == frx::smMaxHeight; },
     [](TfrxComponent *c, bool v) { AsMemo(c)->SetStretchMode(v ? frx::smMaxHeight : frx::smDontStretch); }},
};

const MenuItem PictureItems[] = {
    {"AutoSizeMI", "Auto Size", IsPicture, [](TfrxComponent *c) { return AsPicture(c)->AutoSize(); },
     [](TfrxComponent *c, bool v) { AsPicture(c)->SetAutoSize(v); }},
    {"PictureStretchMI", "Stretch", IsPicture, [](TfrxComponent *c) { return AsPicture(c)->Stretched(); },
     [](TfrxComponent *c, bool v) { AsPicture(c)->SetStretched(v); }},
    {"CenterMI", "Center", IsPicture, [](TfrxComponent *c) { return AsPicture(c)->Center(); },
     [](TfrxComponent *c, bool v) { AsPicture(c)->SetCenter(v); }},
    {"KeepAspectMI", "Keep Aspect Ratio", IsPicture,
     [](TfrxComponent *c) { return AsPicture(c)->KeepAspectRatio(); },
     [](TfrxComponent *c, bool v) { AsPicture(c)->SetKeepAspectRatio(v); }},
};

const MenuItem LineItems[] = {
    {"DiagonalMI", "Diagonal", [](TfrxComponent *c) { return IsLine(c) && HasProperty(c, "Diagonal"); },
     [](TfrxComponent *c) { return AsLine(c)->Diagonal(); },
     [](TfrxComponent *c, bool v) { AsLine(c)->SetDiagonal(v); }},
    {"LineStretchMI", "Stretch", IsLine,
     [](TfrxComponent *c) { return AsLine(c)->StretchMode() == frx::smMaxHeight; },
     [](TfrxComponent *c, bool v) { AsLine(c)->SetStretchMode(v ? frx::smMaxHeight : frx::smDontStretch); }},
};

const MenuItem ViewItems[] = {
    {"ShiftMI", "Shift", IsView, [](TfrxComponent *c) { return AsView(c)->ShiftMode() == frx::smAlways; },
     [](TfrxComponent *c, bool v) { AsView(c)->SetShiftMode(v ? frx::smAlways : frx::smDontShift); }},
    {"ShiftOverMI", "Shift When Overlapped", IsView,
     [](TfrxComponent *c) { return AsView(c)->ShiftMode() == frx::smWhenOverlapped; },
     [](TfrxComponent *c, bool v) { AsView(c)->SetShiftMode(v ? frx::smWhenOverlapped : frx::smDontShift); }},
    {"VisibleMI", "Visible", IsView, [](TfrxComponent *c) { return AsView(c)->Visible(); },
     [](TfrxComponent *c, bool v) { AsView(c)->SetVisible(v); }},
    {"PrintableMI", "Printable", IsView, [](TfrxComponent *c) { return AsView(c)->Printable(); },
     [](TfrxComponent *c, bool v) { AsView(c)->SetPrintable(v); }},
};

QList<const MenuItem *> ItemsFor(TfrxComponent *c)
{
    QList<const MenuItem *> items;
    auto add = [&items, c](const auto &table, bool separatorAfter) {
        bool any = false;
        for (const MenuItem &item : table)
            if (!item.Key || item.Applies(c)) {
                items << &item;
                any = any || item.Key;
            }
        if (any && separatorAfter)
            items << nullptr;
        else if (!any)
            while (!items.isEmpty() && items.last() && !items.last()->Key)
                items.removeLast();
    };
    if (IsMemo(c))
        add(MemoItems, true);
    else if (IsPicture(c))
        add(PictureItems, true);
    else if (IsLine(c))
        add(LineItems, false);
    if (IsView(c))
        add(ViewItems, false);
    return items;
}

const MenuItem *FindItem(const QString &key)
{
    for (const auto *table :
         {std::begin(MemoItems), std::begin(PictureItems), std::begin(LineItems), std::begin(ViewItems)}) {
        const MenuItem *end = table == std::begin(MemoItems)      ? std::end(MemoItems)
                              : table == std::begin(PictureItems) ? std::end(PictureItems)
                              : table == std::begin(LineItems)    ? std::end(LineItems)
                                                                  : std::end(ViewItems);
        for (const MenuItem *item = table; item != end; ++item)
            if (item->Key && key == QLatin1String(item->Key))
                return item;
    }
    return nullptr;
}

} // namespace

int TfrxFormatCommands::FillMenu(QMenu *menu)
{
    const QList<TfrxComponent *> views = SelectedViews();
    if (views.isEmpty() || !menu)
        return 0;
    TfrxComponent *first = views.first();
    int added = 0;
    for (const MenuItem *item : ItemsFor(first)) {
        if (!item || !item->Key) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(QLatin1String(item->Caption));
        action->setObjectName(QLatin1String(item->Key));
        if (item->Get) {
            action->setCheckable(true);
            action->setChecked(item->Get(first));
        }
        const QString key = QLatin1String(item->Key);
        connect(action, &QAction::triggered, this,
                [this, key](bool checked) { RunMenuCommand(key, checked); });
        ++added;
    }
    return added;
}

bool TfrxFormatCommands::RunMenuCommand(const QString &key, bool checked)
{
    const MenuItem *item = FindItem(key);
    if (!item || !m_designer->Page())
        return false;
    bool changed = false;
    for (TfrxComponent *c : SelectedViews()) {
        if (!item->Applies(c) || c->Restrictions().testFlag(frx::rfDontModify))
            continue;
        item->Set(c, checked);
        changed = true;
    }
    if (changed)
        m_designer->SetModified(true);
    return changed;
}
