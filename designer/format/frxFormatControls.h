#pragma once
// The controls of the formatting bars: the colour table shared by every colour chooser, the colour
// chooser and the line-style chooser (small pop-up panels under their buttons) and the font name
// box with the recently chosen fonts kept in the designer's settings store.

#include "report/core/frxTypes.h"

#include <QComboBox>
#include <QWidget>

namespace frxColorTable {
// The 48 colours, row by row: entry 0 is "no colour", entries 40 to 47 the custom slots.
QList<TColor> &Colors();
inline constexpr int FirstCustom = 40;
inline constexpr int Count = 48;
// The button-face colour free custom slots hold.
TColor ButtonFace();
// Records a colour chosen in the colour dialog: nothing when it is already in the table, else the
// first free custom slot, else the slots move down one place and it takes the last.
void AddCustomColor(TColor color);
// Empties the custom slots (for a new program run).
void ResetCustomColors();

QColor ToQColor(TColor color);
TColor FromQColor(const QColor &color);
} // namespace frxColorTable

// The colour chooser: 6 rows of 8 swatches and an "Other..." bar that opens the colour dialog.
class TfrxColorSelector : public QWidget {
    Q_OBJECT
public:
    explicit TfrxColorSelector(QWidget *parent = nullptr);
    void SetColor(TColor color) { m_color = color; }
    TColor Color() const { return m_color; }
    // Shows the panel with its top-left corner at the button's left edge, 2 pixels below it.
    void Popup(QWidget *button);
    // The table entry at a point (0 … 47), 48 for the "Other..." bar, -1 for none.
    static int CellAt(const QPoint &pos);
    // The "Other..." bar: the colour dialog, fully expanded and preset to the current colour; OK
    // picks its colour and records it as a custom colour.
    void ChooseOther();

signals:
    void ColorPicked(TColor color);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TColor m_color = 0;
    int m_hot = -1;
};

// The line-style chooser: six rows, solid to double.
class TfrxLineSelector : public QWidget {
    Q_OBJECT
public:
    explicit TfrxLineSelector(QWidget *parent = nullptr);
    void Popup(QWidget *button);
    // The row (style) at a point, kept within the six rows.
    static int RowAt(const QPoint &pos);

signals:
    void StylePicked(int style);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_hot = -1;
    bool m_down = false;
};

// The font name box: up to five recent fonts (newest first), a separator, then every installed
// font family: first the names layouts use (the font table's), then the system's sorted by name. The recent fonts live in the store "<store>\MRUFont" as Font0 …
// Font4 and FontType0 … FontType4.
class TfrxFontComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TfrxFontComboBox(const QString &storeName, QWidget *parent = nullptr);
    // Reads the recent fonts (names no longer installed are cleared) and fills the list.
    void Fill();
    QStringList RecentFonts() const { return m_recent; }
    // A font chosen from the list: it goes to the top of the recent fonts (the oldest of five is
    // dropped) and the five slots are written back.
    void Choose(const QString &name);
    // Shows a name without reporting a choice (empty clears the box).
    void ShowFont(const QString &name);
    // The families in the list's order: the font table's layout names, then the system's others.
    QStringList Families() const { return m_families; }

signals:
    void FontChosen(const QString &name);

private:
    void Store() const;
    void AddFamilies();

    QString m_storeFile;
    QStringList m_recent;
    QStringList m_families;
    int m_layoutNames = 0; // how many of m_families are the font table's layout names
};
