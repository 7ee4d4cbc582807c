// Printing: a 99-line A4 invoice (7 pages) built and painted into a PDF, and the preview
// window of it opened and painted.
#include "print/PrintCommands.h"
#include "print/ReportPainter.h"

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QList<DetailLine> fullInvoice()
{
    QList<DetailLine> lines;
    for (int i = 1; i <= DetailLineCount; ++i) {
        DetailLine l;
        l.行番号 = i;
        if (i % 10 == 0) {
            l.品名 = QStringLiteral(" 小 計");
            l.金額 = 123456;
            l.小計 = true;
        } else {
            l.品名 = QStringLiteral("特選コシヒカリ 5kg 第%1便").arg(i);
            l.入数 = QStringLiteral("%1袋").arg(i % 4 + 1);
            l.数量 = i % 7 + 1;
            l.単位 = QStringLiteral("袋");
            l.単価 = 1980 + i;
            l.金額 = qint64(*l.数量 * *l.単価);
        }
        lines << l;
    }
    return lines;
}

print::PrintHeader header(const QList<DetailLine> &lines)
{
    InvoiceHeader h;
    h.日付 = QDate(2026, 12, 7);
    h.顧客名 = QStringLiteral("株式会社みどり商店");
    h.顧客情報 = QStringLiteral("〒150-0001\n東京都渋谷区神宮前1-2-3");
    h.敬称 = QStringLiteral("御中");
    h.件名 = QStringLiteral("12月分");
    h.メモ = QStringLiteral("お振込は月末までにお願いします。");
    h.税抜計 = 1234567;
    h.消費税 = 61728;
    h.合計 = 1296295;
    h.請求金額 = 1296295;
    print::PrintHeader p = print::makePrintHeader(h, true, lines);
    p.自社名 = QStringLiteral("有限会社やまだ米店");
    p.自社情報 = QStringLiteral("〒530-0001\n大阪府大阪市北区梅田1-1-1\nTEL 06-1234-5678");
    return p;
}

print::PrintSettings settings()
{
    print::PrintSettings s;
    s.年号 = QStringLiteral("和暦");
    s.小数 = QStringLiteral("使用しない");
    s.入数列タイトル = QStringLiteral("入数");
    s.罫線色 = QColor(0x00, 0x60, 0xA0);
    return s;
}

void BM_A4InvoiceToPdf(benchmark::State &state)
{
    QTemporaryDir dir;
    const QList<DetailLine> lines = fullInvoice();
    const print::PrintHeader h = header(lines);
    const QString path = dir.filePath(QStringLiteral("invoice.pdf"));
    for (auto _ : state) {
        const report::Report r = print::build請求書(print::Paper::A4, h, lines, settings());
        if (r.pages.size() != 7 || !report::writePdf(r, path))
            state.SkipWithError("the report was not written");
    }
}
BENCHMARK(BM_A4InvoiceToPdf)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

// The steps of the preview command: build, open the window, let it paint its pages.
void BM_A4InvoicePreview(benchmark::State &state)
{
    const QList<DetailLine> lines = fullInvoice();
    const print::PrintHeader h = header(lines);
    for (auto _ : state) {
        const report::Report r = print::build請求書(print::Paper::A4, h, lines, settings());
        QPrinter printer(QPrinter::HighResolution);
        report::preparePrinter(printer, r);
        QPrintPreviewDialog dialog(&printer);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&](QPrinter *target) { report::printReport(*target, r); });
        dialog.resize(900, 1000);
        dialog.show();
        QApplication::processEvents();
        state.PauseTiming();
        dialog.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_A4InvoicePreview)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace
