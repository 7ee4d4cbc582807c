// Electronic invoices: one invoice of 99 lines at 10 % and 8 % made into its file, and 1,000
// stored invoices of 10 lines each read from a data file and written into a folder, as the
// history tab's batch does, each archived with its PDF.
#include "app/Database.h"
#include "app/Locations.h"
#include "data/Archive.h"
#include "data/Provision.h"
#include "einvoice/ElectronicInvoice.h"
#include "invoice/InvoiceCalc.h"
#include "settings/ModQLNVSettings.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kListed = 1000;
constexpr int kLinesPerInvoice = 10;

const einvoice::Party kSeller{QStringLiteral("山田商事"), QStringLiteral("〒160-0044 東京都新宿区四谷4-29\nTEL 03-1234-5678"),
                              QStringLiteral("T1234567890123"), QStringLiteral("0188:1234567890123"),
                              QStringLiteral("みずほ銀行 新宿支店 普通 1234567")};

// An invoice of count lines, every third at the reduced rate, with the amounts computed as
// the invoice tab does.
einvoice::Document invoiceOf(int count)
{
    einvoice::Document d;
    calc::TaxBase base{0, 0, 0, 10};
    for (int i = 1; i <= count; ++i) {
        DetailLine l;
        l.行番号 = i;
        l.品名 = QStringLiteral("部品 %1 & <特>").arg(i);
        l.数量 = i % 7 + 1;
        l.単位 = QStringLiteral("個");
        l.単価 = 97.5 + i;
        l.金額 = calc::lineAmount(*l.数量, *l.単価, calc::Rounding::HalfAwayFromZero);
        l.軽減税率 = i % 3 == 0;
        base.total += *l.金額;
        base.taxable += *l.金額;
        if (l.軽減税率)
            base.reducedTaxable += *l.金額;
        d.lines << l;
    }
    const calc::Amounts a = calc::computeAmounts(base, QStringLiteral("外税"), QStringLiteral("四捨五入"), std::nullopt, true);
    InvoiceHeader &h = d.header;
    h.伝票番号 = 123;
    h.日付 = QDate(2026, 12, 7);
    h.顧客名 = QStringLiteral("株式会社 丸角商店");
    h.顧客情報 = QStringLiteral("〒001-0012\n北海道札幌市北区北十二条西76");
    h.消費税率 = 10;
    h.税抜計 = a.税抜計, h.消費税 = a.消費税, h.合計 = a.合計, h.請求金額 = a.請求金額;
    h.標準税率対象 = a.標準税率対象, h.標準税率消費税 = a.標準税率消費税;
    h.軽減税率対象 = a.軽減税率対象, h.軽減税率消費税 = a.軽減税率消費税;
    d.seller = kSeller;
    d.buyer = {h.顧客名, h.顧客情報, {}, QStringLiteral("0188:3210987654321"), {}};
    return d;
}

void BM_JpPintOf99Lines(benchmark::State &state)
{
    const einvoice::Document d = invoiceOf(DetailLineCount);
    qint64 bytes = 0;
    for (auto _ : state) {
        const einvoice::Outcome made = einvoice::toJpPint(d);
        if (!made.ok()) {
            state.SkipWithError(made.refusal.toUtf8().constData());
            break;
        }
        bytes = made.xml.size();
    }
    state.counters["KB"] = double(bytes) / 1e3;
}
BENCHMARK(BM_JpPintOf99Lines)->Unit(benchmark::kMillisecond);

// A data file with kListed stored invoices like invoiceOf(kLinesPerInvoice), to 100 customers
// with electronic addresses.
struct DataSet {
    QTemporaryDir dir;
    bool ok = false;

    DataSet()
    {
        const auto locations = ModQLNV::locationsFor(dir.path(), false);
        ModQLNV::setLocations(locations);
        if (!schema::provisionDataDir(locations.dataDir).ok())
            return;
        const einvoice::Document d = invoiceOf(kLinesPerInvoice);
        const InvoiceHeader &h = d.header;
        QSqlDatabase data = db::data();
        db::Transaction transaction(data);
        QSqlQuery customer(data), header(data), line(data);
        if (!transaction.isActive()
            || !customer.prepare(QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報, 電子アドレス) VALUES (?, ?, ?)"))
            || !header.prepare(QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 顧客情報, 税抜計, 消費税, 合計, 請求金額, "
                                              "消費税率, 標準税率対象, 標準税率消費税, 軽減税率対象, 軽減税率消費税, 更新番号) "
                                              "VALUES (?, '2026-12-07', ?, ?, ?, ?, ?, ?, 0.1, ?, ?, ?, ?, 1)"))
            || !line.prepare(QStringLiteral("INSERT INTO 請求書 (伝票番号, 顧客名, 日付, 伝票区分, 行番号, 品名, 数量, 単位, 単価, 金額, "
                                            "小計, 非課税, 軽減税率) VALUES (?, ?, '2026-12-07', 1, ?, ?, ?, ?, ?, ?, 0, 0, ?)")))
            return;
        for (int c = 0; c < 100; ++c) {
            customer.addBindValue(QStringLiteral("顧客%1").arg(c));
            customer.addBindValue(h.顧客情報);
            customer.addBindValue(QStringLiteral("0188:%1").arg(3210987650000LL + c));
            if (!customer.exec())
                return;
        }
        for (int n = 1; n <= kListed; ++n) {
            const QString name = QStringLiteral("顧客%1").arg(n % 100);
            for (const QVariant &v : QVariantList{n, name, h.顧客情報, *h.税抜計, *h.消費税, *h.合計, *h.請求金額, *h.標準税率対象,
                                                  *h.標準税率消費税, *h.軽減税率対象, *h.軽減税率消費税})
                header.addBindValue(v);
            if (!header.exec())
                return;
            for (const DetailLine &l : d.lines) {
                for (const QVariant &v : QVariantList{n, name, l.行番号 - 1, l.品名, *l.数量, l.単位, *l.単価, *l.金額, l.軽減税率 ? 1 : 0})
                    line.addBindValue(v);
                if (!line.exec())
                    return;
            }
        }
        ok = transaction.commit();
    }
};

void BM_WriteListedInvoices(benchmark::State &state)
{
    static DataSet set;
    if (!set.ok)
        return state.SkipWithError(qPrintable(QStringLiteral("the data set was not made: ") + db::lastError()));
    ModQLNV::自社名 = kSeller.name;
    ModQLNV::自社情報 = kSeller.addressBlock;
    ModQLNV::登録番号 = kSeller.registrationNumber;
    ModQLNV::電子アドレス = kSeller.electronicAddress;
    QList<qint64> numbers;
    for (int n = 1; n <= kListed; ++n)
        numbers << n;
    for (auto _ : state) {
        // Each round archives the invoices anew, their PDFs drawn for the first time.
        state.PauseTiming();
        for (const QString &table : archive::tables())
            db::exec(db::data(), QStringLiteral("DELETE FROM ") + table);
        state.ResumeTiming();
        QTemporaryDir out;
        const einvoice::BatchReport report = einvoice::writeBatch(db::data(), numbers, out.path());
        if (report.written != kListed) {
            state.SkipWithError(qPrintable(report.failure + report.skipped.value(0)));
            break;
        }
    }
}
BENCHMARK(BM_WriteListedInvoices)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
