// Reading and writing speed of the layout XML dialect, on a generated document shaped like a
// waybill layout (text objects with the usual attributes, Chinese text, escaped line breaks).

#include "report/io/frxXML.h"

#include <QBuffer>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

static QByteArray MakeDocument(qsizetype targetBytes)
{
    QByteArray bytes = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
                       "<TfrxReport Version=\"5.1.5\" ScriptLanguage=\"PascalScript\" "
                       "ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\">\r\n"
                       "  <TfrxDataPage Name=\"Data\" Height=\"1000\" Width=\"1000\"/>\r\n";
    int page = 0, memo = 0;
    while (bytes.size() < targetBytes) {
        bytes += "  <TfrxReportPage Name=\"Page" + QByteArray::number(++page) +
                 "\" PaperWidth=\"230\" PaperHeight=\"127\" PaperSize=\"256\" Frame.Typ=\"0\">\r\n";
        for (int i = 0; i < 40; ++i) {
            bytes += "    <TfrxMemoView Name=\"Memo" + QByteArray::number(++memo) +
                     "\" Left=\"90.70872\" Top=\"109.60637\" Width=\"207.87415\" Height=\"22.67718\" "
                     "Font.Charset=\"134\" Font.Color=\"0\" Font.Height=\"-13\" Font.Name=\"" +
                     QStringLiteral("宋体").toUtf8() +
                     "\" Font.Style=\"0\" ParentFont=\"False\" Text=\"[FD.&#34;" +
                     QStringLiteral("收件人地址").toUtf8() + "&#34;]&#13;&#10;" +
                     QStringLiteral("第二行").toUtf8() + "\"/>\r\n";
        }
        bytes += "  </TfrxReportPage>\r\n";
    }
    bytes += "</TfrxReport>\r\n";
    return bytes;
}

int main()
{
    const QByteArray document = MakeDocument(64 * 1024 * 1024);
    const double megabytes = document.size() / (1024.0 * 1024.0);
    double bestRead = 1e9, bestWrite = 1e9;
    QByteArray written;
    for (int round = 0; round < 3; ++round) {
        TfrxXMLDocument xml;
        xml.SetAutoIndent(true);
        QBuffer in;
        in.setData(document);
        in.open(QIODevice::ReadOnly);
        QElapsedTimer timer;
        timer.start();
        xml.LoadFromStream(&in);
        bestRead = std::min(bestRead, timer.nsecsElapsed() / 1e9);

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        timer.restart();
        xml.SaveToStream(&out);
        bestWrite = std::min(bestWrite, timer.nsecsElapsed() / 1e9);
        written = out.data();
    }
    std::printf("document size: %.1f MB\n", megabytes);
    std::printf("XML read: %.0f MB/s (%.1f ms)\n", megabytes / bestRead, bestRead * 1000);
    std::printf("XML write: %.0f MB/s (%.1f ms)\n", megabytes / bestWrite, bestWrite * 1000);
    std::printf("round trip identical: %s\n", written == document ? "yes" : "no");
    return written == document ? 0 : 1;
}
