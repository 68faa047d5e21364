#include "app/MainWindow.h"

#include "app/AutoPrint.h"
#include "app/ErrorReport.h"
#include "app/FunctionPAK.h"
#include "app/Icons.h"
#include "app/OrderImport.h"
#include "app/OrderModel.h"
#include "app/PrinterCFG.h"
#include "app/Tavrel.h"
#include "app/TemplateAdd.h"
#include "app/journal/JournalWindow.h"
#include "platform/Exception.h"
#include "platform/Ui.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

// Panel1 of the window: the grid panel on the left, a splitter, the template list filling the
// rest. The grid panel's width is set by the window's resize rule and by dragging the splitter.
class PanelHost : public QWidget {
public:
    PanelHost(QWidget *panel2, QListWidget *listBox, QWidget *parent) : QWidget(parent), m_panel2(panel2), m_list(listBox)
    {
        m_splitter = new QWidget(this);
        m_splitter->setObjectName(QStringLiteral("Splitter1"));
        m_splitter->setCursor(Qt::SplitHCursor);
        m_splitter->installEventFilter(this);
        m_panel2->setParent(this);
        m_list->setParent(this);
    }

    void SetPanel2Width(int width)
    {
        m_panel2Width = qMax(0, width);
        Relayout();
    }
    int Panel2Width() const { return m_panel2Width; }
    void Relayout()
    {
        const int h = height();
        const int w = qMin(m_panel2Width, width());
        m_panel2->setGeometry(0, 0, w, h);
        m_splitter->setGeometry(w, 0, kSplitter, h);
        m_list->setGeometry(w + kSplitter, 0, qMax(0, width() - w - kSplitter), h);
    }

protected:
    void resizeEvent(QResizeEvent *) override { Relayout(); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_splitter && event->type() == QEvent::MouseMove) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->buttons() & Qt::LeftButton)
                SetPanel2Width(mapFromGlobal(mouse->globalPosition().toPoint()).x());
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    static constexpr int kSplitter = 3;
    QWidget *m_panel2;
    QListWidget *m_list;
    QWidget *m_splitter;
    int m_panel2Width = 600;
};

namespace {
const int kPanelWidths[10] = {70, 200, 70, 70, 90, 300, 50, 50, 50, 50};
const char *const kPanelTexts[10] = {"当前模板:", "空", "字段位数:", "0", "当前打印机:", "无", "水平X:", "0", "垂直Y:", "0"};
} // namespace

TFMainWindow::TFMainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FMainWindow"));
    setWindowTitle(QStringLiteral("快递单打印"));
    setWindowIcon(ProgramIcon());
    resize(1024, 700);

    BuildToolBar();
    BuildMenus();

    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    ListViewGrid = new QTableView(Panel2);
    ListViewGrid->setObjectName(QStringLiteral("ListViewGrid"));
    GridModel = new OrderModel(this);
    ListViewGrid->setModel(GridModel);
    ListViewGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewGrid->setShowGrid(true);
    ListViewGrid->setWordWrap(false);
    ListViewGrid->verticalHeader()->hide();
    ListViewGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListViewGrid->verticalHeader()->setDefaultSectionSize(20);
    ListViewGrid->horizontalHeader()->setHighlightSections(false);
    ListViewGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    QFont gridFont(QStringLiteral("Tahoma"));
    gridFont.setPixelSize(12);
    ListViewGrid->setFont(gridFont);
    ListViewGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListViewGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu2->popup(ListViewGrid->viewport()->mapToGlobal(pos)); });
    ListViewGrid->hide();
    auto *gridLayout = new QHBoxLayout(Panel2);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->addWidget(ListViewGrid);

    ListBox1 = new QListWidget;
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    QFont listFont(QStringLiteral("Tahoma"));
    listFont.setPixelSize(16);
    ListBox1->setFont(listFont);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setStyleSheet(QStringLiteral("QListWidget::item { height: 19px; }"));
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos)); });
    connect(ListBox1, &QListWidget::itemSelectionChanged, this, &TFMainWindow::ShowSelectIndex);

    m_panel1 = new PanelHost(Panel2, ListBox1, this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    setCentralWidget(m_panel1);

    BuildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setInterval(10000);
    connect(Timer1, &QTimer::timeout, this, &TFMainWindow::ToolButton10Click);
    ApplyAutoSettings();
}

TFMainWindow::~TFMainWindow() = default;

void TFMainWindow::AttachTavrelForm(std::unique_ptr<TTavrelForm> form)
{
    TavrelForm = std::move(form);
    TTavrelForm *driver = TavrelForm.get();
    driver->MarkPrinted = [this](int row) { GridModel->SetStatus(row, OrderModel::Printed); };
    // Print runs go through the print journal (app/journal): it asks about orders printed before.
    Commands.PrintAll = [this, driver] {
        QList<int> rows;
        for (size_t r = 0; r < OrderRows.size(); ++r)
            rows << int(r);
        Journal::WindowPrint(*driver, rows);
        GridModel->SetLastPrints(Journal::LastPrintTexts());
    };
    Commands.PrintOne = [this, driver](int row) {
        Journal::WindowPrint(*driver, {row});
        GridModel->SetLastPrints(Journal::LastPrintTexts());
    };
    Commands.PreviewOne = [driver](const TTemplatePtr &t, int row) { driver->PreviewOne(t, row); };
    Commands.PreviewTemplate = [driver](const TTemplatePtr &t) { driver->PreviewTemplate(t); };
    // After a save in the designer the list and the previews show the new layout.
    Commands.Design = [this, driver](const TTemplatePtr &t) {
        if (driver->Design(t)) {
            const int row = ListBox1->currentRow();
            ReloadTemplates();
            ShowTemplateList();
            if (row >= 0 && row < ListBox1->count())
                ListBox1->setCurrentRow(row);
        }
    };
    Commands.SaveEmptyLayout = [driver](const QString &path, double widthMm, double heightMm) {
        driver->SaveEmptyLayout(path, widthMm, heightMm);
    };
}

void TFMainWindow::BuildToolBar()
{
    ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setFixedHeight(58);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto add = [this](const char *name, const QString &caption, ToolIcon icon, const QString &hint, bool fitCaption,
                      void (TFMainWindow::*slot)()) {
        auto *button = new QToolButton(ToolBar1);
        button->setObjectName(QLatin1String(name));
        button->setText(caption);
        button->setIcon(MakeToolIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setMinimumHeight(52);
        if (fitCaption)
            button->setMinimumWidth(67);
        else
            button->setFixedWidth(67);
        if (!hint.isEmpty())
            button->setToolTip(hint);
        if (slot)
            connect(button, &QToolButton::clicked, this, slot);
        ToolBar1->addWidget(button);
        return button;
    };
    ToolButton1 = add("ToolButton1", QStringLiteral("开始打印"), ToolIcon::Print, QStringLiteral("开始打印快递单"), true,
                      &TFMainWindow::ToolButton1Click);
    ToolBar1->addSeparator();
    ToolButtonDataIMP = add("ToolButtonDataIMP", QStringLiteral("订单导入"), ToolIcon::Import,
                            QStringLiteral("导入淘宝交易成功的订单数据"), true, &TFMainWindow::ToolButtonDataIMPClick);
    ToolButtonPintCFG = add("ToolButtonPintCFG", QStringLiteral("打印机配置"), ToolIcon::Printer,
                            QStringLiteral("展示本机内的打印机列表,指定打印机设备"), true,
                            &TFMainWindow::ToolButtonPintCFGClick);
    ShowOrHideButton = add("ShowOrHideButton", QStringLiteral("模板列表"), ToolIcon::TemplateList, QString(), true,
                           &TFMainWindow::ShowOrHideButtonClick);
    ToolButton4 = add("ToolButton4", QStringLiteral("新建模板"), ToolIcon::NewTemplate, QStringLiteral("创建新的快递单模板"),
                      false, &TFMainWindow::ToolButton4Click);
    ToolBar1->addSeparator();
    ToolButton5 = add("ToolButton5", QStringLiteral("技术支持"), ToolIcon::Support, QString(), false,
                      &TFMainWindow::ToolButton5Click);
    ToolButton9 = add("ToolButton9", QStringLiteral("购买服务"), ToolIcon::Shop, QString(), false,
                      &TFMainWindow::ToolButton9Click);
    ToolButton12 = add("ToolButton12", QStringLiteral("帮助文档"), ToolIcon::Help, QString(), false,
                       &TFMainWindow::ToolButton12Click);
    ToolBar1->addSeparator();
    ToolButton8 = add("ToolButton8", QStringLiteral("退出"), ToolIcon::Exit, QString(), false,
                      &TFMainWindow::ToolButton8Click);
    // The timed download-and-print: shown only when the settings name an order file to fetch.
    ToolButton10 = add("ToolButton10", QStringLiteral("自动打印"), ToolIcon::Auto, QString(), false,
                       &TFMainWindow::ToolButton10Click);
    ToolButton11 = add("ToolButton11", QStringLiteral("开启自动"), ToolIcon::AutoSwitch, QString(), false,
                       &TFMainWindow::ToolButton11Click);
    const auto actions = ToolBar1->actions();
    for (QAction *action : actions) {
        if (ToolBar1->widgetForAction(action) == ToolButton10)
            m_autoActions[0] = action;
        if (ToolBar1->widgetForAction(action) == ToolButton11)
            m_autoActions[1] = action;
    }
}

void TFMainWindow::ApplyAutoSettings()
{
    const bool enabled = ReadAutoSettings().Enabled();
    for (int i = 0; i < 2; ++i) {
        QToolButton *button = i == 0 ? ToolButton10 : ToolButton11;
        button->setEnabled(enabled);
        if (m_autoActions[i])
            m_autoActions[i]->setVisible(enabled);
    }
    if (!enabled && Timer1->isActive()) {
        Timer1->stop();
        ToolButton11->setText(QStringLiteral("开启自动"));
    }
}

void TFMainWindow::BuildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("文件"));
    file->addAction(QStringLiteral("数据导入"), this, &TFMainWindow::ToolButtonDataIMPClick);
    file->addAction(QStringLiteral("开始打印"), this, &TFMainWindow::ToolButton1Click);
    file->addAction(QStringLiteral("打印记录"), this, &TFMainWindow::PrintRecordClick);
    file->addSeparator();
    file->addAction(QStringLiteral("退出"), this, &TFMainWindow::ToolButton8Click);
    QMenu *printer = menuBar()->addMenu(QStringLiteral("打印机"));
    printer->addAction(QStringLiteral("打印设备"), this, &TFMainWindow::ToolButtonPintCFGClick);
    QMenu *templates = menuBar()->addMenu(QStringLiteral("模板"));
    templates->addAction(QStringLiteral("新建模板"), this, &TFMainWindow::ToolButton4Click);
    templates->addAction(QStringLiteral("模板列表"), this, &TFMainWindow::ShowOrHideButtonClick);
    QMenu *help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->addAction(QStringLiteral("帮助文档"), this, &TFMainWindow::N14Click);
    help->addAction(QStringLiteral("技术支持"), this, &TFMainWindow::ToolButton5Click);
    help->addAction(QStringLiteral("关于我们"), this, &TFMainWindow::ToolButton9Click);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(QStringLiteral("预览"), this, &TFMainWindow::N15Click);
    PopupMenu1->addAction(QStringLiteral("修改"), this, &TFMainWindow::N17Click);
    PopupMenu1->addAction(QStringLiteral("删除"), this, &TFMainWindow::N18Click);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(QStringLiteral("打开所在目录"), this, &TFMainWindow::N21Click);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    PopupMenu2->addAction(QStringLiteral("单件预览"), this, &TFMainWindow::OnePreviewBUTClick);
    PopupMenu2->addAction(QStringLiteral("单件打印"), this, &TFMainWindow::N16Click);
}

void TFMainWindow::BuildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(22);
    bar->setSizeGripEnabled(true);
    for (int i = 0; i < 10; ++i) {
        auto *label = new QLabel(QString::fromUtf8(kPanelTexts[i]));
        label->setFixedWidth(kPanelWidths[i]);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        // The label panels read right-aligned against the value beside them.
        label->setAlignment(Qt::AlignVCenter | (i % 2 == 0 ? Qt::AlignRight : Qt::AlignLeft));
        bar->addWidget(label);
        m_panels << label;
    }
    // Panel 10: notes such as how many orders an import read.
    auto *note = new QLabel;
    note->setObjectName(QStringLiteral("StatusMessage"));
    note->setFrameShape(QFrame::Panel);
    note->setFrameShadow(QFrame::Sunken);
    bar->addWidget(note, 1);
    m_panels << note;
}

void TFMainWindow::ShowStatusMessage(const QString &text) { SetStatusText(10, text); }

QString TFMainWindow::StatusText(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}

void TFMainWindow::SetStatusText(int panel, const QString &text)
{
    if (panel >= 0 && panel < m_panels.size())
        m_panels[panel]->setText(text);
}

void TFMainWindow::ShowPrinterStatus(const QString &printer, int hao, int vao)
{
    SetStatusText(5, printer);
    SetStatusText(7, QString::number(hao));
    SetStatusText(9, QString::number(vao));
}

void TFMainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_initialised) {
        m_initialised = true;
        init();
    }
}

void TFMainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFMainWindow::init()
{
    ListViewGrid->show();
    ListBox1->clear();
    for (int i = 0; i < TemplateList.size(); ++i)
        ListBox1->addItem(QStringLiteral("%1-%2").arg(i).arg(TemplateList[i]->ShownName()));
    ListBox1->setCurrentRow(-1);
    if (!TemplateList.isEmpty())
        ListBox1->setFocus();
    ShowColumnStrut();
    SetStatusText(3, QString::number(OrderColumns.size()));
    ShowPrinterStatus(CurrPrinter, CurrHAO, CurrVAO);
}

void TFMainWindow::ShowTemplateList()
{
    const QSignalBlocker quiet(ListBox1);
    ListBox1->clear();
    for (int i = 0; i < TemplateList.size(); ++i)
        ListBox1->addItem(QStringLiteral("%1-%2").arg(i).arg(TemplateList[i]->ShownName()));
    ListBox1->setCurrentRow(-1);
}

void TFMainWindow::ShowColumnStrut()
{
    ListViewGrid->hide();
    GridModel->ShowColumnStrut();
    const QList<int> widths = GridModel->Widths();
    for (int c = 0; c < widths.size(); ++c)
        ListViewGrid->horizontalHeader()->resizeSection(c, widths[c]);
    ListViewGrid->show();
}

void TFMainWindow::ShowData()
{
    GridModel->ShowData();
    GridModel->SetLastPrints(Journal::LastPrintTexts());
}

void TFMainWindow::ShowSelectIndex()
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    if (selected.isEmpty())
        return;
    const int index = ListBox1->row(selected.first());
    if (index < 0 || index >= TemplateList.size())
        return;
    CurrTemplate = TemplateList[index];
    SetStatusText(1, selected.first()->text());
    SetStatusText(3, QString::number(GridModel->columnCount() - OrderModel::FixedColumns));
}

void TFMainWindow::FormResize()
{
    const int width = frameGeometry().width();
    m_panel1->SetPanel2Width(!ListBox1->isHidden() ? width - 200 : width - 15);
}

void TFMainWindow::ShowOrHideButtonClick()
{
    const int width = frameGeometry().width();
    if (!ListBox1->isHidden()) {
        ListBox1->hide();
        m_panel1->SetPanel2Width(width - 15);
    } else {
        ListBox1->show();
        m_panel1->SetPanel2Width(width - 200);
    }
}

int TFMainWindow::SelectedGridRow() const
{
    const QModelIndexList rows = ListViewGrid->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool TFMainWindow::CheckPrintReady() const
{
    return CheckPrintPreconditions() && Ui::Ask(QStringLiteral("是否确认要打印订单列表?"), QStringLiteral("提示"));
}

bool TFMainWindow::CheckPrintPreconditions() const
{
    const QString caption = QStringLiteral("提示");
    if (!CurrTemplate) {
        Ui::Message(QStringLiteral("请选择打印模板!"), caption);
        return false;
    }
    if (CurrPrinter.isEmpty()) {
        Ui::Message(QStringLiteral("请选择打印机!"), caption);
        return false;
    }
    if (OrderRows.empty()) {
        Ui::Message(QStringLiteral("请导入淘宝订单数据!"), caption);
        return false;
    }
    return true;
}

void TFMainWindow::NotYetAvailable(const QString &what) const
{
    Ui::Message(QStringLiteral("%1功能不在此版本中。").arg(what), QStringLiteral("提示"), UiIcon::Information);
}

void TFMainWindow::ToolButton1Click()
{
    if (!CheckPrintReady())
        return;
    RunCommand([this] {
        if (Commands.PrintAll)
            Commands.PrintAll();
        else
            NotYetAvailable(QStringLiteral("打印"));
    });
}

void TFMainWindow::N16Click()
{
    const int row = SelectedGridRow();
    if (row < 0) {
        Ui::Message(QStringLiteral("请选中要打印订单行!"), QStringLiteral("提示"));
        return;
    }
    if (!CheckPrintReady())
        return;
    RunCommand([this, row] {
        if (Commands.PrintOne)
            Commands.PrintOne(row);
        else
            NotYetAvailable(QStringLiteral("打印"));
    });
}

void TFMainWindow::PrintRecordClick()
{
    Journal::TPrintRecordForm form(this);
    // A reprint prints the orders of the current import that have these keys, journaled as reprints.
    form.Reprint = [this](const QStringList &keys) {
        if (!CheckPrintPreconditions())
            return;
        QList<int> all;
        for (size_t r = 0; r < OrderRows.size(); ++r)
            all << int(r);
        const QHash<int, QString> keyOfRow = Journal::KeysOf(all);
        QList<int> rows;
        QSet<QString> found;
        for (int r : std::as_const(all))
            if (keys.contains(keyOfRow.value(r)) && !found.contains(keyOfRow.value(r))) {
                rows << r;
                found.insert(keyOfRow.value(r));
            }
        if (found.size() < keys.size())
            Ui::Message(QStringLiteral("%1 个订单不在导入的订单中, 无法重印; 请先导入含有它们的订单文件。")
                            .arg(keys.size() - found.size()),
                        QStringLiteral("提示"));
        if (rows.isEmpty() || !TavrelForm)
            return;
        RunCommand([this, rows] { Journal::WindowPrint(*TavrelForm, rows, QStringLiteral("reprint")); });
        GridModel->SetLastPrints(Journal::LastPrintTexts());
    };
    Ui::RunDialog(form);
}

void TFMainWindow::ToolButtonDataIMPClick()
{
    const QString path = Ui::OpenFileName(QStringLiteral("EXCEL数据|*.csv"));
    if (!path.isEmpty())
        ImportOrderFile(path);
}

// The question of an export whose header holds some but not all configured column names.
static TColumnChoice AskColumnChoice(const TColumnMatch &match)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示"),
                    match.Text() + QStringLiteral("\n\n按名称导入: 按表头中的列名取各列，缺少的列留空。\n"
                                                  "按位置导入: 仍按设置的列顺序取各列。"),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton *byName = box.addButton(QStringLiteral("按名称导入"), QMessageBox::AcceptRole);
    QPushButton *byPosition = box.addButton(QStringLiteral("按位置导入"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(byName);
    Ui::RunDialog(box);
    if (box.clickedButton() == byName)
        return TColumnChoice::ByName;
    if (box.clickedButton() == byPosition)
        return TColumnChoice::ByPosition;
    return TColumnChoice::Cancel;
}

void TFMainWindow::ImportOrderFile(const QString &path)
{
    TOrderImport result;
    try {
        result = ImportOrders(path, AskColumnChoice);
    } catch (const std::exception &e) {
        // The orders already in the grid stay there and stay printable.
        Ui::Message(ExceptionText(e), QStringLiteral("error"), UiIcon::Error);
        return;
    }
    if (result.Cancelled)
        return;
    ShowData();
    ShowStatusMessage(result.Summary());
    QStringList warnings = result.Warnings;
    if (!result.UnclosedLines.isEmpty())
        warnings << UnclosedQuoteWarning(result.UnclosedLines);
    if (!warnings.isEmpty())
        Ui::Message(warnings.join(QLatin1Char('\n')), QStringLiteral("提示"), UiIcon::Warning);
}

void TFMainWindow::ToolButton10Click()
{
    // The one report object may be in use by the seller's own print run, preview or dialog: a
    // tick then waits for the next one.
    if (QApplication::activeModalWidget() || (TavrelForm && TavrelForm->PrintRunning))
        return;
    TAutoRunHost host;
    host.Message = [](const QString &text) { Ui::Message(text, QStringLiteral("提示")); };
    host.Status = [this](const QString &text) { ShowStatusMessage(text); };
    host.ShowData = [this] { ShowData(); };
    host.MarkPrinted = [this](int row) { GridModel->SetStatus(row, OrderModel::Printed); };
    host.CheckReady = [this] { return CheckPrintPreconditions(); };
    host.PrintRows = [this](const QList<int> &rows) {
        if (!TavrelForm) {
            NotYetAvailable(QStringLiteral("打印"));
            return false;
        }
        return TavrelForm->PrintRows(rows);
    };
    AutoPrintRun(ReadAutoSettings(), host);
}

void TFMainWindow::ToolButton11Click()
{
    if (ToolButton11->text() == QStringLiteral("开启自动")) {
        Timer1->setInterval(ReadAutoSettings().Interval * 1000);
        Timer1->start();
        ToolButton11->setText(QStringLiteral("关闭自动"));
        Ui::Message(QStringLiteral("开启自动"), QStringLiteral("提示"));
    } else {
        Timer1->stop();
        ToolButton11->setText(QStringLiteral("开启自动"));
    }
}

void TFMainWindow::ToolButtonPintCFGClick()
{
    TPrinterConfig dialog(this);
    dialog.exec();
}

void TFMainWindow::ToolButton4Click()
{
    if (!Commands.SaveEmptyLayout) {
        NotYetAvailable(QStringLiteral("新建模板"));
        return;
    }
    TTemplateAddForm dialog(Commands.SaveEmptyLayout, this);
    dialog.exec();
    if (dialog.Created) {
        ReloadTemplates();
        ShowTemplateList();
    }
}

void TFMainWindow::ToolButton5Click() { Ui::ShellOpen(QString(), SupportUrl()); }

void TFMainWindow::ToolButton9Click() { Ui::ShellOpen(QString(), ShopUrl()); }

void TFMainWindow::ToolButton12Click() { Ui::ShellOpen(QStringLiteral("open"), AppPath + QStringLiteral("config/help.html")); }

void TFMainWindow::N14Click() { ToolButton12Click(); }

void TFMainWindow::ToolButton8Click()
{
    if (Ui::Ask(QStringLiteral("是否确认退出程序?"), QStringLiteral("提示")))
        close();
}

TTemplatePtr TFMainWindow::SelectedTemplate() const
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    const int index = selected.isEmpty() ? -1 : ListBox1->row(selected.first());
    if (index < 0 || index >= TemplateList.size())
        throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    return TemplateList[index];
}

void TFMainWindow::N15Click()
{
    RunCommand([this] {
        const TTemplatePtr t = SelectedTemplate();
        if (Commands.PreviewTemplate)
            Commands.PreviewTemplate(t);
        else
            NotYetAvailable(QStringLiteral("预览"));
    });
}

void TFMainWindow::N17Click()
{
    RunCommand([this] {
        const TTemplatePtr t = SelectedTemplate();
        if (Commands.Design)
            Commands.Design(t);
        else
            NotYetAvailable(QStringLiteral("模板设计"));
    });
}

void TFMainWindow::OnePreviewBUTClick()
{
    const int row = SelectedGridRow();
    if (row < 0) {
        Ui::Message(QStringLiteral("请选中要打印订单行!"), QStringLiteral("提示"));
        return;
    }
    if (!CurrTemplate) {
        Ui::Message(QStringLiteral("请选择打印模板!"), QStringLiteral("提示"));
        return;
    }
    RunCommand([this, row] {
        const TTemplatePtr t = SelectedTemplate();
        if (Commands.PreviewOne)
            Commands.PreviewOne(t, row);
        else
            NotYetAvailable(QStringLiteral("预览"));
    });
}

void TFMainWindow::N18Click()
{
    if (!Ui::Ask(QStringLiteral("是否确认要删除此模板?"), QStringLiteral("提示")))
        return;
    RunCommand([this] {
        const TTemplatePtr t = SelectedTemplate();
        DeleteDirTree(t->TmpPath);
        // A deleted template must not stay printable.
        if (CurrTemplate && CurrTemplate->TmpPath == t->TmpPath) {
            CurrTemplate.reset();
            SetStatusText(1, QStringLiteral("空"));
        }
        ReloadTemplates();
        ShowTemplateList();
    });
}

void TFMainWindow::N21Click()
{
    RunCommand([this] { Ui::ShellOpen(QStringLiteral("open"), SelectedTemplate()->TmpPath); });
}
