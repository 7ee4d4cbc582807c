#pragma once
// Helpers for the print tests: invoices as plain values, lookups on the drawing operations
// of a built report, and the poppler tools that read a written PDF.
#include "print/DrawOps.h"
#include "print/PrintCommands.h"
#include "print/PrintData.h"

#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace printtest {

inline constexpr print::Paper Papers[] = {print::Paper::A4, print::Paper::B5};

inline const char *nameOf(print::Paper paper)
{
    return paper == print::Paper::A4 ? "A4" : "B5";
}

using report::DrawOp;
using report::OpKind;
using report::Report;
using report::ReportPage;

// An ordinary line.
inline DetailLine line(const QString &name, double quantity = 1, const QString &unit = QStringLiteral("個"),
                       double price = 100)
{
    DetailLine l;
    l.品名 = name;
    l.数量 = quantity;
    l.単位 = unit;
    l.単価 = price;
    l.金額 = qint64(quantity * price);
    return l;
}

inline DetailLine subtotal(qint64 amount)
{
    DetailLine l;
    l.品名 = QStringLiteral(" 小 計");
    l.金額 = amount;
    l.小計 = true;
    return l;
}

// The 99 rows of w明細: the given lines first, numbered, then blank ones.
inline QList<DetailLine> workRows(QList<DetailLine> lines)
{
    while (lines.size() < DetailLineCount)
        lines << DetailLine{};
    for (qsizetype i = 0; i < lines.size(); ++i)
        lines[i].行番号 = int(i + 1);
    return lines;
}

inline QList<DetailLine> filledRows(int count)
{
    QList<DetailLine> lines;
    for (int i = 1; i <= count; ++i)
        lines << line(QStringLiteral("商品%1").arg(i), i, QStringLiteral("個"), 10 * i);
    return workRows(lines);
}

inline print::PrintSettings plainSettings()
{
    print::PrintSettings s;
    s.年号 = QStringLiteral("和暦");
    s.小数 = QStringLiteral("使用しない");
    s.入数列タイトル = QStringLiteral("入数");
    return s;
}

inline InvoiceHeader sampleInvoice()
{
    InvoiceHeader h;
    h.伝票番号 = 12;
    h.日付 = QDate(2026, 12, 7);
    h.顧客名 = QStringLiteral("株式会社みどり商店");
    h.顧客情報 = QStringLiteral("〒150-0001\n東京都渋谷区神宮前1-2-3");
    h.敬称 = QStringLiteral("御中");
    h.件名 = QStringLiteral("12月分");
    h.メモ = QStringLiteral("お振込は月末までにお願いします。");
    h.税抜計 = 12000;
    h.消費税 = 600;
    h.合計 = 12600;
    h.請求金額 = 12600;
    return h;
}

inline Report build(print::Paper paper, const QList<DetailLine> &rows, const InvoiceHeader &invoice = sampleInvoice(),
                    bool printDate = true, const print::PrintSettings &settings = plainSettings())
{
    print::PrintHeader header = print::makePrintHeader(invoice, printDate, rows);
    header.自社名 = QStringLiteral("山田商会"); // the settings globals are empty in tests
    header.自社情報 = QStringLiteral("大阪市北区1-1");
    return print::build請求書(paper, header, rows, settings);
}

inline QList<DrawOp> named(const ReportPage &page, const QString &name)
{
    QList<DrawOp> found;
    for (const DrawOp &op : page.ops)
        if (op.name == name)
            found << op;
    return found;
}

// The text a control prints on a page; empty when it prints nothing there.
inline QString textOf(const ReportPage &page, const QString &name)
{
    const QList<DrawOp> ops = named(page, name);
    return ops.isEmpty() ? QString() : ops.first().text;
}

// The texts a detail field prints on a page, top to bottom (blank rows skipped).
inline QStringList column(const ReportPage &page, const QString &name)
{
    QList<DrawOp> ops = named(page, name);
    std::sort(ops.begin(), ops.end(), [](const DrawOp &a, const DrawOp &b) { return a.rect.top() < b.rect.top(); });
    QStringList texts;
    for (const DrawOp &op : ops)
        texts << op.text;
    return texts;
}

// Ruled detail rows on a page, counted by their bottom rules: the only horizontal rules of
// that length (A4 10489 twips, B5 9061).
inline int ruledRows(const ReportPage &page, print::Paper paper)
{
    const double length = paper == print::Paper::A4 ? 10560 - 71 : 9071 - 10;
    return int(std::count_if(page.ops.begin(), page.ops.end(), [&](const DrawOp &op) {
        return op.kind == OpKind::Line && op.line.dy() == 0 && qFuzzyCompare(op.line.dx(), length);
    }));
}

// Runs a poppler tool (pdftotext, pdffonts, pdftoppm) and returns what it printed.
inline QString run(const char *name, const QStringList &arguments)
{
    const QString path = QStandardPaths::findExecutable(QString::fromUtf8(name));
    EXPECT_FALSE(path.isEmpty()) << name << " (poppler-utils) is missing";
    QProcess process;
    process.start(path, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << name;
    EXPECT_EQ(process.exitCode(), 0) << name << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace printtest
