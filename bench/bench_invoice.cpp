// The invoice tab with full masters (5,000 products, 2,000 customers): one accepted cell (line
// written, Calc明細 over the 99 lines with its subtotal pass, grid refreshed and repainted),
// Create小計 and LineDelete through the buttons' code, and a full Clear請求書. The accepted cell
// is also measured without the repaint, to tell the database's share from the drawing's.
#include "app/Database.h"
#include "app/Locations.h"
#include "data/Provision.h"
#include "invoice/DetailGrid.h"
#include "invoice/DetailModel.h"
#include "invoice/InvoiceData.h"
#include "invoice/InvoiceTab.h"
#include "settings/ModQLNVSettings.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kProducts = 5000;
constexpr int kCustomers = 2000;
constexpr int kFilledLines = 60;

// A provisioned data directory with full masters and an open, loaded invoice tab.
class Fixture
{
public:
    Fixture()
    {
        schema::provisionDataDir(m_dir.path() + QStringLiteral("/data"));
        ModQLNV::setLocations(ModQLNV::locationsFor(m_dir.path(), false));
        const auto numbered = [](int i) { return QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0')); };
        QList<QVariantList> products;
        for (int i = 1; i <= kProducts; ++i)
            products.append({QStringLiteral("商品") + numbered(i), QStringLiteral("%1入").arg(i % 12), QStringLiteral("個"),
                             i * 10 + 0.5, i % 7 == 0 ? 1 : 0, QStringLiteral("しょうひん") + numbered(5000 - i)});
        QList<QVariantList> customers;
        for (int i = 1; i <= kCustomers; ++i)
            customers.append({QStringLiteral("顧客") + numbered(i), QStringLiteral("東京都%1").arg(i),
                              QStringLiteral("こきゃく") + numbered(i), QStringLiteral("様")});
        const QSqlDatabase data = db::data();
        db::Transaction tx(data);
        db::insertRows(data, QStringLiteral("商品マスタ"),
                       {QStringLiteral("品名"), QStringLiteral("入数"), QStringLiteral("単位"), QStringLiteral("単価"),
                        QStringLiteral("非課税"), QStringLiteral("ふりがな")},
                       products);
        db::insertRows(data, QStringLiteral("顧客マスタ"),
                       {QStringLiteral("顧客名"), QStringLiteral("顧客情報"), QStringLiteral("ふりがな"), QStringLiteral("敬称")},
                       customers);
        tx.commit();

        tab = std::make_unique<InvoiceTab>();
        tab->FormInit();
        tab->Clear請求書(true);
        tab->resize(1020, 680);
        tab->show();
        QApplication::processEvents();
    }
    ~Fixture()
    {
        tab.reset();
        db::closeAll();
    }

    // Lines 1..kFilledLines with products, quantities and prices, and a subtotal every ten;
    // with mixedRates every third line is marked for the reduced rate.
    void fillLines(bool mixedRates = false)
    {
        QList<DetailLine> lines;
        for (int i = 1; i <= kFilledLines; ++i) {
            DetailLine l;
            l.品名 = i % 10 == 0 ? QStringLiteral(" 小 計") : QStringLiteral("商品%1").arg(i, 5, 10, QLatin1Char('0'));
            l.小計 = i % 10 == 0;
            if (!l.小計) {
                l.数量 = i;
                l.単価 = 100.5;
                l.金額 = qint64(i * 100.5);
                l.ふりがな = QStringLiteral("よみ");
                l.軽減税率 = mixedRates && i % 3 == 0;
            }
            lines << l;
        }
        detail::replaceLines(db::work(), lines);
        tab->reloadLines();
        tab->Calc明細();
        QApplication::processEvents();
    }

    DetailModel *model() const { return tab->grid()->detailModel(); }

    std::unique_ptr<InvoiceTab> tab;

private:
    QTemporaryDir m_dir;
};

void BM_AcceptedCell(benchmark::State &state)
{
    Fixture f;
    f.fillLines();
    const QModelIndex quantity = f.model()->index(14, 3);
    int value = 1;
    for (auto _ : state) {
        // A changed quantity: the line amount, the write, the sums, the subtotal pass, the refresh.
        f.model()->setData(quantity, QString::number(++value % 50 + 1));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_AcceptedCell)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_AcceptedCellNoPaint(benchmark::State &state)
{
    Fixture f;
    f.fillLines();
    const QModelIndex quantity = f.model()->index(14, 3);
    int value = 1;
    for (auto _ : state) {
        f.model()->setData(quantity, QString::number(++value % 50 + 1));
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
// The same at 10 % with reduced-rate lines: two rates summed and taxed, the amounts per rate
// shown under the totals.
void BM_AcceptedCellMixedRates(benchmark::State &state)
{
    ModQLNV::消費税率 = QStringLiteral("10%");
    Fixture f;
    f.tab->settingsChanged();
    f.fillLines(true);
    const QModelIndex quantity = f.model()->index(14, 3);
    int value = 1;
    for (auto _ : state) {
        f.model()->setData(quantity, QString::number(++value % 50 + 1));
        QApplication::processEvents();
    }
    state.counters["taxPercent"] = f.tab->taxPercent();
    ModQLNV::消費税率 = QStringLiteral("5%");
}
BENCHMARK(BM_AcceptedCellMixedRates)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

BENCHMARK(BM_AcceptedCellNoPaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_Create小計(benchmark::State &state)
{
    Fixture f;
    f.fillLines();
    for (auto _ : state) {
        f.tab->grid()->setCurrentCell(24, 1);
        f.tab->Create小計();
        QApplication::processEvents();
        state.PauseTiming();
        f.tab->LineDelete();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Create小計)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_LineDelete(benchmark::State &state)
{
    Fixture f;
    f.fillLines();
    for (auto _ : state) {
        state.PauseTiming();
        f.tab->grid()->setCurrentCell(24, 1);
        f.tab->Create小計();
        state.ResumeTiming();
        f.tab->LineDelete();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_LineDelete)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_Clear請求書Full(benchmark::State &state)
{
    Fixture f;
    for (auto _ : state) {
        state.PauseTiming();
        f.fillLines();
        state.ResumeTiming();
        f.tab->Clear請求書(true);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_Clear請求書Full)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace
