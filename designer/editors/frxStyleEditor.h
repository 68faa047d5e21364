#pragma once
// The style editor: the report's named styles, each with a fill colour, a font and a frame. Styles
// are added, deleted and renamed in the list (names stay unique, ignoring case); a style sheet file
// loads a whole set of styles or saves the current one. The dialog works on its own list; on OK it
// becomes the report's, text objects follow renamed styles, lose deleted ones and take the current
// look of the style they name.
//
// A style sheet file is XML: a "stylesheet" element holding one "style" element per style, whose
// attributes are the style's properties as layouts write them (Name, Color, Font.*, Frame.*).

#include "report/model/frxStyles.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TfrxColorBox;
class TfrxFontBox;
class TfrxReport;

class TfrxStyleEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxStyleEditorForm(TfrxReport *report, QWidget *parent = nullptr);

    // The list as edited (the controls of the current style are taken in first).
    const TfrxStyles &Styles();
    // For each style of Styles, the name it had in the report; empty for a new or loaded one.
    const QStringList &Origins() const { return m_origins; }

    // The commands of the buttons. AddStyle names the style "Style<n>", the lowest free number.
    void AddStyle();
    void DeleteStyle();
    // False (and a message) for an empty or duplicate name.
    bool RenameStyle(int index, const QString &name);
    // Replaces the list by a style sheet file's styles; false (and a message, nothing changed) when
    // the file cannot be read or is not a style sheet.
    bool LoadStyleSheet(const QString &fileName);
    bool SaveStyleSheet(const QString &fileName);

private:
    void FillList(int current);
    void ShowStyle(int index);
    void StoreStyle();

    TfrxStyles m_styles;
    QStringList m_origins;
    int m_current = -1;
    bool m_filling = false;
    QListWidget *m_list;
    TfrxColorBox *m_fill;
    TfrxFontBox *m_font;
    QCheckBox *m_lines[4];
    QDoubleSpinBox *m_frameWidth;
    QComboBox *m_frameStyle;
    TfrxColorBox *m_frameColor;
    QWidget *m_properties;
};

// Edits the report's styles; true when the user pressed OK (the report then holds the new list).
bool EditStyles(QWidget *parent, TfrxReport *report);

// Style sheet files on their own (what the editor's Load and Save use). Reading leaves styles
// untouched unless the whole file was read; error receives the reason.
bool frxSaveStyleSheet(const TfrxStyles &styles, const QString &fileName, QString *error = nullptr);
bool frxLoadStyleSheet(TfrxStyles &styles, const QString &fileName, QString *error = nullptr);
// Copies one style's values (name included).
void frxCopyStyle(const TfrxStyleItem &source, TfrxStyleItem &target);
