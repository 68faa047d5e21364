// Pictures by reference: a picture object whose FileLink names a file (or holds bracketed
// expressions that give one) takes its picture from that file at build time.

#include "report/expr/frxExpand.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A relative name is looked for beside the layout first, then from the working folder.
QString ResolvePictureFile(const TfrxReport *report, const QString &name)
{
    if (QFileInfo(name).isAbsolute() || !report || report->FileName().isEmpty())
        return name;
    const QString beside = QFileInfo(report->FileName()).dir().filePath(name);
    return QFileInfo::exists(beside) ? beside : name;
}

} // namespace

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
    // Layouts from other systems write their own separators.
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString path = name.isEmpty() ? QString() : ResolvePictureFile(report, name);
    TPicture picture;
    if (!path.isEmpty() && QFileInfo(path).isFile() && picture.LoadFromFile(path)) {
        SetPicture(picture);
        return;
    }
    SetPicture(TPicture());
    if (report)
        report->AddError(QStringLiteral("%1: cannot load the picture \"%2\"")
                             .arg(Name().isEmpty() ? ClassName() : Name(), name));
}
