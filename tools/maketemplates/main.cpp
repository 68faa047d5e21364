// Makes the ready templates that ship in data/template: for each carrier form size a background
// picture of a generic pre-printed form (boxes and labels only), the order fields placed in its
// boxes, the layout written by our own writer, and the folder's CFG.INI.
//
//   waybill-maketemplates DATA_DIR      (writes DATA_DIR/template/t…/)

#include "app/Tavrel.h"
#include "app/TemplateClS.h"
#include "platform/IniFile.h"
#include "report/model/frxClass.h"
#include "report/io/frxSerializeReport.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <cstdio>

namespace {

const double PxPerMm = 96.0 / 25.4; // report pixels
const double ScanDpi = 150;         // the background pictures, as a seller's scan would be
const QString FormFont = QStringLiteral("宋体");

// Draws in millimetres on the scan.
class FormPainter {
public:
    FormPainter(double widthMm, double heightMm)
        : m_image(qRound(D(widthMm)), qRound(D(heightMm)), QImage::Format_RGB32)
    {
        m_image.fill(QColor(252, 250, 244));
        m_painter.begin(&m_image);
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.setPen(QPen(m_ink, D(0.35)));
    }

    void Ink(const QColor &colour)
    {
        m_ink = colour;
        m_painter.setPen(QPen(m_ink, D(0.35)));
    }
    void Box(double x, double y, double w, double h) { m_painter.drawRect(QRectF(D(x), D(y), D(w), D(h))); }
    void Line(double x1, double y1, double x2, double y2)
    {
        m_painter.drawLine(QPointF(D(x1), D(y1)), QPointF(D(x2), D(y2)));
    }
    void Fill(double x, double y, double w, double h)
    {
        m_painter.fillRect(QRectF(D(x), D(y), D(w), D(h)), m_ink);
    }
    // A caption with its top-left corner at (x, y); sizeMm is the character height.
    void Label(double x, double y, const QString &text, double sizeMm = 3.0, bool bold = false,
               bool inverse = false)
    {
        QFont font(QStringLiteral("WenQuanYi Zen Hei"));
        font.setPixelSize(qRound(D(sizeMm)));
        font.setBold(bold);
        m_painter.save();
        m_painter.setFont(font);
        m_painter.setPen(inverse ? QColor(Qt::white) : m_ink);
        m_painter.drawText(QRectF(D(x), D(y), D(200), D(sizeMm * 1.6)), Qt::AlignLeft | Qt::AlignTop, text);
        m_painter.restore();
    }
    QByteArray Jpeg()
    {
        m_painter.end();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        m_image.save(&buffer, "JPEG", 88);
        return bytes;
    }

private:
    static double D(double mm) { return mm * ScanDpi / 25.4; }
    QImage m_image;
    QPainter m_painter;
    QColor m_ink{200, 40, 40};
};

struct Field {
    QString Name;
    QString Text;
    double X, Y, W, H; // mm
    int SizePt;
    bool Bold = false;
};

void AddMemo(TfrxReportPage *page, const Field &f)
{
    auto *memo = new TfrxMemoView(page);
    memo->SetName(f.Name);
    memo->SetBounds(f.X * PxPerMm, f.Y * PxPerMm, f.W * PxPerMm, f.H * PxPerMm);
    memo->SetText(f.Text);
    memo->Font()->SetName(FormFont);
    memo->Font()->SetSize(f.SizePt);
    memo->Font()->SetStyle(f.Bold ? frx::TFontStyles(frx::fsBold) : frx::TFontStyles());
    memo->SetWordWrap(true);
}

QString FieldRef(const QString &column)
{
    return QStringLiteral("[FD.\"%1\"]").arg(column);
}

// The marketplace writes numbers as ="123" and telephone numbers as '0571… so that spreadsheets
// keep them as text; the waybill shows the bare number.
QString NumberRef(const QString &column)
{
    const QString f = QStringLiteral("<FD.\"%1\">").arg(column);
    return QStringLiteral("[IIF(Pos('=\"', %1) = 1, Copy(%1, 3, Length(%1) - 3), %1)]").arg(f);
}
QString PhoneRef(const QString &column)
{
    const QString f = QStringLiteral("<FD.\"%1\">").arg(column);
    return QStringLiteral("[IIF(Pos('''', %1) = 1, Copy(%1, 2, Length(%1) - 1), %1)]").arg(f);
}

// The order number without the ="…" the marketplace wraps it in, as an expression.
QString NumberExpression(const QString &column)
{
    const QString f = QStringLiteral("<FD.\"%1\">").arg(column);
    return QStringLiteral("IIF(Pos('=\"', %1) = 1, Copy(%1, 3, Length(%1) - 3), %1)").arg(f);
}

// A barcode or QR code on the form: Code 128 of Expression, or a QR code of Text (bracketed
// fields expanded per order).
struct Code {
    QString Name;
    bool Qr = false;
    QString Value; // Expression of a barcode, Text of a QR code
    QString Sample; // what the designer shows before a build
    double X, Y, W, H; // mm
};

struct Form {
    QString Folder;
    QString Name;
    double WidthMm, HeightMm;
    QByteArray Background;
    QList<Field> Fields;
    QList<Code> Codes = {};
};

void AddCode(TfrxReportPage *page, const Code &c)
{
    TfrxBarcodeBase *view;
    if (c.Qr) {
        auto *qr = new TfrxBarcode2DView(page);
        qr->SetBarType(QStringLiteral("bcCodeQR"));
        qr->BarProperties()->SetErrorLevels(TfrxBarcode2DProperties::ecLevelM);
        qr->BarProperties()->SetQuietZone(2);
        qr->SetText(c.Value);
        view = qr;
    } else {
        auto *bar = new TfrxBarCodeView(page);
        bar->SetBarType(QStringLiteral("bcCode128"));
        bar->SetExpression(c.Value);
        bar->SetText(c.Sample);
        bar->Font()->SetName(QStringLiteral("Arial"));
        bar->Font()->SetSize(9);
        view = bar;
    }
    view->SetName(c.Name);
    view->SetBounds(c.X * PxPerMm, c.Y * PxPerMm, c.W * PxPerMm, c.H * PxPerMm);
}

// 230 × 127 mm: the classic two-column carrier form, sender left, receiver right.
Form ClassicForm()
{
    Form form{QStringLiteral("t20261201090001"), QStringLiteral("通用快递单 230x127"), 230, 127, {}, {}};
    FormPainter p(230, 127);
    p.Fill(6, 5, 138, 11);
    p.Label(9, 6.5, QStringLiteral("快 递 运 单"), 5, true, true);
    p.Label(80, 7.5, QStringLiteral("EXPRESS WAYBILL"), 3.5, true, true);
    p.Box(147, 2.5, 77, 15); // the tracking barcode
    p.Box(6, 18, 108, 62);
    p.Box(116, 18, 108, 62);
    p.Label(8, 19, QStringLiteral("寄件人信息 FROM"), 3.2, true);
    p.Label(118, 19, QStringLiteral("收件人信息 TO"), 3.2, true);
    for (double x : {8.0, 118.0}) {
        p.Label(x, 27, QStringLiteral("姓名"));
        p.Label(x + 52, 27, QStringLiteral("手机"));
        p.Label(x, 37, QStringLiteral("地址"));
        p.Label(x, 70, x < 100 ? QStringLiteral("单位名称") : QStringLiteral("固定电话"));
        p.Line(x + 10, 34, x + 104, 34);
        p.Line(x + 10, 66, x + 104, 66);
        p.Line(x + 16, 76, x + 104, 76);
    }
    p.Box(6, 82, 108, 40);
    p.Box(116, 82, 108, 40);
    p.Label(8, 83, QStringLiteral("内件品名"));
    p.Label(8, 98, QStringLiteral("数量"));
    p.Label(50, 98, QStringLiteral("订单号"));
    p.Label(8, 108, QStringLiteral("备注"));
    p.Label(118, 83, QStringLiteral("订单备注"));
    p.Label(118, 100, QStringLiteral("买家"));
    p.Label(118, 108, QStringLiteral("付款"));
    p.Label(176, 100, QStringLiteral("收件人签名"));
    p.Label(180, 112, QStringLiteral("年    月    日"));
    form.Background = p.Jpeg();
    const QString shop = FieldRef(QStringLiteral("店铺名称"));
    form.Fields = {
        {QStringLiteral("SenderName"), shop, 18, 27, 48, 6, 11, true},
        {QStringLiteral("SenderPhone"), QStringLiteral("13800571000"), 68, 27, 44, 6, 10},
        {QStringLiteral("SenderAddress"),
         QStringLiteral("浙江省 杭州市 余杭区 仓前街道 文一西路 100 号 仓库 3 号门"), 18, 37, 94, 17, 10},
        {QStringLiteral("SenderCompany"), shop, 24, 70, 88, 6, 10},
        {QStringLiteral("ReceiverName"), FieldRef(QStringLiteral("收货人姓名")), 128, 27, 48, 6, 12, true},
        {QStringLiteral("ReceiverMobile"), PhoneRef(QStringLiteral("联系手机")), 178, 27, 44, 6, 10},
        {QStringLiteral("ReceiverAddress"), FieldRef(QStringLiteral("收货地址")), 128, 37, 94, 27, 11},
        {QStringLiteral("ReceiverPhone"), PhoneRef(QStringLiteral("联系电话")), 134, 70, 88, 6, 10},
        {QStringLiteral("ItemTitle"), FieldRef(QStringLiteral("宝贝标题")), 24, 83, 88, 14, 10},
        {QStringLiteral("ItemCount"), FieldRef(QStringLiteral("宝贝总数量")), 18, 98, 30, 6, 10},
        {QStringLiteral("OrderNo"), NumberRef(QStringLiteral("订单编号")), 64, 98, 48, 6, 10},
        {QStringLiteral("BuyerMessage"), FieldRef(QStringLiteral("买家留言")), 18, 108, 94, 12, 10},
        {QStringLiteral("OrderRemark"), FieldRef(QStringLiteral("订单备注")), 134, 83, 88, 14, 9},
        {QStringLiteral("BuyerNick"), FieldRef(QStringLiteral("买家会员名")), 128, 100, 46, 6, 9},
        {QStringLiteral("PayTime"), FieldRef(QStringLiteral("订单付款时间")), 128, 108, 46, 6, 9},
    };
    form.Codes = {{QStringLiteral("OrderBarCode"), false, NumberExpression(QStringLiteral("订单编号")),
                   QStringLiteral("544529763028279"), 148, 3, 75, 14}};
    return form;
}

// 210 × 140 mm: receiver on top, sender below, goods and order number at the bottom.
Form StackedForm()
{
    Form form{QStringLiteral("t20261201090002"), QStringLiteral("标准快递单 210x140"), 210, 140, {}, {}};
    FormPainter p(210, 140);
    p.Ink(QColor(30, 90, 170));
    p.Fill(6, 5, 120, 10);
    p.Label(9, 6, QStringLiteral("标准快递  STANDARD EXPRESS"), 4.5, true, true);
    p.Box(129, 2.5, 75, 14); // the tracking barcode
    auto section = [&](double y, const QString &caption) {
        p.Box(6, y, 198, 40);
        p.Label(8, y + 1, caption, 3.2, true);
        p.Label(8, y + 9, QStringLiteral("姓名"));
        p.Label(110, y + 9, QStringLiteral("电话"));
        p.Label(8, y + 19, QStringLiteral("地址"));
        p.Line(18, y + 15, 106, y + 15);
        p.Line(120, y + 15, 200, y + 15);
        p.Line(18, y + 27, 200, y + 27);
        p.Line(18, y + 37, 200, y + 37);
    };
    section(17, QStringLiteral("收件人 RECEIVER"));
    section(59, QStringLiteral("寄件人 SENDER"));
    p.Box(6, 101, 130, 34);
    p.Box(138, 101, 66, 34);
    p.Label(8, 102, QStringLiteral("物品 / 数量"));
    p.Label(8, 118, QStringLiteral("订单号"));
    p.Label(140, 102, QStringLiteral("收件人签收"));
    form.Background = p.Jpeg();
    const QString shop = FieldRef(QStringLiteral("店铺名称"));
    form.Fields = {
        {QStringLiteral("ReceiverName"), FieldRef(QStringLiteral("收货人姓名")), 20, 25, 84, 7, 14, true},
        {QStringLiteral("ReceiverMobile"), PhoneRef(QStringLiteral("联系手机")), 122, 25, 78, 7, 12},
        {QStringLiteral("ReceiverAddress"), FieldRef(QStringLiteral("收货地址")), 20, 35, 180, 20, 12},
        {QStringLiteral("ReceiverPhone"), PhoneRef(QStringLiteral("联系电话")), 150, 18, 52, 6, 9},
        {QStringLiteral("SenderName"), shop, 20, 67, 84, 7, 11, true},
        {QStringLiteral("SenderPhone"), QStringLiteral("0571-88880000"), 122, 67, 78, 7, 10},
        {QStringLiteral("SenderAddress"),
         QStringLiteral("浙江省 杭州市 余杭区 仓前街道 文一西路 100 号 仓库 3 号门"), 20, 77, 180, 10, 10},
        {QStringLiteral("SenderCompany"), shop, 20, 89, 180, 6, 9},
        {QStringLiteral("ItemTitle"), FieldRef(QStringLiteral("宝贝标题")), 10, 108, 100, 8, 10},
        {QStringLiteral("ItemCount"), FieldRef(QStringLiteral("宝贝总数量")), 112, 108, 22, 8, 10},
        {QStringLiteral("OrderNo"), NumberRef(QStringLiteral("订单编号")), 22, 118, 110, 6, 11, true},
        {QStringLiteral("BuyerMessage"), FieldRef(QStringLiteral("买家留言")), 10, 126, 124, 8, 9},
        {QStringLiteral("OrderRemark"), FieldRef(QStringLiteral("订单备注")), 140, 110, 62, 10, 9},
        {QStringLiteral("BuyerNick"), FieldRef(QStringLiteral("买家会员名")), 140, 122, 62, 6, 9},
        {QStringLiteral("PayTime"), FieldRef(QStringLiteral("订单付款时间")), 140, 128, 62, 6, 8},
    };
    form.Codes = {{QStringLiteral("OrderBarCode"), false, NumberExpression(QStringLiteral("订单编号")),
                   QStringLiteral("544529763028279"), 130, 3, 73, 13}};
    return form;
}

// 100 × 150 mm: a thermal label, receiver large at the top.
Form LabelForm()
{
    Form form{QStringLiteral("t20261201090003"), QStringLiteral("电子面单 100x150"), 100, 150, {}, {}};
    FormPainter p(100, 150);
    p.Ink(QColor(40, 40, 40));
    p.Box(3, 3, 94, 144);
    p.Line(3, 18, 97, 18);
    p.Line(3, 62, 97, 62);
    p.Line(3, 88, 97, 88);
    p.Line(3, 118, 97, 118);
    p.Label(5, 5, QStringLiteral("电子面单"), 5, true);
    p.Label(5, 12, QStringLiteral("E-WAYBILL"), 2.5, true);
    p.Label(5, 19, QStringLiteral("收"), 6, true);
    p.Label(5, 63, QStringLiteral("寄"), 5, true);
    p.Label(5, 89, QStringLiteral("物品"));
    p.Label(5, 119, QStringLiteral("订单号"));
    p.Label(5, 137, QStringLiteral("签收"));
    form.Background = p.Jpeg();
    const QString shop = FieldRef(QStringLiteral("店铺名称"));
    form.Fields = {
        {QStringLiteral("ReceiverName"), FieldRef(QStringLiteral("收货人姓名")), 15, 20, 40, 8, 14, true},
        {QStringLiteral("ReceiverMobile"), PhoneRef(QStringLiteral("联系手机")), 55, 20, 40, 8, 12, true},
        {QStringLiteral("ReceiverAddress"), FieldRef(QStringLiteral("收货地址")), 15, 30, 80, 22, 12},
        {QStringLiteral("ReceiverPhone"), PhoneRef(QStringLiteral("联系电话")), 15, 54, 80, 6, 9},
        {QStringLiteral("SenderName"), shop, 15, 64, 40, 6, 9, true},
        {QStringLiteral("SenderPhone"), QStringLiteral("0571-88880000"), 55, 64, 40, 6, 9},
        {QStringLiteral("SenderAddress"), QStringLiteral("浙江省 杭州市 余杭区 文一西路 100 号"), 15, 71, 80,
         10, 8},
        {QStringLiteral("SenderCompany"), shop, 15, 81, 80, 5, 8},
        {QStringLiteral("ItemTitle"), FieldRef(QStringLiteral("宝贝标题")), 15, 90, 62, 12, 9},
        {QStringLiteral("ItemCount"), FieldRef(QStringLiteral("宝贝总数量")), 79, 90, 16, 6, 9},
        {QStringLiteral("BuyerMessage"), FieldRef(QStringLiteral("买家留言")), 15, 103, 80, 7, 8},
        {QStringLiteral("OrderRemark"), FieldRef(QStringLiteral("订单备注")), 15, 110, 80, 7, 8},
        {QStringLiteral("OrderNo"), NumberRef(QStringLiteral("订单编号")), 20, 120, 50, 7, 12, true},
        {QStringLiteral("BuyerNick"), FieldRef(QStringLiteral("买家会员名")), 20, 128, 50, 6, 9},
        {QStringLiteral("PayTime"), FieldRef(QStringLiteral("订单付款时间")), 20, 139, 50, 6, 8},
    };
    // The tracking number as a barcode across the head; receiver, telephone and address as a QR
    // code in the corner of the order block, for the courier's phone.
    form.Codes = {
        {QStringLiteral("OrderBarCode"), false, NumberExpression(QStringLiteral("订单编号")),
         QStringLiteral("544529763028279"), 32, 4, 63, 13},
        {QStringLiteral("ReceiverQR"), true,
         FieldRef(QStringLiteral("收货人姓名")) + QLatin1Char(' ') + PhoneRef(QStringLiteral("联系手机")) +
             QLatin1Char(' ') + FieldRef(QStringLiteral("收货地址")),
         QString(), 71, 119.5, 25, 25},
    };
    return form;
}

void Write(TTavrelForm &driver, const QString &templateRoot, const Form &form)
{
    driver.InitialReport();
    TfrxReport *report = driver.frxReport1;
    report->ReportOptions()->SetName(form.Name);
    auto *page = qobject_cast<TfrxReportPage *>(report->Pages(1));
    page->SetLeftMargin(0);
    page->SetRightMargin(0);
    page->SetTopMargin(0);
    page->SetBottomMargin(0);
    page->SetPaperWidth(form.WidthMm);
    page->SetPaperHeight(form.HeightMm);
    TPicture background;
    background.LoadFromData(form.Background);
    page->SetBackPicture(background);
    // The carrier's form is already printed on the paper: the scan guides the layout and the
    // preview, and never reaches the printer.
    page->SetBackPicturePrintable(false);
    for (const Field &field : form.Fields)
        AddMemo(page, field);
    for (const Code &code : form.Codes)
        AddCode(page, code);

    const QString folder = templateRoot + form.Folder;
    QDir().mkpath(folder);
    const QString fileName = form.Folder.mid(1) + QStringLiteral(".fr3");
    frxSaveToFile(*report, folder + QLatin1Char('/') + fileName);
    IniFile(folder + QStringLiteral("/CFG.INI"))
        .WriteStrings(QStringLiteral("INFO"), {{QStringLiteral("TMP_NAME"), form.Name},
                                               {QStringLiteral("TMP_COL_CNT"), QStringLiteral("30")},
                                               {QStringLiteral("TMP_SPLIT"), QStringLiteral("0")},
                                               {QStringLiteral("TMP_FILE_NAME"), fileName},
                                               {QStringLiteral("TMP_IMG_NAME"), QStringLiteral("demo.jpg")}});
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: waybill-maketemplates DATA_DIR\n");
        return 2;
    }
    const QString root =
        QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("template")) + QLatin1Char('/');
    TTavrelForm driver;
    for (const Form &form : {ClassicForm(), StackedForm(), LabelForm()}) {
        Write(driver, root, form);
        std::printf("%s  %s  %.0f x %.0f mm, background %lld bytes\n", qPrintable(form.Folder),
                    qPrintable(form.Name), form.WidthMm, form.HeightMm, qlonglong(form.Background.size()));
    }
    return 0;
}
