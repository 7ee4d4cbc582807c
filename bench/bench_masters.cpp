// The customer and product windows over masters of 20,000 rows each: opening a window (the
// master read into the edit copy and shown), registering the edit copy over the master,
// deleting 100 ticked rows, and a product chosen into an invoice line with the totals.
// Questions are answered Yes at once. When QUILLON_TEST_SERVER names a PostgreSQL server (as
// for the tests), each benchmark runs a second time, "/Server", with the data on a fresh
// database there.
#include "app/DataSource.h"
#include "app/Database.h"
#include "app/Msg.h"
#include "app/ServerConnection.h"
#include "data/Provision.h"
#include "data/ServerSchema.h"
#include "invoice/DetailGrid.h"
#include "invoice/InvoiceData.h"
#include "invoice/InvoiceTab.h"
#include "masters/CustomerWindow.h"
#include "masters/MasterGrid.h"
#include "masters/ProductWindow.h"
#include "shell/QLNV.h"

#include <QApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

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

enum class Engine { Local, Server };

// The server of QUILLON_TEST_SERVER; nothing when none is named.
std::optional<db::ServerAddress> testServer()
{
    QString problem;
    const QString url = qEnvironmentVariable("QUILLON_TEST_SERVER");
    return url.isEmpty() ? std::nullopt : db::parseServerUrl(url, &problem);
}

// Runs sql on the server's own database "postgres" on a connection of its own.
bool runOnServer(const db::ServerAddress &server, const QString &sql)
{
    const QString name = QStringLiteral("bench-masters-server");
    bool ok = false;
    {
        QSqlDatabase database = db::addServerConnection(name, server);
        ok = database.open() && QSqlQuery(database).exec(sql);
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// A fresh database on the test server with the program's tables (one of this name is
// dropped first, left by an earlier run).
std::optional<db::ServerAddress> freshServerDatabase()
{
    auto server = testServer();
    if (!server)
        return std::nullopt;
    const QString name = QStringLiteral("quillon_bench_masters");
    if (!runOnServer(*server, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name))
        || !runOnServer(*server, QStringLiteral("CREATE DATABASE %1").arg(name)))
        return std::nullopt;
    server->database = name;
    if (!schema::provisionServer(*server).ok())
        return std::nullopt;
    return server;
}

// The whole main window on a data directory whose masters hold 20,000 rows each, the data in
// the local file or on the server.
class Fixture
{
public:
    explicit Fixture(Engine engine)
        : engine(engine)
    {
        const QString dataDir = m_dir.path() + QStringLiteral("/data");
        schema::provisionDataDir(dataDir);
        if (engine == Engine::Server) {
            const auto server = freshServerDatabase();
            if (!server)
                qFatal("no database on the test server");
            db::setDataSource({server, QString()});
            QFile::remove(dataDir + QStringLiteral("/QLNVData.mdb")); // nothing may read it behind the layer
        }
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
        db::setDataSource({});
    }

    const Engine engine;
    std::unique_ptr<QLNV> main;

private:
    static void fill()
    {
        QList<QVariantList> customers;
        QList<QVariantList> products;
        for (int i = 0; i < MasterRows; ++i) {
            customers.append({QStringLiteral("顧客%1株式会社").arg(i, 5, 10, QChar(u'0')),
                              QStringLiteral("〒100-0001\n東京都千代田区千代田%1-1\nTEL 03-1234-%2").arg(i % 9 + 1).arg(i % 10000, 4, 10, QChar(u'0')),
                              reading(i), QStringLiteral("様")});
            products.append({QStringLiteral("商品%1 規格A").arg(i, 5, 10, QChar(u'0')), QStringLiteral("12入"), QStringLiteral("個"),
                             100 + i % 5000, 0, reading(i + 1)});
        }
        const QSqlDatabase data = db::data();
        db::Transaction tx(data);
        const bool filled =
            db::insertRows(data, QStringLiteral("顧客マスタ"),
                           {QStringLiteral("顧客名"), QStringLiteral("顧客情報"), QStringLiteral("ふりがな"), QStringLiteral("敬称")}, customers)
            && db::insertRows(data, QStringLiteral("商品マスタ"),
                              {QStringLiteral("品名"), QStringLiteral("入数"), QStringLiteral("単位"), QStringLiteral("単価"),
                               QStringLiteral("非課税"), QStringLiteral("ふりがな")},
                              products);
        if (!filled || !tx.commit())
            qFatal("the masters could not be filled: %s", qPrintable(db::lastError()));
    }

    QTemporaryDir m_dir;
    YesPresenter m_yes;
    msg::MessagePresenter *m_previous = nullptr;
};

// Made on first use and kept for the benchmarks of the same engine; the local one goes when
// the first of the server begins. The last is never destroyed: its windows must not outlive
// the application, which goes before static objects do.
Fixture &fixture(Engine engine)
{
    static Fixture *f = nullptr;
    if (f && f->engine != engine) {
        delete f;
        f = nullptr;
    }
    if (!f)
        f = new Fixture(engine);
    return *f;
}

void BM_OpenCustomerWindow(benchmark::State &state, Engine engine)
{
    Fixture &f = fixture(engine);
    for (auto _ : state) {
        CustomerWindow *w = f.main->showCustomerWindow();
        QApplication::processEvents();
        state.PauseTiming();
        w->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_OpenProductWindow(benchmark::State &state, Engine engine)
{
    Fixture &f = fixture(engine);
    for (auto _ : state) {
        ProductWindow *w = f.main->showProductWindow();
        QApplication::processEvents();
        state.PauseTiming();
        w->close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_RegisterCustomers(benchmark::State &state, Engine engine)
{
    Fixture &f = fixture(engine);
    CustomerWindow *w = f.main->showCustomerWindow();
    for (auto _ : state) {
        w->Entry顧客情報();
        QApplication::processEvents();
    }
    w->close();
}

void BM_RegisterProducts(benchmark::State &state, Engine engine)
{
    Fixture &f = fixture(engine);
    ProductWindow *w = f.main->showProductWindow();
    for (auto _ : state) {
        w->Entry商品情報();
        QApplication::processEvents();
    }
    w->close();
}

void BM_DeleteHundredTickedCustomers(benchmark::State &state, Engine engine)
{
    Fixture &f = fixture(engine);
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

// What follows a change of the customer master: the invoice's and the history's customer lists.
void BM_CustomerListsReadAgain(benchmark::State &state, Engine engine)
{
    Fixture &f = fixture(engine);
    for (auto _ : state) {
        f.main->invoiceTab()->AddCmb顧客名();
        QApplication::processEvents();
    }
}

void BM_ChooseProductIntoLine(benchmark::State &state, Engine engine)
{
    Fixture &f = fixture(engine);
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

// Every benchmark on the local file, then, when a server is named, every one on the server.
[[maybe_unused]] const bool registered = [] {
    const struct {
        const char *name;
        void (*run)(benchmark::State &, Engine);
    } benches[] = {
        {"BM_OpenCustomerWindow", BM_OpenCustomerWindow},
        {"BM_OpenProductWindow", BM_OpenProductWindow},
        {"BM_RegisterCustomers", BM_RegisterCustomers},
        {"BM_RegisterProducts", BM_RegisterProducts},
        {"BM_DeleteHundredTickedCustomers", BM_DeleteHundredTickedCustomers},
        {"BM_CustomerListsReadAgain", BM_CustomerListsReadAgain},
        {"BM_ChooseProductIntoLine", BM_ChooseProductIntoLine},
    };
    for (const Engine engine : {Engine::Local, Engine::Server}) {
        if (engine == Engine::Server && !testServer())
            break;
        for (const auto &b : benches)
            benchmark::RegisterBenchmark((std::string(b.name) + (engine == Engine::Server ? "/Server" : "")).c_str(), b.run, engine)
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(10)
                ->ReportAggregatesOnly(true);
    }
    return true;
}();

} // namespace
