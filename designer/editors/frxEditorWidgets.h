#pragma once
// Pieces the editors share: a colour box (named colours with swatches, "Transparent" where the
// value may be clNone, and "Other..." through the colour dialog), a font box (name, size, styles,
// colour) that reads and writes a TFont, and the OK/Cancel row every editor ends with.

#include "report/core/frxPersistent.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QWidget>

class QBoxLayout;
class QCheckBox;
class QPushButton;
class QDialog;

class QSpinBox;

class TfrxColorBox : public QComboBox {
    Q_OBJECT
public:
    // allowNone: the list offers "Transparent" (clNone).
    explicit TfrxColorBox(bool allowNone, QWidget *parent = nullptr);

    TColor Color() const;
    // A colour outside the list is added to it under its number.
    void SetColor(TColor color);

private:
    void AddColor(const QString &name, TColor color);
    int m_last = 0;
};

class TfrxFontBox : public QWidget {
    Q_OBJECT
public:
    explicit TfrxFontBox(QWidget *parent = nullptr);

    void SetFont(const TFont &font);
    // Writes the chosen name, size, styles and colour into font (character set and pitch stay).
    void GetFont(TFont &font) const;
    // Font sizes the box accepts, in points.
    static constexpr int MinSize = 1;
    static constexpr int MaxSize = 300;

private:
    QComboBox *m_name;
    QSpinBox *m_size;
    QCheckBox *m_bold;
    QCheckBox *m_italic;
    QCheckBox *m_underline;
    QCheckBox *m_strikeOut;
    TfrxColorBox *m_color;
};

// The OK and Cancel buttons ("OkButton", "CancelButton") at the bottom of an editor, wired to
// accept and reject.
QDialogButtonBox *frxEditorButtons(QDialog *dialog);

// A command button of an editor's button row (named for tests; Enter does not press it).
QPushButton *frxEditorRowButton(QWidget *dialog, QBoxLayout *row, const char *name, const QString &caption);
