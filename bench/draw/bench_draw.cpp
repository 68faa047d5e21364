// Drawing one waybill page of 15 text objects at 600 dpi onto an image: the time a print job spends
// per page on the report side. Prints the first (cold: fonts found and loaded) and the typical
// (median of the following runs) figure.

#include "report/model/frxClass.h"
#include "report/draw/frxDrawPage.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct TField {
    double Left, Top, Width, Height;
    int Size;
    bool Bold;
    const char *Text;
};

// A carrier form's fields: sender and receiver blocks, telephone numbers, address lines that wrap,
// the order number and remarks; Chinese with Latin and digits, as the marketplace exports them.
const TField kFields[] = {
    {30, 40, 220, 22, 12, true, "寄件人：李四"},
    {30, 66, 220, 22, 11, false, "电话：0571-88886666"},
    {30, 90, 330, 44, 10, false, "浙江省杭州市西湖区文三路 478 号华星时代广场 A 座 1203 室"},
    {30, 140, 200, 22, 10, false, "杭州小店 Hangzhou Shop"},
    {420, 40, 240, 22, 14, true, "收件人：张三"},
    {420, 66, 240, 22, 12, false, "手机：13800138000"},
    {420, 90, 380, 66, 11, false, "北京市朝阳区建国路 88 号 SOHO 现代城 5 号楼 2201 室（工作日送货）"},
    {420, 160, 200, 22, 10, false, "邮编 100022"},
    {30, 200, 300, 22, 10, false, "订单号：TB2024061812345678"},
    {30, 226, 380, 40, 9, false, "宝贝：纯棉T恤 白色 XL ×2；帆布包 ×1"},
    {420, 200, 180, 22, 10, false, "件数：3"},
    {420, 226, 180, 22, 10, false, "重量：1.25 kg"},
    {620, 200, 200, 22, 10, false, "代收货款：¥ 0.00"},
    {30, 280, 600, 36, 9, false, "备注：易碎物品，轻拿轻放。Fragile, handle with care."},
    {620, 280, 200, 22, 10, true, "2024-06-18"},
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);

    TfrxReport report;
    auto *page = new TfrxReportPage(&report);
    page->SetPaperWidth(230);
    page->SetPaperHeight(127);
    page->SetLeftMargin(3);
    page->SetTopMargin(2);
    for (const TField &field : kFields) {
        auto *memo = new TfrxMemoView(page);
        memo->SetBounds(field.Left, field.Top, field.Width, field.Height);
        memo->Font()->SetSize(field.Size);
        if (field.Bold)
            memo->Font()->SetStyle(frx::fsBold);
        memo->SetText(QString::fromUtf8(field.Text));
    }

    // Receivers of a print run: every page brings other names, numbers and addresses.
    const char *const receivers[] = {"收件人：王芳", "收件人：刘洋", "收件人：陈静", "收件人：杨帆",
                                     "收件人：赵磊", "收件人：黄蓉", "收件人：周杰", "收件人：吴敏",
                                     "收件人：徐亮", "收件人：孙丽"};
    const char *const addresses[] = {"广东省深圳市南山区科技园南区粤海街道 18 号",
                                     "上海市浦东新区陆家嘴环路 1000 号恒生银行大厦",
                                     "四川省成都市武侯区天府大道北段 1700 号环球中心",
                                     "江苏省南京市鼓楼区中山北路 30 号",
                                     "湖北省武汉市洪山区珞喻路 1037 号华中科技大学",
                                     "陕西省西安市雁塔区长安南路 563 号",
                                     "山东省青岛市市南区香港中路 76 号颐中皇冠假日",
                                     "福建省厦门市思明区环岛南路 2888 号",
                                     "辽宁省沈阳市和平区南京北街 206 号",
                                     "云南省昆明市五华区东风西路 11 号"};
    auto *receiver = qobject_cast<TfrxMemoView *>(page->Objects().at(4));
    auto *phone = qobject_cast<TfrxMemoView *>(page->Objects().at(5));
    auto *address = qobject_cast<TfrxMemoView *>(page->Objects().at(6));

    const double scale = 600.0 / 96.0;
    QImage image(frxRound(page->Width() * scale), frxRound(page->Height() * scale),
                 QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    const int runs = 60;
    QElapsedTimer timer;
    for (int run = 0; run < runs; ++run) {
        image.fill(Qt::white);
        QPainter painter(&image);
        TfrxCanvas canvas(painter, TfrxCanvas::ckPrinter, 600, 600);
        timer.start();
        frxDrawPage(*page, canvas, scale, scale, 0, 0);
        painter.end();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::vector<double> varied;
    for (int run = 0; run < runs; ++run) {
        receiver->SetText(QString::fromUtf8(receivers[run % 10]));
        phone->SetText(QStringLiteral("手机：139%1").arg(10000000 + run * 7919, 8, 10, QLatin1Char('0')));
        address->SetText(QString::fromUtf8(addresses[(run * 3) % 10]));
        image.fill(Qt::white);
        QPainter painter(&image);
        TfrxCanvas canvas(painter, TfrxCanvas::ckPrinter, 600, 600);
        timer.start();
        frxDrawPage(*page, canvas, scale, scale, 0, 0);
        painter.end();
        varied.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(varied.begin(), varied.end());

    const double cold = times.front();
    std::vector<double> warm(times.begin() + 1, times.end());
    std::sort(warm.begin(), warm.end());
    std::printf("page: %dx%d px at 600 dpi, %d text objects\n", image.width(), image.height(),
                int(sizeof(kFields) / sizeof(kFields[0])));
    std::printf("draw page at 600 dpi (first, fonts loaded): %.2f ms\n", cold);
    std::printf("draw page at 600 dpi (median of %d): %.2f ms\n", int(warm.size()), warm[warm.size() / 2]);
    std::printf("draw page at 600 dpi (slowest of %d): %.2f ms\n", int(warm.size()), warm.back());
    std::printf("draw page at 600 dpi, other receiver on every page (median of %d): %.2f ms\n",
                int(varied.size()), varied[varied.size() / 2]);
    std::printf("draw page at 600 dpi, other receiver on every page (slowest of %d): %.2f ms\n",
                int(varied.size()), varied.back());
    if (argc > 1)
        image.save(QString::fromLocal8Bit(argv[1]));
    return 0;
}
