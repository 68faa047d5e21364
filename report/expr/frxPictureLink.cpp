// Pictures by reference: a picture object whose FileLink names a file (or holds bracketed
// expressions that give one) takes its picture from that file at build time, from the layout's
// folder or the template tree only.

#include "report/expr/frxExpand.h"
#include "report/io/frxTemplateFiles.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

void TfrxPictureView::ComputeData()
{
    TfrxReport *report = Report();
    if (TagStr().contains(QLatin1Char('[')))
        SetTagStr(frxExpandSimple(report, TagStr()));
    if (URL().contains(QLatin1Char('[')))
        SetURL(frxExpandSimple(report, URL()));
    if (FileLink().trimmed().isEmpty())
        return;

    QString name = FileLink().trimmed();
    if (name.contains(QLatin1Char('[')))
        name = frxExpandSimple(report, name).trimmed();
    // Only a picture of the layout's folder (a relative name is looked for there first) or of the
    // template tree: a layout from a stranger must not print any picture of the disk.
    QByteArray bytes;
    QString why;
    TPicture picture;
    if (!name.isEmpty() && frxReadTemplateFile(report, name, frxMaxLinkedPictureBytes, bytes, why) &&
        picture.LoadFromData(bytes)) {
        SetPicture(picture);
        return;
    }
    SetPicture(TPicture());
    if (report)
        report->AddError(QStringLiteral("%1: cannot load the picture \"%2\"%3")
                             .arg(Name().isEmpty() ? ClassName() : Name(), name,
                                  why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
}
