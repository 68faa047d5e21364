#include "designer/settings/frxDesignerSettings.h"

#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace {

const QString Section = QString::fromLatin1(TfrxDesignerSettings::DesignerSection);

QString Bool(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

QString Float(double value)
{
    return QString::number(value, 'g', 15);
}

double ReadFloat(const IniFile &ini, const QString &section, const QString &key, double defaultValue)
{
    bool ok = false;
    const double value = ini.ReadString(section, key, QString()).trimmed().replace(u',', u'.').toDouble(&ok);
    return ok && std::isfinite(value) ? value : defaultValue;
}

bool ReadBool(const IniFile &ini, const QString &section, const QString &key, bool defaultValue)
{
    return ini.ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

const char *const BarNames[] = {"StandardTB", "TextTB", "FrameTB", "AlignTB", "ExtraToolsTB"};
const char *const ToolWindows[] = {"TfrxObjectInspector", "TfrxDataTreeForm", "TfrxReportTreeForm"};

} // namespace

QString TfrxDesignerSettings::StoreFileName(const QString &storeName)
{
    static const QString registryRoot = QStringLiteral("\\Software\\");
    if (!storeName.startsWith(registryRoot, Qt::CaseInsensitive))
        return storeName;
    QString relative = storeName.mid(registryRoot.size());
    relative.replace(u'\\', u'/');
    while (relative.endsWith(u'/'))
        relative.chop(1);
    if (relative.isEmpty())
        relative = QStringLiteral("Software");
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(relative + QStringLiteral(".ini"));
}

QString TfrxDesignerSettings::DefaultLayout()
{
    return QStringLiteral(
        "[Form4.TfrxObjectInspector];Width=159;SplitPos=75;Split1Pos=65;Dock4=LeftDockSite2;"
        "[Form4.TfrxDesignerForm];EditAfterInsert=1;Maximized=1;"
        "[Form4.TfrxDataTreeForm];Width=143;Dock4=RightDockSite;"
        "[Form4.TfrxReportTreeForm];Width=159;Dock4=LeftDockSite2;"
        "[Form4.TfrxWatchForm];Height=100;Dock4=CodeDockSite;"
        "[ToolBar4.StandardTB];Float=0;Visible=1;Left=0;Top=0;Width=576;Height=27;Dock4=DockTop;"
        "[ToolBar4.TextTB];Float=0;Visible=1;Left=0;Top=27;Width=651;Height=27;Dock4=DockTop;"
        "[ToolBar4.FrameTB];Float=0;Visible=1;Left=651;Top=27;Width=305;Height=27;Dock4=DockTop;"
        "[ToolBar4.AlignTB];Visible=0;"
        "[ToolBar4.ExtraToolsTB];Visible=0;"
        "[Dock4.LeftDockSite2];Width=160;"
        "[Dock4.RightDockSite];Width=160");
}

TfrxDesignerSettings::TfrxDesignerSettings(const QString &storeName) : m_fileName(StoreFileName(storeName)) {}

TfrxDesignerSettings::~TfrxDesignerSettings() = default;

bool TfrxDesignerSettings::Read(TfrxDesignerState &state, bool *useDefaults) const
{
    const IniFile ini(m_fileName);
    const double scale = ReadFloat(ini, Section, QStringLiteral("Scale"), 0);
    const int workspaceColor = ini.ReadInteger(Section, QStringLiteral("WorkspaceColor"), 0xFFFFFF);
    if (useDefaults)
        *useDefaults = scale == 0 || workspaceColor == 0;
    // Zoom is kept within what the window can show.
    state.Scale = scale <= 0 ? 1 : std::clamp(scale, 0.1, 20.0);
    state.ShowGrid = ReadBool(ini, Section, QStringLiteral("ShowGrid"), true);
    state.GridAlign = ReadBool(ini, Section, QStringLiteral("GridAlign"), true);
    state.ShowRulers = ReadBool(ini, Section, QStringLiteral("ShowRulers"), true);
    state.ShowGuides = ReadBool(ini, Section, QStringLiteral("ShowGuides"), true);
    const double grids[] = {0.1, 0.1, 4, 4};
    double *targets[] = {&state.Grid1, &state.Grid2, &state.Grid3, &state.Grid4};
    for (int i = 0; i < 4; ++i) {
        const double value = ReadFloat(ini, Section, QStringLiteral("Grid%1").arg(i + 1), 0);
        *targets[i] = value > 0 && value < 1000 ? value : grids[i];
    }
    const int units = ini.ReadInteger(Section, QStringLiteral("Units"), 0);
    state.Units = units >= 0 && units <= 3 ? units : 0;
    state.ScriptFontName =
        ini.ReadString(Section, QStringLiteral("ScriptFontName"), QStringLiteral("Courier New"));
    state.ScriptFontSize = std::clamp(ini.ReadInteger(Section, QStringLiteral("ScriptFontSize"), 10), 4, 72);
    state.MemoFontName = ini.ReadString(Section, QStringLiteral("MemoFontName"), QStringLiteral("Arial"));
    state.MemoFontSize = std::clamp(ini.ReadInteger(Section, QStringLiteral("MemoFontSize"), 10), 4, 72);
    state.UseObjectFont = ReadBool(ini, Section, QStringLiteral("UseObjectFont"), true);
    state.WorkspaceColor = workspaceColor == 0 ? 0xFFFFFF : workspaceColor;
    state.ToolsColor = ini.ReadInteger(Section, QStringLiteral("ToolsColor"), 0xFFFFFF);
    state.GridLCD = ReadBool(ini, Section, QStringLiteral("GridLCD"), false);
    state.EditAfterInsert = ReadBool(ini, Section, QStringLiteral("EditAfterInsert"), false);
    state.RecentFiles = FromCommaText(ini.ReadString(Section, QStringLiteral("RecentFiles"), QString()));
    while (state.RecentFiles.size() > 8)
        state.RecentFiles.removeFirst();
    state.FreeBands = ReadBool(ini, Section, QStringLiteral("FreeBands"), false);
    state.BandsGap = std::clamp(ini.ReadInteger(Section, QStringLiteral("BandsGap"), 4), 0, 1000);
    state.ShowBandCaptions = ReadBool(ini, Section, QStringLiteral("ShowBandCaptions"), true);
    state.DropFields = ReadBool(ini, Section, QStringLiteral("DropFields"), true);
    state.ShowStartup = ReadBool(ini, Section, QStringLiteral("ShowStartup"), true);
    state.WatchList = ini.ReadString(Section, QStringLiteral("WatchList"), QString())
                          .split(QStringLiteral("\\n"), Qt::SkipEmptyParts);
    state.Maximized = ReadBool(ini, Section, QStringLiteral("Maximized"), true);
    const int left = ini.ReadInteger(Section, QStringLiteral("Left"), 0);
    const int top = ini.ReadInteger(Section, QStringLiteral("Top"), 0);
    const int width = ini.ReadInteger(Section, QStringLiteral("Width"), 0);
    const int height = ini.ReadInteger(Section, QStringLiteral("Height"), 0);
    state.Geometry = width >= 200 && height >= 150 && width < 20000 && height < 20000
                         ? QRect(left, top, width, height)
                         : QRect();
    state.HiddenBars.clear();
    for (const char *bar : BarNames)
        if (!ReadBool(ini, QStringLiteral("ToolBar4.") + QLatin1String(bar), QStringLiteral("Visible"), true))
            state.HiddenBars << QLatin1String(bar);
    for (const char *form : ToolWindows)
        if (!ReadBool(ini, QStringLiteral("Form4.") + QLatin1String(form), QStringLiteral("Visible"), true))
            state.HiddenBars << QLatin1String(form);
    return true;
}

bool TfrxDesignerSettings::WriteDefaults()
{
    QString section;
    QList<QPair<QString, QString>> values;
    auto flush = [&] {
        if (!section.isEmpty() && !values.isEmpty())
            IniFile(m_fileName).WriteStrings(section, values);
        values.clear();
    };
    try {
        for (const QString &line : DefaultLayout().split(u';', Qt::SkipEmptyParts)) {
            if (line.startsWith(u'[')) {
                flush();
                section = line.mid(1, line.size() - 2);
            } else if (const qsizetype eq = line.indexOf(u'='); eq > 0) {
                values.append({line.left(eq), line.mid(eq + 1)});
            }
        }
        flush();
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

TfrxDesignerState TfrxDesignerSettings::Restore()
{
    TfrxDesignerState state;
    bool useDefaults = false;
    Read(state, &useDefaults);
    if (useDefaults) {
        // A store without the designer's values (first run, or one that lost them): the built-in
        // layout goes in, then everything is read again.
        QDir().mkpath(QFileInfo(m_fileName).absolutePath());
        if (WriteDefaults()) {
            Read(state, nullptr);
        } else {
            state = TfrxDesignerState();
            state.EditAfterInsert = true;
        }
    }
    return state;
}

bool TfrxDesignerSettings::Save(const TfrxDesignerState &state)
{
    if (!QDir().mkpath(QFileInfo(m_fileName).absolutePath()))
        return false;
    QList<QPair<QString, QString>> values = {
        {QStringLiteral("Scale"), Float(state.Scale)},
        {QStringLiteral("ShowGrid"), Bool(state.ShowGrid)},
        {QStringLiteral("GridAlign"), Bool(state.GridAlign)},
        {QStringLiteral("ShowRulers"), Bool(state.ShowRulers)},
        {QStringLiteral("ShowGuides"), Bool(state.ShowGuides)},
        {QStringLiteral("Grid1"), Float(state.Grid1)},
        {QStringLiteral("Grid2"), Float(state.Grid2)},
        {QStringLiteral("Grid3"), Float(state.Grid3)},
        {QStringLiteral("Grid4"), Float(state.Grid4)},
        {QStringLiteral("Units"), QString::number(state.Units)},
        {QStringLiteral("ScriptFontName"), state.ScriptFontName},
        {QStringLiteral("ScriptFontSize"), QString::number(state.ScriptFontSize)},
        {QStringLiteral("MemoFontName"), state.MemoFontName},
        {QStringLiteral("MemoFontSize"), QString::number(state.MemoFontSize)},
        {QStringLiteral("UseObjectFont"), Bool(state.UseObjectFont)},
        {QStringLiteral("WorkspaceColor"), QString::number(state.WorkspaceColor)},
        {QStringLiteral("ToolsColor"), QString::number(state.ToolsColor)},
        {QStringLiteral("GridLCD"), Bool(state.GridLCD)},
        {QStringLiteral("EditAfterInsert"), Bool(state.EditAfterInsert)},
        {QStringLiteral("LocalizedOI"), Bool(false)},
        // Wrapped in quotes so that the reader's quote stripping leaves the comma text whole.
        {QStringLiteral("RecentFiles"), QLatin1Char('"') + CommaText(state.RecentFiles) + QLatin1Char('"')},
        {QStringLiteral("FreeBands"), Bool(state.FreeBands)},
        {QStringLiteral("BandsGap"), QString::number(state.BandsGap)},
        {QStringLiteral("ShowBandCaptions"), Bool(state.ShowBandCaptions)},
        {QStringLiteral("DropFields"), Bool(state.DropFields)},
        {QStringLiteral("ShowStartup"), Bool(state.ShowStartup)},
        {QStringLiteral("WatchList"), state.WatchList.join(QStringLiteral("\\n"))},
        {QStringLiteral("Maximized"), Bool(state.Maximized)},
    };
    if (state.Geometry.isValid()) {
        values.append({QStringLiteral("Left"), QString::number(state.Geometry.left())});
        values.append({QStringLiteral("Top"), QString::number(state.Geometry.top())});
        values.append({QStringLiteral("Width"), QString::number(state.Geometry.width())});
        values.append({QStringLiteral("Height"), QString::number(state.Geometry.height())});
    }
    try {
        IniFile ini(m_fileName);
        ini.WriteStrings(Section, values);
        for (const char *bar : BarNames)
            ini.WriteStrings(
                QStringLiteral("ToolBar4.") + QLatin1String(bar),
                {{QStringLiteral("Visible"), Bool(!state.HiddenBars.contains(QLatin1String(bar)))}});
        for (const char *form : ToolWindows)
            ini.WriteStrings(
                QStringLiteral("Form4.") + QLatin1String(form),
                {{QStringLiteral("Visible"), Bool(!state.HiddenBars.contains(QLatin1String(form)))}});
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

QString TfrxDesignerSettings::CommaText(const QStringList &items)
{
    QStringList parts;
    for (const QString &item : items) {
        bool quote = item.isEmpty();
        for (QChar c : item)
            if (c.unicode() <= u' ' || c == u',' || c == u'"')
                quote = true;
        if (quote) {
            QString escaped = item;
            escaped.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            parts << QLatin1Char('"') + escaped + QLatin1Char('"');
        } else {
            parts << item;
        }
    }
    return parts.join(u',');
}

QStringList TfrxDesignerSettings::FromCommaText(const QString &text)
{
    QStringList items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && (text[i].unicode() <= u' ' || text[i] == u','))
            ++i;
        if (i >= n)
            break;
        QString item;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && text[i].unicode() > u' ' && text[i] != u',')
                item += text[i++];
        }
        items << item;
    }
    return items;
}
