// The archive of issued invoices on a data file holding 100,000 archived documents (2 KB of
// PDF each, so that the file stays small; the search and the chain read the same rows as with
// real ones) and their issue records: a search by a month and an amount range, one by part of
// the counterparty's name, what printing and saving a PDF add to archive a 10-line invoice, and
// the check of the whole chain.
#include "app/Database.h"
#include "app/Locations.h"
#include "archive/Issuing.h"
#include "data/Archive.h"
#include "data/Provision.h"
#include "print/PrintCommands.h"
#include "print/ReportPainter.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kDocuments = 100000;
const QDate kFirstDay(2020, 1, 1);

QString customerName(int i) { return QStringLiteral("顧客%1 株式会社").arg(i % 2000, 4, 10, QChar(u'0')); }

struct DataSet {
    QTemporaryDir dir;
    bool ok = false;

    DataSet()
    {
        const auto locations = ModQLNV::locationsFor(dir.path(), false);
        ModQLNV::setLocations(locations);
        if (!schema::provisionDataDir(locations.dataDir).ok())
            return;
        // Seven years of issues, made quickly: the file is a scratch copy.
        db::exec(db::data(), QStringLiteral("PRAGMA synchronous = OFF"));
        QByteArray pdf(2048, 'x');
        for (int n = 1; n <= kDocuments; ++n) {
            archive::Issue issue;
            issue.伝票番号 = n;
            issue.日付 = kFirstDay.addDays(qint64(n) * 2555 / kDocuments);
            issue.顧客名 = customerName(int((quint64(n) * 2654435761u) % 2000));
            issue.請求金額 = 1000 + (n * 7919) % 500000;
            issue.内容指紋 = QString::number(n);
            pdf.replace(0, 8, QByteArray::number(n).rightJustified(8, '0'));
            issue.pdf = pdf;
            issue.when = QDateTime(issue.日付, QTime(9, 0));
            if (!archive::recordIssue(db::data(), issue))
                return;
        }
        db::exec(db::data(), QStringLiteral("PRAGMA synchronous = FULL"));
        ok = true;
    }
};

DataSet &dataSet()
{
    static DataSet set;
    return set;
}

bool ready(benchmark::State &state)
{
    if (!dataSet().ok)
        state.SkipWithError(qPrintable(QStringLiteral("the data set was not made: ") + db::lastError()));
    return dataSet().ok;
}

void BM_ArchiveSearchMonthAndAmounts(benchmark::State &state)
{
    if (!ready(state))
        return;
    archive::Query query{QDate(2023, 6, 1), QDate(2023, 6, 30), 10000, 200000, {}};
    qsizetype found = 0;
    for (auto _ : state)
        found = archive::search(db::data(), query).value_or(QList<archive::Row>{}).size();
    state.counters["found"] = double(found);
}
BENCHMARK(BM_ArchiveSearchMonthAndAmounts)->Unit(benchmark::kMillisecond);

void BM_ArchiveSearchCounterparty(benchmark::State &state)
{
    if (!ready(state))
        return;
    archive::Query query;
    query.counterparty = QStringLiteral("顧客0042");
    qsizetype found = 0;
    for (auto _ : state)
        found = archive::search(db::data(), query).value_or(QList<archive::Row>{}).size();
    state.counters["found"] = double(found);
}
BENCHMARK(BM_ArchiveSearchCounterparty)->Unit(benchmark::kMillisecond);

// No condition: the whole archive listed.
void BM_ArchiveSearchAll(benchmark::State &state)
{
    if (!ready(state))
        return;
    qsizetype found = 0;
    for (auto _ : state)
        found = archive::search(db::data(), {}).value_or(QList<archive::Row>{}).size();
    state.counters["found"] = double(found);
}
BENCHMARK(BM_ArchiveSearchAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// The header of the ten lines below.
InvoiceHeader tenLineHeader()
{
    InvoiceHeader h;
    h.日付 = QDate(2026, 12, 7);
    h.顧客名 = QStringLiteral("株式会社みどり商店");
    h.税抜計 = 108900, h.消費税 = 10890, h.合計 = 119790, h.請求金額 = 119790;
    return h;
}

QList<DetailLine> tenLines()
{
    QList<DetailLine> lines;
    for (int i = 1; i <= 10; ++i) {
        DetailLine l;
        l.行番号 = i;
        l.品名 = QStringLiteral("特選コシヒカリ 5kg 第%1便").arg(i);
        l.数量 = i;
        l.単位 = QStringLiteral("袋");
        l.単価 = 1980;
        l.金額 = qint64(i * 1980);
        lines << l;
    }
    return lines;
}

// What printing adds: the report drawn once more as a PDF, and the archive's rows.
void BM_ArchiveOnPrint(benchmark::State &state)
{
    if (!ready(state))
        return;
    const QList<DetailLine> lines = tenLines();
    InvoiceHeader h = tenLineHeader();
    qint64 number = kDocuments;
    for (auto _ : state) {
        h.伝票番号 = ++number;
        const QByteArray pdf = report::pdfBytes(print::reportFor(print::Paper::A4, h, true, lines));
        if (!archive::recordIssue(db::data(), archive::issueOf(h, lines, pdf, {}, archive::Method::Print))) {
            state.SkipWithError("not archived");
            break;
        }
    }
}
BENCHMARK(BM_ArchiveOnPrint)->Unit(benchmark::kMillisecond)->Iterations(20);

// What saving a PDF adds: the archive's rows for the bytes already written.
void BM_ArchiveOnPdf(benchmark::State &state)
{
    if (!ready(state))
        return;
    const QList<DetailLine> lines = tenLines();
    InvoiceHeader h = tenLineHeader();
    const QByteArray pdf = report::pdfBytes(print::reportFor(print::Paper::A4, h, true, lines));
    qint64 number = 2 * kDocuments;
    for (auto _ : state) {
        h.伝票番号 = ++number;
        if (!archive::recordIssue(db::data(), archive::issueOf(h, lines, pdf, {}, archive::Method::Pdf))) {
            state.SkipWithError("not archived");
            break;
        }
    }
    state.counters["pdf_KB"] = double(pdf.size()) / 1e3;
}
BENCHMARK(BM_ArchiveOnPdf)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ArchiveVerify(benchmark::State &state)
{
    if (!ready(state))
        return;
    int documents = 0;
    for (auto _ : state) {
        const archive::Check check = archive::verify(db::data());
        if (!check.read || !check.problems.isEmpty()) {
            state.SkipWithError("the chain did not check out");
            break;
        }
        documents = check.documents;
    }
    state.counters["documents"] = documents;
}
BENCHMARK(BM_ArchiveVerify)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
