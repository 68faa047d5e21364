#include "app/PrinterCFG.h"

#include "app/MainWindow.h"
#include "app/TemplateClS.h"
#include "engine/print/frxPrinter.h"
#include "platform/IniFile.h"
#include "platform/Ui.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>


QStringList InstalledPrinterNames()
{
    // The engine's list is read again, so a queue added since start-up can be chosen and printed to.
    Printers().Refresh();
    return Printers().HasPhysicalPrinters() ? Printers().PrinterNames() : QStringList();
}

std::function<QStringList()> TPrinterConfig::PrinterNames = InstalledPrinterNames;

TPrinterConfig::TPrinterConfig(TFMainWindow *mainWindow) : QDialog(mainWindow), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("PrinterConfig"));
    setWindowTitle(QStringLiteral("打印机相关配置"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(560, 317);

    auto *group = new QGroupBox(QStringLiteral("打印机参数配置"), this);
    group->setGeometry(16, 12, 528, 230);
    auto *label1 = new QLabel(QStringLiteral("选择当前默认打印机："), group);
    label1->setGeometry(24, 36, 150, 24);
    ComboBoxList = new QComboBox(group);
    ComboBoxList->setObjectName(QStringLiteral("ComboBoxList"));
    ComboBoxList->setEditable(true);
    ComboBoxList->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxList->setMaxVisibleItems(20);
    ComboBoxList->setGeometry(176, 34, 320, 26);

    auto spin = [group](const char *name, const QString &caption, int y, QSpinBox **box) {
        auto *label = new QLabel(caption, group);
        label->setGeometry(24, y + 2, 150, 24);
        *box = new QSpinBox(group);
        (*box)->setObjectName(QLatin1String(name));
        (*box)->setRange(-MaxOffsetMm, MaxOffsetMm);
        (*box)->setSingleStep(1);
        (*box)->setGeometry(176, y, 140, 26);
        // The print run applies the numbers as whole millimetres.
        auto *unit = new QLabel(QStringLiteral("(毫米)"), group);
        unit->setObjectName(QLatin1String(name) + QStringLiteral("Unit"));
        unit->setGeometry(326, y + 2, 100, 24);
    };
    spin("HAO", QStringLiteral("水平绝对偏移："), 96, &HAO);
    spin("VAO", QStringLiteral("垂直绝对偏移："), 150, &VAO);

    ButtonSubmit = new QPushButton(QStringLiteral("确 定"), this);
    ButtonSubmit->setObjectName(QStringLiteral("ButtonSubmit"));
    ButtonSubmit->setGeometry(300, 262, 100, 32);
    ButtonSubmit->setDefault(true);
    ButtonClose = new QPushButton(QStringLiteral("关 闭"), this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setGeometry(420, 262, 100, 32);
    connect(ButtonSubmit, &QPushButton::clicked, this, &TPrinterConfig::ButtonSubmitClick);
    connect(ButtonClose, &QPushButton::clicked, this, &TPrinterConfig::ButtonCloseClick);
}

void TPrinterConfig::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (parentWidget()) {
        const QRect parent = parentWidget()->frameGeometry();
        move(parent.center() - QPoint(width() / 2, height() / 2));
    }
    FormInit();
}

void TPrinterConfig::FormInit()
{
    ComboBoxList->clear();
    ComboBoxList->addItems(PrinterNames());
    const IniFile ini(PrinterIniPath());
    // A stored offset outside the range shows as 0 and is said so; confirming stores the 0.
    QString hMessage, vMessage;
    HAO->setValue(ReadOffsetSetting(ini, QStringLiteral("VAR_CURR_HAO"), &hMessage));
    VAO->setValue(ReadOffsetSetting(ini, QStringLiteral("VAR_CURR_VAO"), &vMessage));
    const QString printer = ini.ReadString(QStringLiteral("SYS"), QStringLiteral("VAR_CURR_PRINTER"), QString());
    const int index = ComboBoxList->findText(printer, Qt::MatchFixedString);   // ignores case
    ComboBoxList->setCurrentIndex(printer.isEmpty() ? -1 : index);
    if (index < 0)
        ComboBoxList->setEditText(QString());
    for (const QString &message : {hMessage, vMessage})
        if (!message.isEmpty())
            Ui::Message(message, QStringLiteral("提示"), UiIcon::Warning);
}

void TPrinterConfig::ButtonSubmitClick()
{
    // A typed text the boxes could not take (beyond the range, not a number) is refused, not
    // silently replaced by the last valid value.
    int hao = 0, vao = 0;
    QString message;
    if (!ParseOffset(HAO->cleanText(), QStringLiteral("水平偏移"), &hao, &message) ||
        !ParseOffset(VAO->cleanText(), QStringLiteral("垂直偏移"), &vao, &message)) {
        Ui::Message(message, QStringLiteral("提示"), UiIcon::Warning);
        return;
    }
    const QString printer = ComboBoxList->currentText();
    try {
        // All three keys reach the file together, before anything in memory changes: the file,
        // the print runs and the status bar never disagree.
        IniFile ini(PrinterIniPath());
        ini.WriteStrings(QStringLiteral("SYS"), {{QStringLiteral("VAR_CURR_HAO"), QString::number(hao)},
                                                 {QStringLiteral("VAR_CURR_VAO"), QString::number(vao)},
                                                 {QStringLiteral("VAR_CURR_PRINTER"), printer}});
    } catch (const std::exception &e) {
        Ui::Message(ExceptionText(e) + QStringLiteral("\n打印机配置没有保存。"), QStringLiteral("error"), UiIcon::Error);
        return;
    }
    CurrHAO = hao;
    CurrVAO = vao;
    CurrPrinter = printer;
    if (m_mainWindow)
        m_mainWindow->ShowPrinterStatus(printer, hao, vao);
    accept();
}

void TPrinterConfig::ButtonCloseClick() { reject(); }
