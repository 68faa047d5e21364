#pragma once
// The font table: which font file draws each font name a layout uses. Text is drawn only with the
// files this table names, never with what the system's font configuration would choose, so a
// waybill looks the same on every machine that has the table's fonts, whatever else is installed.
//
// The program comes with a table built in (the same file that ships as config/fonts.ini); a
// config/fonts.ini beside the program, and any file given to Load, is read over it, so a user can
// add fonts and names. See data/config/fonts.ini for the form.

#include "report/core/frxTypes.h"

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

class TfrxFontTable {
public:
    // A font of the table in one style.
    struct TFile {
        QString Font; // the table's font name, empty when there is none
        QString Path; // its file; empty when the font has no file at all
        bool SynthesizedBold = false;
        bool SynthesizedItalic = false;
    };

    TfrxFontTable() = default;

    // The table text objects use: the built-in one, then config/fonts.ini in the program's folder.
    static TfrxFontTable &Global();

    // Reads a table file over the current entries: names, fonts and the default it lists replace
    // those of the same name, a fallback list replaces the list. False when it cannot be read.
    bool Load(const QString &fileName);
    // Load, unless the file was read before: for the table beside a program folder, which start-up
    // may name again and again.
    bool LoadOnce(const QString &fileName);
    void Clear();

    // The font that draws a layout's font name: a listed name, a font of the table by its own name,
    // or the default.
    QString FontFor(const QString &name) const;
    // The file of a font for a style; a style without a file of its own is made from the regular
    // face (or from the bold one for bold italic).
    TFile FileFor(const QString &font, frx::TFontStyles style) const;
    QStringList Fallback() const;
    QString DefaultFont() const;
    QStringList Fonts() const;
    // The layout font names of [Names] as written there, in the file's order (a later file's
    // names after the earlier ones), then the table's own fonts: what a designer offers first.
    QStringList LayoutNames() const;
    // Every file the table names, and the packages that install them.
    QStringList Files() const;
    QStringList Packages() const;
    // Changes with every load, so that fonts resolved under an older table are resolved again.
    int Generation() const;

private:
    struct TFont {
        QString Name;
        QString Package;
        QString Regular, Bold, Italic, BoldItalic;
    };

    mutable QMutex m_lock;
    QHash<QString, QString> m_names; // case-folded layout name -> font
    QStringList m_nameOrder;          // the layout names as written, in order
    QHash<QString, TFont> m_fonts;   // case-folded font name -> font
    QStringList m_fallback;
    QString m_default;
    QStringList m_loaded; // files read by LoadOnce
    int m_generation = 0;
};
