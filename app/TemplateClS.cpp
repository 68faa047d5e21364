#include "app/TemplateClS.h"

#include "app/FunctionPAK.h"
#include "app/ProgramHome.h"
#include "platform/ConfinedFile.h"
#include "platform/IniFile.h"
#include "platform/Ui.h"
#include "report/draw/frxFontTable.h"
#include "report/io/frxTemplateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString AppPath;
int CurrHAO = 0;
int CurrVAO = 0;
QString CurrPrinter;
bool RawOrderValues = false;
QList<TColumn> OrderColumns;
std::vector<THashTable> OrderRows;
QList<TTemplatePtr> TemplateList;
TTemplatePtr CurrTemplate;
QString ColumnMode = QStringLiteral("1");
int AutoPrintBusy = 0;

namespace {
const QString kDefaultSupportUrl = QStringLiteral("https://www.tavrel.cn/support");
const QString kDefaultShopUrl = QStringLiteral("https://shop.tavrel.cn");

int StrToInt(const QString &text)
{
    int value;
    if (!IniFile::ParseInteger(text, &value))
        throw Exception(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

// A file name of a template is a plain name inside its folder: with a separator or as ".." it
// would reach files elsewhere.
bool PlainFileName(const QString &name)
{
    return name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char(':'));
}

QString TemplateMessage(const QString &folder, const QString &text)
{
    return QStringLiteral("模板 %1: %2").arg(QDir::toNativeSeparators(folder), text);
}

QString LinkedOutText(const QString &name)
{
    return QStringLiteral("%1 是指向模板文件夹以外的链接, 不会读取或写入").arg(name);
}
} // namespace

TTemplate::TTemplate(const QString &folder)
{
    try {
        // A template folder may come from a stranger: a file of it that is a link out of the folder
        // is neither read nor written.
        if (ConfinedFile::LeavesItsFolder(folder + QStringLiteral("/CFG.INI")))
            throw Exception(TemplateMessage(folder, LinkedOutText(QStringLiteral("CFG.INI"))));
        const IniFile ini(folder + QStringLiteral("/CFG.INI"));
        if (const QString problem = ini.Problem(); !problem.isEmpty())
            throw Exception(TemplateMessage(folder, QStringLiteral("CFG.INI 无法读取 (%1)").arg(problem)));
        if (QFileInfo::exists(ini.FileName()) && !ini.SectionExists(QStringLiteral("INFO")))
            throw Exception(TemplateMessage(folder, QStringLiteral("CFG.INI 中没有 [INFO] 段, 不是模板设置文件")));
        TmpName = ini.ReadString(QStringLiteral("INFO"), QStringLiteral("TMP_NAME"), QStringLiteral("N"));
        TmpColCnt = ini.ReadInteger(QStringLiteral("INFO"), QStringLiteral("TMP_COL_CNT"), 0);
        TmpPath = folder;
        for (auto [key, field] : {std::pair{"TMP_FILE_NAME", &TmpFileName}, std::pair{"TMP_IMG_NAME", &TmpImgName}}) {
            const QString name = ini.ReadString(QStringLiteral("INFO"), QLatin1String(key), QStringLiteral("N"));
            if (!PlainFileName(name))
                throw Exception(TemplateMessage(
                    folder, QStringLiteral("CFG.INI 的 %1 '%2' 不是模板文件夹中的文件名").arg(QLatin1String(key), name)));
            *field = name;
        }
        m_namesRead = true;
        for (const QString &name : {TmpFileName, TmpImgName})
            if (name != QLatin1String("N") && ConfinedFile::LeavesItsFolder(folder + QLatin1Char('/') + name))
                Ui::Message(TemplateMessage(folder, LinkedOutText(name)), QStringLiteral("error-temp"),
                            UiIcon::Warning);
        if (ColumnMode == QLatin1String("1"))
            Columns = OrderColumns;
        if (ColumnMode == QLatin1String("0")) {
            for (int i = 1; i <= TmpColCnt; ++i) {
                const QString value =
                    ini.ReadString(QStringLiteral("COLUMNS"), QStringLiteral("C_%1").arg(i), QStringLiteral("N"));
                if (value == QLatin1String("N"))
                    continue;
                const QStringList parts = SplitString(value, QStringLiteral("|"));
                if (parts.size() < 3)
                    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(parts.size()));
                TColumn column;
                column.ColName = parts[0];
                column.ColWidth = StrToInt(parts[1]);
                column.ColIndex = i;
                column.ColFlag = parts[2] == QLatin1String("M");
                Columns << column;
            }
        }
    } catch (const std::exception &e) {
        Problem = ExceptionText(e);
        Ui::Message(Problem, QStringLiteral("error-temp"), UiIcon::Error);
    }
    if (TmpPath.isEmpty())
        TmpPath = folder;
    // A record whose settings could not be read names no file at all; it goes by its folder's name
    // (the "N" of a missing name would say nothing).
    if (!m_namesRead) {
        if (TmpName.isEmpty() || TmpName == QLatin1String("N"))
            TmpName = QFileInfo(folder).fileName();
        TmpFileName = QStringLiteral("N");
        TmpImgName = QStringLiteral("N");
    }
}

QString TTemplate::ShownName() const
{
    return Problem.isEmpty() ? TmpName : TmpName + QStringLiteral(" (设置有误, 不能使用)");
}

QString TTemplate::LayoutPath() const { return TmpPath + QLatin1Char('/') + TmpFileName; }

QString PrinterIniPath() { return AppPath + QStringLiteral("config/PRINTER.INI"); }

QString TemplateRoot() { return AppPath + QStringLiteral("template/"); }

void InitGlobals(const QString &home)
{
    try {
        QString problem;
        AppPath = FindProgramHome(home, &problem);
        // The seller hears why templates or settings are missing; what is there is still used.
        if (!problem.isEmpty())
            Ui::Message(problem, QStringLiteral("error"), UiIcon::Error);
        if (!AppPath.endsWith(QLatin1Char('/')))
            AppPath += QLatin1Char('/');
        // Fonts the user added beside the program draw text like the ones it comes with.
        TfrxFontTable::Global().LoadOnce(AppPath + QStringLiteral("config/fonts.ini"));
        // Files a layout names (script units, pictures, ancestors) come from its folder or here.
        frxSetTemplateTree(TemplateRoot());
        ColumnMode = QStringLiteral("1");
        AutoPrintBusy = 0;
        CurrTemplate.reset();
        LoadPrinterConfig();
        OrderRows.clear();
        TemplateList.clear();
        ReloadTemplates();
    } catch (const std::exception &e) {
        Ui::Message(ExceptionText(e), QStringLiteral("error"), UiIcon::Error);
    }
}

bool ParseOffset(const QString &text, const QString &what, int *value, QString *message)
{
    int n = 0;
    if (!IniFile::ParseInteger(text, &n) || n < -MaxOffsetMm || n > MaxOffsetMm) {
        if (message)
            *message = QStringLiteral("%1 \"%2\" 无效: 偏移须是 -%3 到 %3 之间的整数(毫米)。")
                           .arg(what, text)
                           .arg(MaxOffsetMm);
        return false;
    }
    *value = n;
    return true;
}

int ReadOffsetSetting(const IniFile &ini, const QString &key, QString *message)
{
    const QString text = ini.ReadString(QStringLiteral("SYS"), key, QString());
    int value = 0;
    if (text.trimmed().isEmpty())
        return 0;
    const QString what = key == QLatin1String("VAR_CURR_HAO") ? QStringLiteral("水平偏移") : QStringLiteral("垂直偏移");
    if (!ParseOffset(text, what, &value, message)) {
        if (message)
            *message += QStringLiteral(" 设置文件中的值按 0 处理。");
        return 0;
    }
    return value;
}

void LoadPrinterConfig()
{
    try {
        const IniFile ini(PrinterIniPath());
        OrderColumns.clear();
        if (const QString problem = ini.Problem(); !problem.isEmpty())
            throw Exception(QStringLiteral("设置文件 %1 无法读取 (%2)")
                                .arg(QDir::toNativeSeparators(PrinterIniPath()), problem));
        QString hMessage, vMessage;
        CurrHAO = ReadOffsetSetting(ini, QStringLiteral("VAR_CURR_HAO"), &hMessage);
        CurrVAO = ReadOffsetSetting(ini, QStringLiteral("VAR_CURR_VAO"), &vMessage);
        for (const QString &message : {hMessage, vMessage})
            if (!message.isEmpty())
                Ui::Message(message, QStringLiteral("提示"), UiIcon::Warning);
        CurrPrinter = ini.ReadString(QStringLiteral("SYS"), QStringLiteral("VAR_CURR_PRINTER"), QString());
        RawOrderValues = ini.ReadString(QStringLiteral("SYS"), QStringLiteral("RAW_ORDER_VALUES"), QString()).trimmed() ==
                         QLatin1String("1");
        // The section is read once: looking each key up again would make a long list quadratic.
        const QHash<QString, QString> columns = ini.ReadSectionValues(QStringLiteral("OrderColumn"));
        for (int i = 1;; ++i) {
            const QString name = columns.value(QStringLiteral("c_%1").arg(i), QStringLiteral("N"));
            if (name == QLatin1String("N"))
                break;
            TColumn column;
            column.ColName = name;
            column.ColWidth = 30 * int(name.size());
            column.ColFlag = false;
            column.ColIndex = i;
            OrderColumns << column;
        }
    } catch (const std::exception &e) {
        Ui::Message(ExceptionText(e), QStringLiteral("error"), UiIcon::Error);
    }
}

void ReloadTemplates()
{
    TemplateList.clear();
    for (const QString &folder : ListSubDirs(TemplateRoot()))
        TemplateList << std::make_shared<TTemplate>(folder);
}

QString SupportUrl()
{
    return IniFile(PrinterIniPath()).ReadString(QStringLiteral("SYS"), QStringLiteral("SUPPORT_URL"), kDefaultSupportUrl);
}

QString ShopUrl()
{
    return IniFile(PrinterIniPath()).ReadString(QStringLiteral("SYS"), QStringLiteral("SHOP_URL"), kDefaultShopUrl);
}
