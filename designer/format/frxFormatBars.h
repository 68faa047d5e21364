#pragma once
// The Text, Frame and Align tool bars of the designer window. Every control carries its tag and
// hands its value to the one dispatcher (TfrxFormatCommands); Refresh sets the controls from the
// selection without dispatching anything.

#include <QObject>

class QAction;
class QComboBox;
class QToolBar;
class QToolButton;
class TfrxColorSelector;
class TfrxDesignerForm;
class TfrxFontComboBox;
class TfrxFormatCommands;
class TfrxLineSelector;

class TfrxFormatBars : public QObject {
    Q_OBJECT
public:
    // Builds the bars into the window (the Align bar hidden) and adds "Alignment Palette" to the
    // View menu when it has one.
    TfrxFormatBars(TfrxDesignerForm *form, TfrxFormatCommands *commands);
    ~TfrxFormatBars() override;

    // Sets every control from the selection: one object shows its values, several empty the
    // boxes and release the buttons; controls the first object has no use for are disabled.
    void Refresh();

    QToolBar *TextBar() const { return m_textBar; }
    QToolBar *FrameBar() const { return m_frameBar; }
    QToolBar *AlignBar() const { return m_alignBar; }
    TfrxFontComboBox *FontBox() const { return m_fontBox; }
    QComboBox *SizeBox() const { return m_sizeBox; }
    QComboBox *FrameWidthBox() const { return m_widthBox; }
    QComboBox *StyleBox() const { return m_styleBox; }
    TfrxColorSelector *ColorSelector() const { return m_colorSelector; }
    TfrxLineSelector *LineSelector() const { return m_lineSelector; }
    // The control (action) of a tag, for the window and its tests.
    QAction *TagAction(int tag) const;
    // Opens the colour chooser of a colour button (tags 5, 26, 27) preset from the selection.
    void OpenColorSelector(int tag);

private:
    QAction *AddToggle(QToolBar *bar, int tag, const QString &caption, const QString &name);
    void FillStyles();

    TfrxDesignerForm *m_form;
    TfrxFormatCommands *m_commands;
    QToolBar *m_textBar = nullptr;
    QToolBar *m_frameBar = nullptr;
    QToolBar *m_alignBar = nullptr;
    TfrxFontComboBox *m_fontBox = nullptr;
    QComboBox *m_sizeBox = nullptr;
    QComboBox *m_widthBox = nullptr;
    QComboBox *m_styleBox = nullptr;
    TfrxColorSelector *m_colorSelector = nullptr;
    TfrxLineSelector *m_lineSelector = nullptr;
    QToolButton *m_colorButtons[3] = {};
    int m_colorTag = 0;
    QList<QAction *> m_tagActions;
};
