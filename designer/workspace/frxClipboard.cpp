#include "designer/workspace/frxClipboard.h"

#include "report/core/frxClassRegistry.h"
#include "report/io/frxSerializeReport.h"
#include "report/io/frxXML.h"
#include "report/model/frxBands.h"
#include "report/model/frxPages.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Bands that a page has once at most.
bool IsSingleInstance(const QMetaObject *meta)
{
    for (const QMetaObject *single :
         {&TfrxReportTitle::staticMetaObject, &TfrxReportSummary::staticMetaObject,
          &TfrxPageHeader::staticMetaObject, &TfrxPageFooter::staticMetaObject,
          &TfrxColumnHeader::staticMetaObject, &TfrxColumnFooter::staticMetaObject})
        if (meta == single)
            return true;
    return false;
}

// What may be pasted on a page: views and bands on report pages; on the data page only lines,
// texts and shapes.
bool Accepts(const QMetaObject *meta, const TfrxPage *page)
{
    if (qobject_cast<const TfrxDataPage *>(page))
        return meta->inherits(&TfrxCustomLineView::staticMetaObject) ||
               meta->inherits(&TfrxCustomMemoView::staticMetaObject) ||
               meta->inherits(&TfrxShapeView::staticMetaObject);
    if (!qobject_cast<const TfrxReportPage *>(page))
        return false;
    return meta->inherits(&TfrxView::staticMetaObject) || meta->inherits(&TfrxBand::staticMetaObject);
}

// Writes an object as one element with its position moved by (-dx, -dy), whatever it may not do.
QString Element(TfrxComponent *c, double dx, double dy)
{
    const frx::TfrxRestrictions restrictions = c->Restrictions();
    const double left = c->Left(), top = c->Top();
    c->SetRestrictions({});
    c->SetLeft(c->AbsLeft() - dx);
    c->SetTop(c->AbsTop() - dy);
    QString text = frxComponentToText(*c);
    c->SetLeft(left);
    c->SetTop(top);
    c->SetRestrictions(restrictions);
    const qsizetype space = text.indexOf(u' ');
    const QString className = space < 0 ? text : text.left(space);
    const QString rest = space < 0 ? QString() : text.mid(space);
    return QLatin1Char('<') + className + QStringLiteral(" Name=\"") + StrToXML(c->Name()) +
           QLatin1Char('"') + rest + QStringLiteral("/>");
}

} // namespace

QString frxClipboard::Header()
{
    return QStringLiteral("#FR3 clipboard#");
}

QString frxClipboard::CopyText(const QList<TfrxComponent *> &selection, TfrxPage *page)
{
    QList<TfrxComponent *> ordered;
    if (page) {
        for (TfrxComponent *c : page->AllObjects())
            if (selection.contains(c))
                ordered << c;
    }
    double minLeft = 100000, minTop = 100000;
    for (TfrxComponent *c : std::as_const(ordered)) {
        minLeft = std::min(minLeft, c->AbsLeft());
        minTop = std::min(minTop, c->AbsTop());
    }
    QString text = Header() + QStringLiteral("\n\r");
    for (TfrxComponent *c : std::as_const(ordered)) {
        text += Element(c, minLeft, minTop) + QStringLiteral("\r\n");
        if (qobject_cast<TfrxBand *>(c)) {
            bool anySelected = false;
            for (TfrxComponent *child : c->Objects())
                anySelected = anySelected || selection.contains(child);
            if (!anySelected)
                for (TfrxComponent *child : c->Objects())
                    text += Element(child, minLeft, minTop) + QStringLiteral("\r\n");
        }
    }
    return text;
}

bool frxClipboard::CanPaste(const QString &text)
{
    return text.size() <= MaxText && text.startsWith(Header());
}

QList<TfrxComponent *> frxClipboard::Paste(const QString &text, TfrxPage *page)
{
    QList<TfrxComponent *> placed;
    TfrxReport *report = page ? page->Report() : nullptr;
    if (!report || !CanPaste(text))
        return placed;
    static const QRegularExpression element(QStringLiteral("<([A-Za-z_][A-Za-z0-9_]*)((?:\\s[^<>]*)?)/>"));
    static const QRegularExpression nameAttr(QStringLiteral("\\sName=\"([^\"]*)\""));
    QList<TfrxBand *> pastedBands;
    auto it = element.globalMatch(text, Header().size());
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString className = m.captured(1);
        const QMetaObject *meta = frxFindClass(className);
        if (!meta || !Accepts(meta, page))
            continue;
        if (IsSingleInstance(meta)) {
            bool present = false;
            for (TfrxComponent *c : page->Objects())
                present = present || c->metaObject() == meta;
            if (present)
                continue;
        }
        QString attributes = m.captured(2);
        QString name;
        if (const QRegularExpressionMatch n = nameAttr.match(attributes); n.hasMatch()) {
            name = XMLToStr(n.captured(1));
            attributes.remove(n.capturedStart(), n.capturedLength());
        }
        TfrxComponent *c = frxComponentFromText(className + attributes, page);
        if (!c)
            break; // an element that gives nothing ends the paste; what came before stays
        if (!name.isEmpty() && TComponent::IsValidIdent(name) && !report->FindObject(name))
            c->SetName(name);
        else
            c->CreateUniqueName();
        if (auto *view = qobject_cast<TfrxView *>(c))
            view->SetGroupIndex(0);
        if (auto *band = qobject_cast<TfrxBand *>(c)) {
            pastedBands << band;
            placed << band;
            continue;
        }
        TfrxBand *home = nullptr;
        for (TfrxBand *band : std::as_const(pastedBands))
            if (c->Top() >= band->Top() && c->Top() < band->Top() + band->Height())
                home = band;
        if (home) {
            c->SetParent(home);
            c->SetTop(c->Top() - home->Top());
            c->SetLeft(c->Left() - home->Left());
        } else {
            placed << c;
        }
    }
    return placed;
}

namespace {
QString lastCopied;
QPointF lastPlace;
} // namespace

void frxClipboard::Copy(const QList<TfrxComponent *> &selection, TfrxPage *page)
{
    const QString text = CopyText(selection, page);
    double minLeft = 100000, minTop = 100000;
    if (page)
        for (TfrxComponent *c : page->AllObjects())
            if (selection.contains(c)) {
                minLeft = std::min(minLeft, c->AbsLeft());
                minTop = std::min(minTop, c->AbsTop());
            }
    lastCopied = text;
    lastPlace = minLeft < 100000 ? QPointF(minLeft, minTop) : QPointF();
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

QPointF frxClipboard::CopiedPlace(const QString &text)
{
    return text == lastCopied ? lastPlace : QPointF();
}

QString frxClipboard::ClipboardText()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data || !data->hasText())
        return QString();
    return data->text();
}

bool frxClipboard::ClipboardHasObjects()
{
    return CanPaste(ClipboardText());
}
