#pragma once
// Page Settings of a report page: the paper by name (the current printer's list) or a custom size
// in millimetres, the orientation and the four margins. The dialog works on its own fields; the
// page changes only through Apply after OK. Sizes of 0 or less, negative margins and margins that
// leave no room on the paper are refused with a message and the dialog stays open.

#include "report/core/frxTypes.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;
class QRadioButton;
class TfrxReportPage;

struct TfrxPageValues {
    int PaperSize = 256;
    double PaperWidth = 0; // in the orientation's direction
    double PaperHeight = 0;
    frx::TPrinterOrientation Orientation = frx::poPortrait;
    double LeftMargin = 0;
    double TopMargin = 0;
    double RightMargin = 0;
    double BottomMargin = 0;
};

class TfrxPageEditorForm : public QDialog {
    Q_OBJECT
public:
    explicit TfrxPageEditorForm(const TfrxReportPage *page, QWidget *parent = nullptr);

    // The values as the fields hold them; false with a message text in *error when one is not
    // acceptable.
    bool ReadValues(TfrxPageValues &values, QString *error) const;
    // Writes values into page (orientation first, so its turn does not move the margins again).
    static void Apply(const TfrxPageValues &values, TfrxReportPage *page);
    // Opens the editor on page through the UI seam; true when OK changed the page.
    static bool Execute(TfrxReportPage *page, QWidget *parent = nullptr);

    void accept() override;

private:
    void PaperChosen();
    void OrientationChosen();
    void SizeEdited();

    struct Paper {
        QString Name;
        int Code;
        double Width; // portrait, millimetres
        double Height;
    };
    QList<Paper> m_papers;
    QComboBox *m_paper = nullptr;
    QLineEdit *m_width = nullptr;
    QLineEdit *m_height = nullptr;
    QRadioButton *m_portrait = nullptr;
    QRadioButton *m_landscape = nullptr;
    QLineEdit *m_margins[4] = {}; // left, top, right, bottom
    bool m_filling = false;
};
