// The customer and product windows over masters of 20,000 rows each: opening a window (the
// master read into the edit copy and shown), registering the edit copy over the master,
// deleting 100 ticked rows, and a product chosen into an invoice line with the totals.
// Questions are answered Yes at once.
#include "app/Database.h"
#include "app/Msg.h"
#include "data/Provision.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceData.h"
#include "invoice/InvoiceTab.h"
#include "masters/CustomerWindow.h"
#include "masters/MasterGrid.h"
#include "masters/ProductWindow.h"
#include "shell/QLNV.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int MasterRows = 20000;

class YesPresenter : public msg::MessagePresenter
{
public:
    QMessageBox::StandardButton present(QWidget *, const msg::MessageBoxSpec &box) override
    {
        return box.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    }
};

// A reading of kana, so that the order by reading is not the order of insertion.
QString reading(int i)
{
    static const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわ");
    QString out;
    for (int n = (i * 7919) % 1000003, k = 0; k < 5; ++k, n /= kana.size())
        out += kana.at(n % kana.size());
    return out;
}

// The whole main window on a data directory whose masters hold 20,000 rows each.
class Fixture
{
public:
    Fixture()
    {
        schema::provisionDataDir(m_dir.path() + QStringLiteral("/data"));
        m_previous = msg::setMessagePresenter(&m_yes);
        main = std::make_unique<QLNV>();
        main->Form_Load(m_dir.path());
        fill();
        main->invoiceTab()->Clear請求書(true);
    }
    ~Fixture()
    {
        main.reset();
        msg::setMessagePresenter(m_previous);
        db::closeAll();
    }

    std::unique_ptr<QLNV> main;

private:
    static void fill()
    {
        const QSqlDatabase data = db::data();
        db::Transaction tx(data);
        db::Statement customer(data, QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報, ふりがな, 敬称) VALUES (?, ?, ?, '様')"));
        db::Statement product(data, QStringLiteral("INSERT INTO 商品マスタ (品名, 入数, 単位, 単価, 非課税, ふりがな) "
                                                   "VALUES (?, '12入', '個', ?, 0, ?)"));
        for (int i = 0; i < MasterRows; ++i) {
            customer.run({QStringLiteral("顧客%1株式会社").arg(i, 5, 10, QChar(u'0')),
                          QStringLiteral("〒100-0001\n東京都千代田区千代田%1-1\nTEL 03-1234-%2").arg(i % 9 + 1).arg(i % 10000, 4, 10, QChar(u'0')),
                          reading(i)});
            product.run({QStringLiteral("商品%1 規格A").arg(i, 5, 10, QChar(u'0')), 100 + i % 5000, reading(i + 1)});
        }
        tx.commit();
    }

    QTemporaryDir m_dir;
    YesPresenter m_yes;
    msg::MessagePresenter *m_previous = nullptr;
};

// Made once for all the benchmarks and never destroyed: its windows must not outlive the
// application, which goes before static objects do.
Fixture &fixture()
{
    static Fixture *f = new Fixture;
    return *f;
}

void BM_OpenCustomerWindow(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        CustomerWindow *w = f.main->showCustomerWindow();
        QApplication::processEvents();
        state.PauseTiming();
        w->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenCustomerWindow)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_OpenProductWindow(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        ProductWindow *w = f.main->showProductWindow();
        QApplication::processEvents();
        state.PauseTiming();
        w->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenProductWindow)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_RegisterCustomers(benchmark::State &state)
{
    Fixture &f = fixture();
    CustomerWindow *w = f.main->showCustomerWindow();
    for (auto _ : state) {
        w->Entry顧客情報();
        QApplication::processEvents();
    }
    w->close();
}
BENCHMARK(BM_RegisterCustomers)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_RegisterProducts(benchmark::State &state)
{
    Fixture &f = fixture();
    ProductWindow *w = f.main->showProductWindow();
    for (auto _ : state) {
        w->Entry商品情報();
        QApplication::processEvents();
    }
    w->close();
}
BENCHMARK(BM_RegisterProducts)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_DeleteHundredTickedCustomers(benchmark::State &state)
{
    Fixture &f = fixture();
    CustomerWindow *w = f.main->showCustomerWindow();
    auto *grid = w->findChild<MasterGrid *>(QStringLiteral("Grid顧客マスタ"));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // 100 customers more, ticked in the edit copy, as if the user had ticked them.
        {
            db::Crossing crossing(db::work());
            for (int i = 0; i < 100; ++i) {
                const QString name = QStringLiteral("削除%1-%2").arg(round).arg(i);
                db::exec(crossing.dataSide(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名, ふりがな) VALUES (?, 'ん')"), {name});
                db::exec(crossing.workSide(), QStringLiteral("INSERT INTO w顧客マスタ (顧客名, ふりがな, チェック) VALUES (?, 'ん', 1)"), {name});
            }
            crossing.commit();
        }
        ++round;
        grid->reselect();
        state.ResumeTiming();
        w->Delete顧客();
        // The grid shown again; the invoice's lists follow once the event loop runs.
        w->repaint();
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    w->close();
}
BENCHMARK(BM_DeleteHundredTickedCustomers)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

// What follows a change of the customer master: the invoice's and the history's customer lists.
void BM_CustomerListsReadAgain(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        f.main->invoiceTab()->AddCmb顧客名();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_CustomerListsReadAgain)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_ChooseProductIntoLine(benchmark::State &state)
{
    Fixture &f = fixture();
    InvoiceTab *invoice = f.main->invoiceTab();
    DetailLine line;
    line.行番号 = 1;
    line.品名 = QStringLiteral("仮");
    line.数量 = 3;
    detail::writeLine(db::work(), line);
    invoice->reloadLines();
    ProductWindow *w = f.main->showProductWindow();
    auto *grid = w->findChild<MasterGrid *>(QStringLiteral("Grid商品マスタ"));
    int row = 0;
    for (auto _ : state) {
        invoice->grid()->setCurrentCell(0, 3);
        grid->setCurrentCell(row++ % 1000, 0);
        w->choose();
        QApplication::processEvents();
    }
    w->close();
}
BENCHMARK(BM_ChooseProductIntoLine)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace
