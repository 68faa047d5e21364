// The Page Settings dialog of the designer.
#include "designer/dialogs/frxPageEditor.h"

#include "engine/print/frxPaperNames.h"
#include "engine/print/frxPrinter.h"
#include "platform/Ui.h"
#include "report/model/frxPages.h"
#include "report/model/frxPaper.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The largest side a page may have: 10 m.
constexpr double MaxPaperSide = 10000;

QString Number(double value)
{
    return QString::number(value, 'g', 12);
}

// A number as the user typed it: "21", "21.5" or "21,5"; false for anything else.
bool ParseNumber(const QString &text, double &value)
{
    QString t = text.trimmed();
    if (t.endsWith(QLatin1String("mm")))
        t.chop(2);
    t = t.trimmed();
    t.replace(u',', u'.');
    bool ok = false;
    value = t.toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

TfrxPageEditorForm::TfrxPageEditorForm(const TfrxReportPage *page, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxPageEditorForm"));
    setWindowTitle(QStringLiteral("Page Settings"));
    // The papers of the current printer that have a known size, then Custom.
    for (const TfrxNamedCode &paper : Printers().CurrentPrinter()->Papers()) {
        double w = 0, h = 0;
        if (paper.Code != frxCustomPaper && frxPaperInfo().PaperSize(paper.Code, w, h) && w > 0 && h > 0)
            m_papers.append({paper.Name, paper.Code, w, h});
    }
    if (m_papers.isEmpty())
        for (int code : frxStandardPaperCodes()) {
            double w = 0, h = 0;
            if (frxStandardPaperSize(code, w, h))
                m_papers.append({frxPaperName(code), code, w, h});
        }
    // The page's own paper, also when this printer does not list it.
    bool listed = page->PaperSize() == frxCustomPaper;
    for (const Paper &paper : std::as_const(m_papers))
        listed = listed || paper.Code == page->PaperSize();
    double pageW = 0, pageH = 0;
    if (!listed && frxPaperInfo().PaperSize(page->PaperSize(), pageW, pageH) && pageW > 0 && pageH > 0) {
        const QString name = frxPaperName(page->PaperSize());
        m_papers.append(
            {name.isEmpty() ? QString::number(page->PaperSize()) : name, page->PaperSize(), pageW, pageH});
    }
    m_papers.append({QStringLiteral("Custom"), frxCustomPaper, 0, 0});

    auto *layout = new QVBoxLayout(this);
    auto *paperBox = new QGroupBox(QStringLiteral("Paper"), this);
    auto *paperForm = new QFormLayout(paperBox);
    m_paper = new QComboBox(paperBox);
    m_paper->setObjectName(QStringLiteral("SizeCB"));
    for (const Paper &paper : std::as_const(m_papers))
        m_paper->addItem(paper.Name, paper.Code);
    m_width = new QLineEdit(paperBox);
    m_width->setObjectName(QStringLiteral("WidthE"));
    m_height = new QLineEdit(paperBox);
    m_height->setObjectName(QStringLiteral("HeightE"));
    paperForm->addRow(QStringLiteral("Size"), m_paper);
    paperForm->addRow(QStringLiteral("Width, mm"), m_width);
    paperForm->addRow(QStringLiteral("Height, mm"), m_height);
    auto *orientation = new QWidget(paperBox);
    auto *orientationLayout = new QHBoxLayout(orientation);
    orientationLayout->setContentsMargins(0, 0, 0, 0);
    m_portrait = new QRadioButton(QStringLiteral("Portrait"), orientation);
    m_portrait->setObjectName(QStringLiteral("PortraitRB"));
    m_landscape = new QRadioButton(QStringLiteral("Landscape"), orientation);
    m_landscape->setObjectName(QStringLiteral("LandscapeRB"));
    orientationLayout->addWidget(m_portrait);
    orientationLayout->addWidget(m_landscape);
    paperForm->addRow(QStringLiteral("Orientation"), orientation);
    layout->addWidget(paperBox);

    auto *marginBox = new QGroupBox(QStringLiteral("Margins"), this);
    auto *marginForm = new QFormLayout(marginBox);
    const char *const names[] = {"MarginLeftE", "MarginTopE", "MarginRightE", "MarginBottomE"};
    const char *const captions[] = {"Left, mm", "Top, mm", "Right, mm", "Bottom, mm"};
    for (int i = 0; i < 4; ++i) {
        m_margins[i] = new QLineEdit(marginBox);
        m_margins[i]->setObjectName(QLatin1String(names[i]));
        marginForm->addRow(QLatin1String(captions[i]), m_margins[i]);
    }
    layout->addWidget(marginBox);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // The page's values.
    m_filling = true;
    int index = -1;
    for (int i = 0; i < m_papers.size(); ++i)
        if (m_papers[i].Code == page->PaperSize())
            index = i;
    m_paper->setCurrentIndex(index >= 0 ? index : int(m_papers.size()) - 1);
    m_width->setText(Number(page->PaperWidth()));
    m_height->setText(Number(page->PaperHeight()));
    (page->Orientation() == frx::poLandscape ? m_landscape : m_portrait)->setChecked(true);
    const double margins[] = {page->LeftMargin(), page->TopMargin(), page->RightMargin(),
                              page->BottomMargin()};
    for (int i = 0; i < 4; ++i)
        m_margins[i]->setText(Number(margins[i]));
    m_filling = false;

    connect(m_paper, &QComboBox::currentIndexChanged, this, [this] { PaperChosen(); });
    connect(m_landscape, &QRadioButton::toggled, this, [this] { OrientationChosen(); });
    connect(m_width, &QLineEdit::textEdited, this, [this] { SizeEdited(); });
    connect(m_height, &QLineEdit::textEdited, this, [this] { SizeEdited(); });
}

void TfrxPageEditorForm::PaperChosen()
{
    if (m_filling)
        return;
    const int index = m_paper->currentIndex();
    if (index < 0 || index >= m_papers.size() || m_papers[index].Code == frxCustomPaper)
        return;
    double w = m_papers[index].Width, h = m_papers[index].Height;
    if (m_landscape->isChecked())
        std::swap(w, h);
    m_filling = true;
    m_width->setText(Number(w));
    m_height->setText(Number(h));
    m_filling = false;
}

void TfrxPageEditorForm::OrientationChosen()
{
    if (m_filling)
        return;
    // Turning the sheet swaps its sides.
    m_filling = true;
    const QString w = m_width->text();
    m_width->setText(m_height->text());
    m_height->setText(w);
    m_filling = false;
}

void TfrxPageEditorForm::SizeEdited()
{
    if (m_filling)
        return;
    // A size typed in is a paper of its own.
    m_filling = true;
    m_paper->setCurrentIndex(int(m_papers.size()) - 1);
    m_filling = false;
}

bool TfrxPageEditorForm::ReadValues(TfrxPageValues &values, QString *error) const
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    const int index = m_paper->currentIndex();
    values.PaperSize = index >= 0 && index < m_papers.size() ? m_papers[index].Code : frxCustomPaper;
    values.Orientation = m_landscape->isChecked() ? frx::poLandscape : frx::poPortrait;
    if (!ParseNumber(m_width->text(), values.PaperWidth))
        return fail(QStringLiteral("The paper width \"%1\" is not a number.").arg(m_width->text()));
    if (!ParseNumber(m_height->text(), values.PaperHeight))
        return fail(QStringLiteral("The paper height \"%1\" is not a number.").arg(m_height->text()));
    if (values.PaperWidth <= 0 || values.PaperHeight <= 0)
        return fail(QStringLiteral("The paper width and height must be greater than 0 mm."));
    if (values.PaperWidth > MaxPaperSide || values.PaperHeight > MaxPaperSide)
        return fail(QStringLiteral("The paper width and height must not exceed %1 mm.").arg(MaxPaperSide));
    double *margins[] = {&values.LeftMargin, &values.TopMargin, &values.RightMargin, &values.BottomMargin};
    const char *const names[] = {"left", "top", "right", "bottom"};
    for (int i = 0; i < 4; ++i) {
        if (!ParseNumber(m_margins[i]->text(), *margins[i]))
            return fail(QStringLiteral("The %1 margin \"%2\" is not a number.")
                            .arg(QLatin1String(names[i]), m_margins[i]->text()));
        if (*margins[i] < 0)
            return fail(QStringLiteral("The %1 margin must not be negative.").arg(QLatin1String(names[i])));
    }
    if (values.LeftMargin + values.RightMargin >= values.PaperWidth)
        return fail(QStringLiteral("The left and right margins leave no room on a paper %1 mm wide.")
                        .arg(Number(values.PaperWidth)));
    if (values.TopMargin + values.BottomMargin >= values.PaperHeight)
        return fail(QStringLiteral("The top and bottom margins leave no room on a paper %1 mm high.")
                        .arg(Number(values.PaperHeight)));
    // A named paper whose size was typed over is a custom one.
    if (values.PaperSize != frxCustomPaper && index >= 0) {
        double w = m_papers[index].Width, h = m_papers[index].Height;
        if (values.Orientation == frx::poLandscape)
            std::swap(w, h);
        if (std::abs(w - values.PaperWidth) > 0.05 || std::abs(h - values.PaperHeight) > 0.05)
            values.PaperSize = frxCustomPaper;
    }
    return true;
}

void TfrxPageEditorForm::accept()
{
    TfrxPageValues values;
    QString error;
    if (!ReadValues(values, &error)) {
        Ui::Message(error, QStringLiteral("Page Settings"), UiIcon::Error);
        return; // the dialog stays open, the page unchanged
    }
    QDialog::accept();
}

void TfrxPageEditorForm::Apply(const TfrxPageValues &values, TfrxReportPage *page)
{
    page->SetOrientation(values.Orientation);
    page->SetPaper(values.PaperSize, values.PaperWidth, values.PaperHeight);
    page->SetLeftMargin(values.LeftMargin);
    page->SetTopMargin(values.TopMargin);
    page->SetRightMargin(values.RightMargin);
    page->SetBottomMargin(values.BottomMargin);
}

bool TfrxPageEditorForm::Execute(TfrxReportPage *page, QWidget *parent)
{
    if (!page)
        return false;
    TfrxPageEditorForm dialog(page, parent);
    if (!Ui::RunDialog(dialog))
        return false;
    TfrxPageValues values;
    if (!dialog.ReadValues(values, nullptr))
        return false;
    Apply(values, page);
    return true;
}
