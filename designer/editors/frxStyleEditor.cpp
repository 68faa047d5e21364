#include "designer/editors/frxStyleEditor.h"

#include "designer/editors/frxEditorWidgets.h"
#include "platform/Exception.h"
#include "platform/Ui.h"
#include "report/core/frxErrors.h"
#include "report/io/frxXML.h"
#include "report/io/frxXMLSerializer.h"
#include "report/model/frxReport.h"
#include "report/model/frxViews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace {

const QString kSheetFilter = QStringLiteral("Style sheets (*.fss)|*.fss|All files (*.*)|*.*");

void CopyStyles(const TfrxStyles &source, TfrxStyles &target)
{
    target.Clear();
    for (int i = 0; i < source.Count(); ++i)
        frxCopyStyle(*source.Items(i), *target.Add());
}

} // namespace

void frxCopyStyle(const TfrxStyleItem &source, TfrxStyleItem &target)
{
    target.SetName(source.Name());
    target.SetColor(source.Color());
    target.Font()->Assign(*source.Font());
    target.Frame()->Assign(*source.Frame());
}

bool frxSaveStyleSheet(const TfrxStyles &styles, const QString &fileName, QString *error)
{
    TfrxXMLDocument document;
    document.SetAutoIndent(true);
    document.Root()->SetName(QStringLiteral("stylesheet"));
    TfrxXMLSerializer serializer;
    for (int i = 0; i < styles.Count(); ++i) {
        TfrxXMLItem *item = document.Root()->Add();
        item->SetName(QStringLiteral("style"));
        item->SetText(serializer.ObjToXML(TfrxPropTarget(styles.Items(i))).trimmed());
    }
    try {
        document.SaveToFile(fileName);
    } catch (const Exception &e) {
        if (error)
            *error = e.Message();
        return false;
    }
    return true;
}

bool frxLoadStyleSheet(TfrxStyles &styles, const QString &fileName, QString *error)
{
    const QString notASheet =
        QStringLiteral("\"%1\" is not a style sheet.").arg(QFileInfo(fileName).fileName());
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    TfrxXMLDocument document;
    try {
        document.LoadFromFile(fileName);
    } catch (const EFileError &e) {
        return fail(e.Message());
    } catch (const Exception &) {
        return fail(notASheet);
    }
    TfrxXMLItem *root = document.Root();
    if (root->Name().compare(QLatin1String("stylesheet"), Qt::CaseInsensitive) != 0 || document.Truncated())
        return fail(notASheet);
    TfrxStyles loaded;
    TfrxXMLSerializer serializer;
    for (int i = 0; i < root->Count(); ++i) {
        TfrxXMLItem *entry = root->Items(i);
        if (entry->Name().compare(QLatin1String("style"), Qt::CaseInsensitive) != 0 || entry->Count() > 0)
            return fail(notASheet);
        const QString name = entry->Prop(QStringLiteral("Name")).trimmed();
        if (name.isEmpty() || loaded.Find(name))
            return fail(notASheet);
        TfrxStyleItem *style = loaded.Add();
        serializer.XMLToObj(entry->Text(), TfrxPropTarget(style));
        if (style->Name() != name)
            return fail(notASheet);
    }
    if (!serializer.Errors().isEmpty())
        return fail(notASheet + QLatin1Char('\n') + serializer.Errors().join(QLatin1Char('\n')));
    CopyStyles(loaded, styles);
    return true;
}

TfrxStyleEditorForm::TfrxStyleEditorForm(TfrxReport *report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrxStyleEditorForm"));
    setWindowTitle(QStringLiteral("Style Editor"));
    CopyStyles(*report->Styles(), m_styles);
    for (int i = 0; i < m_styles.Count(); ++i)
        m_origins << m_styles.Items(i)->Name();

    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    auto button = [this, buttons](const char *name, const QString &caption) {
        return frxEditorRowButton(this, buttons, name, caption);
    };
    connect(button("AddButton", QStringLiteral("Add")), &QPushButton::clicked, this,
            &TfrxStyleEditorForm::AddStyle);
    connect(button("DeleteButton", QStringLiteral("Delete")), &QPushButton::clicked, this,
            &TfrxStyleEditorForm::DeleteStyle);
    buttons->addStretch();
    connect(button("LoadButton", QStringLiteral("Load...")), &QPushButton::clicked, this, [this] {
        const QString file = Ui::OpenFileName(kSheetFilter, QStringLiteral("Load Style Sheet"));
        if (!file.isEmpty())
            LoadStyleSheet(file);
    });
    connect(button("SaveButton", QStringLiteral("Save...")), &QPushButton::clicked, this, [this] {
        QString file = Ui::SaveFileName(kSheetFilter, QStringLiteral("Save Style Sheet"));
        if (file.isEmpty())
            return;
        if (QFileInfo(file).suffix().isEmpty())
            file += QStringLiteral(".fss");
        SaveStyleSheet(file);
    });
    layout->addLayout(buttons);

    auto *body = new QHBoxLayout;
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("StyleList"));
    body->addWidget(m_list);
    m_properties = new QWidget(this);
    auto *props = new QVBoxLayout(m_properties);
    props->setContentsMargins(0, 0, 0, 0);
    auto *fillForm = new QFormLayout;
    m_fill = new TfrxColorBox(true, m_properties);
    m_fill->setObjectName(QStringLiteral("FillColor"));
    fillForm->addRow(QStringLiteral("Fill"), m_fill);
    props->addLayout(fillForm);
    auto *fontGroup = new QGroupBox(QStringLiteral("Font"), m_properties);
    auto *fontLayout = new QVBoxLayout(fontGroup);
    m_font = new TfrxFontBox(fontGroup);
    fontLayout->addWidget(m_font);
    props->addWidget(fontGroup);
    auto *frameGroup = new QGroupBox(QStringLiteral("Frame"), m_properties);
    auto *frameForm = new QFormLayout(frameGroup);
    auto *lines = new QHBoxLayout;
    const char *lineNames[4] = {"FrameLeft", "FrameTop", "FrameRight", "FrameBottom"};
    const QString lineCaptions[4] = {QStringLiteral("Left"), QStringLiteral("Top"), QStringLiteral("Right"),
                                     QStringLiteral("Bottom")};
    for (int i = 0; i < 4; ++i) {
        m_lines[i] = new QCheckBox(lineCaptions[i], frameGroup);
        m_lines[i]->setObjectName(QLatin1String(lineNames[i]));
        lines->addWidget(m_lines[i]);
    }
    frameForm->addRow(QStringLiteral("Lines"), lines);
    m_frameWidth = new QDoubleSpinBox(frameGroup);
    m_frameWidth->setObjectName(QStringLiteral("FrameWidth"));
    m_frameWidth->setRange(0.1, 50);
    m_frameWidth->setDecimals(2);
    frameForm->addRow(QStringLiteral("Width"), m_frameWidth);
    m_frameStyle = new QComboBox(frameGroup);
    m_frameStyle->setObjectName(QStringLiteral("FrameStyle"));
    m_frameStyle->addItems({QStringLiteral("Solid"), QStringLiteral("Dash"), QStringLiteral("Dot"),
                            QStringLiteral("Dash dot"), QStringLiteral("Dash dot dot"),
                            QStringLiteral("Double")});
    frameForm->addRow(QStringLiteral("Style"), m_frameStyle);
    m_frameColor = new TfrxColorBox(false, frameGroup);
    m_frameColor->setObjectName(QStringLiteral("FrameColor"));
    frameForm->addRow(QStringLiteral("Colour"), m_frameColor);
    props->addWidget(frameGroup);
    body->addWidget(m_properties, 1);
    layout->addLayout(body);
    layout->addWidget(frxEditorButtons(this));

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_filling)
            return;
        StoreStyle();
        ShowStyle(row);
    });
    connect(m_list, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (m_filling)
            return;
        const int row = m_list->row(item);
        if (row >= 0 && row < m_styles.Count() && item->text() != m_styles.Items(row)->Name())
            RenameStyle(row, item->text());
    });
    FillList(m_styles.Count() > 0 ? 0 : -1);
}

void TfrxStyleEditorForm::FillList(int current)
{
    m_filling = true;
    m_list->clear();
    for (int i = 0; i < m_styles.Count(); ++i) {
        auto *item = new QListWidgetItem(m_styles.Items(i)->Name(), m_list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    m_list->setCurrentRow(current);
    m_filling = false;
    ShowStyle(current);
}

void TfrxStyleEditorForm::ShowStyle(int index)
{
    m_current = index >= 0 && index < m_styles.Count() ? index : -1;
    m_properties->setEnabled(m_current >= 0);
    if (m_current < 0)
        return;
    const TfrxStyleItem *style = m_styles.Items(m_current);
    m_fill->SetColor(style->Color());
    m_font->SetFont(*style->Font());
    const frx::TfrxFrameTypes typ = style->Frame()->Typ();
    const frx::TfrxFrameType types[4] = {frx::ftLeft, frx::ftTop, frx::ftRight, frx::ftBottom};
    for (int i = 0; i < 4; ++i)
        m_lines[i]->setChecked(typ.testFlag(types[i]));
    m_frameWidth->setValue(style->Frame()->Width());
    m_frameStyle->setCurrentIndex(std::min(int(style->Frame()->Style()), m_frameStyle->count() - 1));
    m_frameColor->SetColor(style->Frame()->Color());
}

void TfrxStyleEditorForm::StoreStyle()
{
    if (m_current < 0 || m_current >= m_styles.Count())
        return;
    TfrxStyleItem *style = m_styles.Items(m_current);
    style->SetColor(m_fill->Color());
    m_font->GetFont(*style->Font());
    TfrxFrame *frame = style->Frame();
    frx::TfrxFrameTypes typ;
    const frx::TfrxFrameType types[4] = {frx::ftLeft, frx::ftTop, frx::ftRight, frx::ftBottom};
    for (int i = 0; i < 4; ++i)
        typ.setFlag(types[i], m_lines[i]->isChecked());
    frame->SetTyp(typ);
    // The frame's setters also set its four lines: call them only for a real change.
    if (frame->Width() != m_frameWidth->value())
        frame->SetWidth(m_frameWidth->value());
    if (int(frame->Style()) != m_frameStyle->currentIndex() && int(frame->Style()) < m_frameStyle->count())
        frame->SetStyle(frx::TfrxFrameStyle(m_frameStyle->currentIndex()));
    if (frame->Color() != m_frameColor->Color())
        frame->SetColor(m_frameColor->Color());
}

const TfrxStyles &TfrxStyleEditorForm::Styles()
{
    StoreStyle();
    return m_styles;
}

void TfrxStyleEditorForm::AddStyle()
{
    StoreStyle();
    int n = 1;
    while (m_styles.Find(QStringLiteral("Style%1").arg(n)))
        ++n;
    m_styles.Add()->SetName(QStringLiteral("Style%1").arg(n));
    m_origins << QString();
    FillList(m_styles.Count() - 1);
}

void TfrxStyleEditorForm::DeleteStyle()
{
    if (m_current < 0)
        return;
    const int index = m_current;
    m_current = -1;
    m_styles.Delete(index);
    m_origins.removeAt(index);
    FillList(std::min(index, m_styles.Count() - 1));
}

bool TfrxStyleEditorForm::RenameStyle(int index, const QString &name)
{
    if (index < 0 || index >= m_styles.Count())
        return false;
    const QString trimmed = name.trimmed();
    QString problem;
    if (trimmed.isEmpty()) {
        problem = QStringLiteral("A style needs a name.");
    } else {
        try {
            m_styles.Items(index)->SetName(trimmed);
        } catch (const EDuplicateName &e) {
            problem = e.Message();
        }
    }
    if (!problem.isEmpty())
        Ui::Message(problem, QStringLiteral("Error"), UiIcon::Error);
    StoreStyle();
    FillList(index);
    return problem.isEmpty();
}

bool TfrxStyleEditorForm::LoadStyleSheet(const QString &fileName)
{
    StoreStyle();
    QString error;
    if (!frxLoadStyleSheet(m_styles, fileName, &error)) {
        Ui::Message(error, QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    m_origins = QStringList(m_styles.Count(), QString());
    FillList(m_styles.Count() > 0 ? 0 : -1);
    return true;
}

bool TfrxStyleEditorForm::SaveStyleSheet(const QString &fileName)
{
    QString error;
    if (!frxSaveStyleSheet(Styles(), fileName, &error)) {
        Ui::Message(error, QStringLiteral("Error"), UiIcon::Error);
        return false;
    }
    return true;
}

bool EditStyles(QWidget *parent, TfrxReport *report)
{
    if (!report)
        return false;
    TfrxStyleEditorForm editor(report, parent);
    if (!Ui::RunDialog(editor))
        return false;
    const TfrxStyles &styles = editor.Styles();
    // What became of each style the report had: its new name, or nothing when it was deleted.
    QHash<QString, QString> renamed;
    QSet<QString> before;
    for (int i = 0; i < report->Styles()->Count(); ++i)
        before.insert(report->Styles()->Items(i)->Name().toCaseFolded());
    for (int i = 0; i < styles.Count(); ++i)
        if (!editor.Origins().at(i).isEmpty())
            renamed.insert(editor.Origins().at(i).toCaseFolded(), styles.Items(i)->Name());
    CopyStyles(styles, *report->Styles());
    for (TfrxComponent *c : report->AllObjects()) {
        auto *memo = qobject_cast<TfrxCustomMemoView *>(c);
        if (!memo || memo->Style().isEmpty())
            continue;
        const QString key = memo->Style().toCaseFolded();
        if (renamed.contains(key))
            memo->SetStyle(renamed.value(key));
        else if (before.contains(key))
            memo->SetStyle(QString()); // deleted: the object keeps its look
        else if (report->Styles()->Find(memo->Style()))
            memo->SetStyle(memo->Style()); // a loaded style of that name
    }
    return true;
}
