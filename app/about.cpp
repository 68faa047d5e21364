#include "app/about.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TForm1::TForm1(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于软件"));
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral("软件说明"), this);
    auto *groupLayout = new QVBoxLayout(group);
    auto *text = new QPlainTextEdit(group);
    text->setReadOnly(true);
    text->setPlainText(QStringLiteral(
        "这是一款为网店卖家制作的快递单打印软件，自带快递单模板管理。\n\n"
        "使用只需三步：导入淘宝订单数据，选择快递单模板，选择打印机，然后开始打印。\n\n"
        "欢迎大家在使用中提出宝贵的意见和建议，我们会不断改进。"));
    groupLayout->addWidget(text);
    layout->addWidget(group);
    auto *ok = new QPushButton(QStringLiteral("确 定"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    resize(420, 300);
}

TTemplateCFGform::TTemplateCFGform(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("系统配置"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QTableWidget(this));
    layout->addWidget(new QPushButton(QStringLiteral("确 认"), this), 0, Qt::AlignRight);
}
