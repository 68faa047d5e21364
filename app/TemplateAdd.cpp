#include "app/TemplateAdd.h"

#include "app/ErrorReport.h"
#include "app/TemplateClS.h"
#include "platform/IniFile.h"
#include "platform/Ui.h"

#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cfloat>

namespace {
QString Stamp(const QDateTime &t) { return t.toString(QStringLiteral("yyyyMMddhhmmss")); }
} // namespace

QString FreeTemplateStamp(const QDateTime &now)
{
    QDateTime t = now;
    while (QFileInfo::exists(TemplateRoot() + QLatin1Char('t') + Stamp(t)))
        t = t.addSecs(1);
    return Stamp(t);
}

TTemplateAddForm::TTemplateAddForm(SaveEmptyLayoutFn saveLayout, QWidget *parent)
    : QDialog(parent), m_saveLayout(std::move(saveLayout))
{
    setObjectName(QStringLiteral("TemplateAddForm"));
    setWindowTitle(QStringLiteral("新建模板"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(360, 200);

    auto *label1 = new QLabel(QStringLiteral("模板名称:"), this);
    label1->setGeometry(24, 24, 90, 24);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(50);
    Edit1->setGeometry(118, 22, 210, 26);

    auto spin = [this](const QString &caption, int y, double value) {
        auto *label = new QLabel(caption, this);
        label->setGeometry(24, y + 2, 90, 24);
        auto *box = new QDoubleSpinBox(this);
        box->setRange(-DBL_MAX, DBL_MAX);
        box->setDecimals(1);
        box->setSingleStep(1);
        box->setValue(value);
        box->setGeometry(118, y, 120, 26);
        return box;
    };
    fWidth = spin(QStringLiteral("长宽(厘米):"), 64, 23);
    fWidth->setObjectName(QStringLiteral("fWidth"));
    fHeight = spin(QStringLiteral("高度(厘米):"), 102, 13);
    fHeight->setObjectName(QStringLiteral("fHeight"));

    Button1 = new QPushButton(QStringLiteral("创建模板"), this);
    Button1->setGeometry(118, 150, 100, 30);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("取消"), this);
    Button2->setGeometry(228, 150, 100, 30);
    connect(Button1, &QPushButton::clicked, this, &TTemplateAddForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TTemplateAddForm::Button2Click);
}

void TTemplateAddForm::Button1Click()
{
    const QString caption = QStringLiteral("提示");
    if (Edit1->text().isEmpty()) {
        Ui::Message(QStringLiteral("请输模板名称!"), caption);
        return;
    }
    const QString stamp = FreeTemplateStamp(Clock());
    const QString folder = TemplateRoot() + QLatin1Char('t') + stamp;
    if (!QDir().mkpath(folder)) {
        Ui::Message(QStringLiteral("创建目录失败!"), caption);
        return;
    }
    // The layout is named after the folder's stamp, so a folder found taken above never mixes two
    // templates' files.
    const QString fileName = stamp + QStringLiteral(".fr3");
    try {
        if (!m_saveLayout)
            throw Exception(QStringLiteral("no report object to save the layout from"));
        m_saveLayout(folder + QLatin1Char('/') + fileName, fWidth->value() * 10, fHeight->value() * 10);
    } catch (const std::exception &) {
        Ui::Message(QStringLiteral("创建模板失败!"), caption);
        return;
    }
    try {
        IniFile(folder + QStringLiteral("/CFG.INI"))
            .WriteStrings(QStringLiteral("INFO"), {{QStringLiteral("TMP_NAME"), Edit1->text()},
                                                   {QStringLiteral("TMP_COL_CNT"), QString::number(OrderColumns.size())},
                                                   {QStringLiteral("TMP_SPLIT"), QStringLiteral("0")},
                                                   {QStringLiteral("TMP_FILE_NAME"), fileName},
                                                   {QStringLiteral("TMP_IMG_NAME"), QStringLiteral("demo.jpg")}});
    } catch (const std::exception &e) {
        ShowDefaultError(e);
        return;
    }
    Created = true;
    Ui::Message(QStringLiteral("创建成功"), caption);
    accept();
}

void TTemplateAddForm::Button2Click() { reject(); }
