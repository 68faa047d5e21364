#pragma once
// The designer's settings store. A store name beginning with "\Software\" (the report's IniFile,
// "\Software\Tavrel" in this program) is kept as one INI file in the user's configuration folder;
// any other name is an INI file path. Values keep their text form (comma text stays comma text).

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>

class IniFile;

// What the designer window restores on start and saves on close.
struct TfrxDesignerState {
    double Scale = 1;
    bool ShowGrid = true;
    bool GridAlign = true;
    bool ShowRulers = true;
    bool ShowGuides = true;
    double Grid1 = 0.1; // centimetres
    double Grid2 = 0.1; // inches
    double Grid3 = 4;   // pixels
    double Grid4 = 4;   // pixels on dialog forms
    int Units = 0;      // 0 cm, 1 in, 2 px, 3 characters
    QString ScriptFontName = QStringLiteral("Courier New");
    int ScriptFontSize = 10;
    QString MemoFontName = QStringLiteral("Arial");
    int MemoFontSize = 10;
    bool UseObjectFont = true;
    int WorkspaceColor = 0xFFFFFF;
    int ToolsColor = 0xFFFFFF;
    bool GridLCD = false;
    bool EditAfterInsert = false;
    QStringList RecentFiles;
    bool FreeBands = false;
    int BandsGap = 4;
    bool ShowBandCaptions = true;
    bool DropFields = true;
    bool ShowStartup = true;
    QStringList WatchList;
    // Window placement ("Form4.TfrxDesignerForm").
    bool Maximized = true;
    QRect Geometry;
    // Tool bars and tool windows by name: visible or not.
    QStringList HiddenBars;
};

class TfrxDesignerSettings {
public:
    // The file a store name stands for.
    static QString StoreFileName(const QString &storeName);
    static constexpr const char *DesignerSection = "Form4.TfrxDesignerForm";
    // The built-in layout: ";"-separated lines in INI form.
    static QString DefaultLayout();

    explicit TfrxDesignerSettings(const QString &storeName);
    ~TfrxDesignerSettings();
    const QString &FileName() const { return m_fileName; }

    // Reads the state; the built-in layout is used where the store holds none (or nonsense).
    TfrxDesignerState Restore();
    // Writes the state; false (and nothing written) when the store's folder cannot be made or
    // the file cannot be written.
    bool Save(const TfrxDesignerState &state);

    // Comma text of a list as the desktop writes it: items with blanks, commas or quotes are
    // quoted, inner quotes doubled.
    static QString CommaText(const QStringList &items);
    static QStringList FromCommaText(const QString &text);

private:
    bool Read(TfrxDesignerState &state, bool *useDefaults) const;
    bool WriteDefaults();

    QString m_fileName;
};
