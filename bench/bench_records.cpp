// Saving, loading and deleting invoices, the history search, its CSV and the backup of the
// data file, on a data file of 100,000 stored invoices of 10 lines each, 2,000 customers and
// 5,000 products. When QUILLON_TEST_SERVER names a PostgreSQL server (scripts/test-server), the
// same benchmarks but the backup's run again ("/Server") with those rows imported into a fresh
// database there.
#include "app/Database.h"
#include "app/DateBox.h"
#include "app/Locations.h"
#include "app/DataSource.h"
#include "app/Msg.h"
#include "app/ServerConnection.h"
#include "data/Backup.h"
#include "data/Provision.h"
#include "data/ServerSchema.h"
#include "records/HistoryCsv.h"
#include "records/HistoryList.h"
#include "records/HistoryListModel.h"
#include "records/HistoryTab.h"
#include "records/InvoiceLoad.h"
#include "records/InvoiceSave.h"
#include "settings/InvoiceCounter.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kInvoices = 100000;
constexpr int kLinesPerInvoice = 10;
constexpr int kCustomers = 2000;
constexpr int kProducts = 5000;
const QDate kFirstDay(2022, 1, 1);
constexpr int kDays = 1461; // four years

QString customerName(int i) { return QStringLiteral("顧客%1 株式会社").arg(i, 4, 10, QChar(u'0')); }
QString productName(int i) { return QStringLiteral("商品%1").arg(i, 4, 10, QChar(u'0')); }
const QString kUnits[] = {QStringLiteral("個"), QStringLiteral("本"), QStringLiteral("箱"), QStringLiteral("式")};

// Invoice n: its customer and date follow from n, so that a deleted one can be made again.
int customerOf(int n) { return int((quint64(n) * 2654435761u) % kCustomers); }
QDate dateOf(int n) { return kFirstDay.addDays(qint64(n) * kDays / kInvoices); }

bool check(bool ok, const char *what)
{
    if (!ok)
        std::fprintf(stderr, "bench_records: %s failed: %s\n", what, qPrintable(db::lastError()));
    return ok;
}

// Writes invoices [from, to] with prepared statements, inside the caller's transaction.
bool insertInvoices(const QSqlDatabase &data, const QList<int> &numbers)
{
    QSqlQuery header(data);
    QSqlQuery line(data);
    if (!header.prepare(QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 顧客情報, 敬称, 件名, 税抜計, "
                                       "消費税, 合計, 請求金額) VALUES (?, ?, ?, '東京都千代田区', '様', ?, ?, ?, ?, ?)"))
        || !line.prepare(QStringLiteral("INSERT INTO 請求書 (伝票番号, 顧客名, 日付, 伝票区分, 行番号, 品名, 数量, 単位, "
                                        "単価, 金額, 小計, 非課税) VALUES (?, ?, ?, 1, ?, ?, ?, ?, ?, ?, 0, 0)")))
        return false;
    for (const int n : numbers) {
        const QString customer = customerName(customerOf(n));
        const QString date = dateOf(n).toString(Qt::ISODate);
        qint64 total = 0;
        for (int i = 0; i < kLinesPerInvoice; ++i) {
            const int product = (n * 7 + i * 13) % kProducts;
            const int quantity = 1 + (n + i) % 9;
            const int price = 100 + product % 900;
            total += qint64(quantity) * price;
            line.bindValue(0, n);
            line.bindValue(1, customer);
            line.bindValue(2, date);
            line.bindValue(3, i);
            line.bindValue(4, productName(product));
            line.bindValue(5, double(quantity));
            line.bindValue(6, kUnits[product % 4]);
            line.bindValue(7, double(price));
            line.bindValue(8, qint64(quantity) * price);
            if (!line.exec())
                return false;
        }
        const qint64 tax = total * 5 / 100;
        const QVariantList values = {n, date, customer, QStringLiteral("%1月分").arg(dateOf(n).month()),
                                     total, tax, total + tax, total + tax};
        for (int i = 0; i < values.size(); ++i)
            header.bindValue(i, values.at(i));
        if (!header.exec())
            return false;
    }
    return true;
}

struct DataSet {
    QTemporaryDir dir;
    bool ok = false;

    DataSet()
    {
        const auto locations = ModQLNV::locationsFor(dir.path(), false);
        ModQLNV::setLocations(locations);
        if (!schema::provisionDataDir(locations.dataDir).ok())
            return;
        QSqlDatabase data = db::data();
        db::Transaction transaction(data);
        QSqlQuery customer(data);
        QSqlQuery product(data);
        if (!transaction.isActive()
            || !customer.prepare(QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報, ふりがな, 敬称) VALUES (?, ?, ?, '様')"))
            || !product.prepare(QStringLiteral("INSERT INTO 商品マスタ (品名, 入数, 単位, 単価, 非課税, ふりがな) "
                                               "VALUES (?, NULL, ?, ?, 0, ?)")))
            return;
        for (int i = 0; i < kCustomers; ++i) {
            customer.bindValue(0, customerName(i));
            customer.bindValue(1, QStringLiteral("〒100-0001\n東京都千代田区%1").arg(i));
            customer.bindValue(2, QStringLiteral("こきゃく%1").arg(i));
            if (!check(customer.exec(), "customers"))
                return;
        }
        for (int i = 0; i < kProducts; ++i) {
            product.bindValue(0, productName(i));
            product.bindValue(1, kUnits[i % 4]);
            product.bindValue(2, double(100 + i % 900));
            product.bindValue(3, QStringLiteral("しょうひん%1").arg(i));
            if (!check(product.exec(), "products"))
                return;
        }
        QList<int> all;
        all.reserve(kInvoices);
        for (int n = 1; n <= kInvoices; ++n)
            all << n;
        if (!check(insertInvoices(data, all), "invoices") || !counter::recordInvoiceNumber(data, kInvoices)
            || !transaction.commit())
            return;
        db::exec(data, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db::exec(data, QStringLiteral("ANALYZE"));
        std::fprintf(stderr, "data file %s: %.1f MB (%d invoices, %d lines)\n", qPrintable(locations.dataMdbPath),
                     QFileInfo(locations.dataMdbPath).size() / 1048576.0, kInvoices, kInvoices * kLinesPerInvoice);
        ok = true;
    }
};

DataSet &dataSet()
{
    static DataSet set;
    return set;
}

// Runs sql on a connection of its own to address; false on failure.
bool runOn(const db::ServerAddress &address, const QString &sql)
{
    const QString name = QStringLiteral("bench_records:server");
    bool ok = false;
    {
        QSqlDatabase server = db::addServerConnection(name, address);
        ok = server.open() && QSqlQuery(server).exec(sql);
        if (!ok)
            std::fprintf(stderr, "bench_records: %s failed: %s\n", qPrintable(sql), qPrintable(server.lastError().text()));
        server.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The data set's rows in a fresh database on the server of QUILLON_TEST_SERVER. The database is
// dropped when the next run makes it again (the test server itself goes with its folder).
struct ServerSet {
    db::ServerAddress address;
    bool ok = false;

    ServerSet()
    {
        QString problem;
        const auto server = db::parseServerUrl(qEnvironmentVariable("QUILLON_TEST_SERVER"), &problem);
        if (!server || !dataSet().ok) {
            std::fprintf(stderr, "bench_records: no server: %s\n", qPrintable(problem));
            return;
        }
        address = *server;
        address.database = QStringLiteral("quillon_bench_records");
        if (!runOn(*server, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(address.database))
            || !runOn(*server, QStringLiteral("CREATE DATABASE %1").arg(address.database)))
            return;
        db::closeAll(); // the data file is read by the import's own connection
        const schema::ServerReport imported = schema::importDataFile(address, ModQLNV::DataMdbPath);
        if (!imported.ok()) {
            std::fprintf(stderr, "bench_records: import failed: %s\n", qPrintable(imported.error));
            return;
        }
        ok = runOn(address, QStringLiteral("VACUUM ANALYZE"));
        std::fprintf(stderr, "server database %s: the data set imported\n", qPrintable(address.place()));
    }
};

ServerSet &serverSet()
{
    static ServerSet set;
    return set;
}

enum class Engine { Local, Server };

// The data set on engine as the data database; false (the benchmark skipped) when it is missing.
bool useData(benchmark::State &state, Engine engine)
{
    if (!dataSet().ok) {
        state.SkipWithError("no data set");
        return false;
    }
    if (engine == Engine::Local) {
        db::setDataSource({});
        return true;
    }
    if (!serverSet().ok) {
        state.SkipWithError("no data set on the server");
        return false;
    }
    db::setDataSource({serverSet().address, QString()});
    return true;
}

// 99 lines of known products with their units: every line updates its product.
QList<DetailLine> ninetyNineLines()
{
    QList<DetailLine> lines;
    for (int i = 0; i < DetailLineCount; ++i) {
        DetailLine l;
        l.品名 = productName(i * 37 % kProducts);
        l.数量 = 1 + i % 5;
        l.単位 = i % 10 == 0 ? QStringLiteral("ケース") : kUnits[i % 4];
        l.単価 = 250;
        l.金額 = qint64(*l.数量 * 250);
        l.ふりがな = QStringLiteral("しょうひん");
        lines << l;
    }
    return lines;
}

InvoiceHeader headerFor(qint64 number)
{
    InvoiceHeader h;
    h.伝票番号 = number;
    h.日付 = QDate(2026, 1, 15);
    h.顧客名 = customerName(17);
    h.顧客情報 = QStringLiteral("〒100-0001\n東京都千代田区17");
    h.敬称 = QStringLiteral("御中");
    h.件名 = QStringLiteral("1月分");
    h.合計 = 100000;
    h.請求金額 = 100000;
    return h;
}

class AnswerYes : public msg::MessagePresenter
{
public:
    QMessageBox::StandardButton present(QWidget *, const msg::MessageBoxSpec &) override { return QMessageBox::Yes; }
};

void BM_Save99LineInvoice(benchmark::State &state, Engine engine)
{
    if (!useData(state, engine))
        return;
    detail::replaceLines(db::work(), ninetyNineLines());
    static qint64 next = 500000;
    for (auto _ : state) {
        const auto outcome = records::saveInvoice(headerFor(++next));
        if (!outcome)
            return state.SkipWithError("save failed");
    }
}

// Two PCs registering new invoices at the same moment, each as fast as it can under the numbers
// the counter proposes to it: two threads with connections of their own, 50 invoices of 10
// lines each per round. The counters are the saves' times: the median and the longest.
void BM_TwoPcsSaving(benchmark::State &state, Engine engine)
{
    if (!useData(state, engine))
        return;
    constexpr int PerPc = 50;
    QList<DetailLine> lines = ninetyNineLines().mid(0, 10);
    std::vector<double> times;
    bool failed = false;
    for (auto _ : state) {
        std::vector<double> each[2];
        std::unique_ptr<QThread> pcs[2];
        for (int pc = 0; pc < 2; ++pc) {
            pcs[pc].reset(QThread::create([&, pc] {
                for (int i = 0; i < PerPc; ++i) {
                    InvoiceHeader h = headerFor(counter::nextInvoiceNumber().value_or(0));
                    h.顧客名 = QStringLiteral("PC%1 の顧客").arg(pc + 1);
                    QElapsedTimer timer;
                    timer.start();
                    if (!records::saveInvoice(h, lines))
                        failed = true;
                    each[pc].push_back(double(timer.nsecsElapsed()) / 1e6);
                }
                db::closeAll();
            }));
            pcs[pc]->start();
        }
        for (auto &pc : pcs)
            pc->wait();
        for (const auto &e : each)
            times.insert(times.end(), e.begin(), e.end());
    }
    if (failed || times.empty())
        return state.SkipWithError("a save failed");
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times.at(times.size() / 2);
    state.counters["max_ms"] = times.back();
}

void BM_Load99LineInvoice(benchmark::State &state, Engine engine)
{
    if (!useData(state, engine))
        return;
    detail::replaceLines(db::work(), ninetyNineLines());
    if (!records::saveInvoice(headerFor(400000)))
        return state.SkipWithError("save failed");
    for (auto _ : state) {
        if (records::loadInvoice(400000).lineCount != DetailLineCount)
            return state.SkipWithError("load failed");
    }
}

// The tab as the user has it: shown, with the filters filled, searching by its button's slot.
struct Tab {
    HistoryTab tab;
    Tab()
    {
        tab.applyDateStyle();
        tab.Clear履歴();
        tab.resize(940, 560);
        tab.show();
        QApplication::processEvents();
    }
};

void runSearch(benchmark::State &state, Engine engine, const QString &customer, QDate from, QDate to,
               qint64 expectedAtLeast)
{
    if (!useData(state, engine))
        return;
    Tab t;
    t.tab.findChild<QComboBox *>(QStringLiteral("cmb履歴顧客名"))->setEditText(customer);
    t.tab.findChild<DateBox *>(QStringLiteral("txt開始"))->setDate(from);
    t.tab.findChild<DateBox *>(QStringLiteral("txt終了"))->setDate(to);
    for (auto _ : state) {
        t.tab.Read請求履歴();
        QApplication::processEvents(); // the grid paints its first rows
    }
    const auto listed = records::history::countListed(db::work());
    if (!listed || *listed < expectedAtLeast)
        state.SkipWithError("the search listed too little");
    state.counters["listed"] = double(listed.value_or(0));
}

void BM_HistoryNoFilter(benchmark::State &state, Engine engine) { runSearch(state, engine, {}, {}, {}, kInvoices); }
void BM_HistoryCustomer(benchmark::State &state, Engine engine)
{
    runSearch(state, engine, customerName(1234), {}, {}, 1);
}
void BM_HistoryOneMonth(benchmark::State &state, Engine engine)
{
    runSearch(state, engine, {}, QDate(2024, 6, 1), QDate(2024, 6, 30), 1);
}

// Every stored invoice listed, then written as Shift_JIS CSV to a file.
void BM_HistoryCsv(benchmark::State &state, Engine engine)
{
    if (!useData(state, engine))
        return;
    Tab t;
    t.tab.Read請求履歴();
    // The saves of the benchmarks before added to the data set's invoices.
    const qint64 listed = records::history::countListed(db::work()).value_or(-1);
    if (listed < kInvoices)
        return state.SkipWithError("the search listed too little");
    QTemporaryDir out;
    qint64 bytes = 0;
    for (auto _ : state) {
        const auto built = records::csv::buildHistoryCsv(db::work(), records::csv::Encoding::Cp932);
        QSaveFile file(out.filePath(QStringLiteral("list.csv")));
        if (!built || !built->ok() || built->invoices != listed || !file.open(QIODevice::WriteOnly)
            || file.write(built->bytes) != built->bytes.size() || !file.commit()) {
            state.SkipWithError("the CSV was not written whole");
            break;
        }
        bytes = built->bytes.size();
    }
    state.counters["MB"] = double(bytes) / 1e6;
}

// A copy of the whole data file with the online backup API.
void BM_BackupDataFile(benchmark::State &state)
{
    if (!useData(state, Engine::Local))
        return;
    QTemporaryDir out;
    qint64 bytes = 0;
    int round = 0;
    for (auto _ : state) {
        const backup::BackupOutcome copy = backup::backupDataFile(out.path(), QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)).addSecs(++round));
        if (!copy.made) {
            state.SkipWithError("no copy");
            break;
        }
        state.PauseTiming();
        bytes = QFileInfo(copy.path).size();
        QFile::remove(copy.path);
        state.ResumeTiming();
    }
    state.counters["MB"] = double(bytes) / 1e6;
}

// A backup of the whole data file put back in its place: checked page by page, copied beside
// the data file, compared with the schema and renamed over it.
void BM_RestoreDataFile(benchmark::State &state)
{
    if (!useData(state, Engine::Local))
        return;
    QTemporaryDir out;
    const backup::BackupOutcome copy = backup::backupDataFile(out.path());
    if (!copy.made)
        return state.SkipWithError("no copy");
    int round = 0;
    for (auto _ : state) {
        const backup::RestoreOutcome restored
            = backup::restoreDataFile(copy.path, QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)).addSecs(++round));
        if (!restored.restored) {
            state.SkipWithError("not restored");
            break;
        }
        state.PauseTiming();
        QFile::remove(restored.keptPath);
        state.ResumeTiming();
    }
}

void BM_Delete100Ticked(benchmark::State &state, Engine engine)
{
    if (!useData(state, engine))
        return;
    AnswerYes yes;
    msg::MessagePresenter *previous = msg::setMessagePresenter(&yes);
    Tab t;
    t.tab.Read請求履歴();
    const qint64 listedBefore = records::history::countListed(db::work()).value_or(0);
    int first = 0;
    qint64 rounds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QList<int> numbers;
        {
            QVariantList ticked;
            for (int i = 0; i < 100; ++i) {
                // Stride 997: no number comes back in the rounds a repetition runs.
                numbers << (first + i * 997) % kInvoices + 1;
                ticked << numbers.last();
            }
            db::exec(db::work(), QStringLiteral("UPDATE w履歴リスト SET チェック = 1 WHERE 伝票番号 IN (%1)").arg(QStringList(100, QStringLiteral("?")).join(u',')),
                     ticked);
        }
        first = first % kInvoices + 1;
        state.ResumeTiming();

        t.tab.Delete履歴();
        QApplication::processEvents();
        ++rounds;

        state.PauseTiming();
        // Put them back (not into the list), so that every round deletes from the same data.
        QSqlDatabase data = db::data();
        db::Transaction transaction(data);
        if (!insertInvoices(data, numbers) || !transaction.commit()) {
            state.SkipWithError("could not put the invoices back");
            break;
        }
        state.ResumeTiming();
    }
    msg::setMessagePresenter(previous);
    if (records::history::countListed(db::work()).value_or(-1) != listedBefore - 100 * rounds)
        state.SkipWithError("not every ticked invoice was deleted");
}

double minimum(const std::vector<double> &v) { return *std::min_element(v.begin(), v.end()); }
double maximum(const std::vector<double> &v) { return *std::max_element(v.begin(), v.end()); }

benchmark::internal::Benchmark *configured(benchmark::internal::Benchmark *b)
{
    return b->Unit(benchmark::kMillisecond)
        ->Repetitions(10)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("min", minimum)
        ->ComputeStatistics("max", maximum);
}

// Each benchmark of the data on the local file and, when a server is named, on the server.
[[maybe_unused]] const bool registered = [] {
    const bool server = !qEnvironmentVariableIsEmpty("QUILLON_TEST_SERVER");
    const struct {
        const char *name;
        void (*fn)(benchmark::State &, Engine);
    } onEither[] = {
        {"BM_Save99LineInvoice", BM_Save99LineInvoice}, {"BM_Load99LineInvoice", BM_Load99LineInvoice},
        {"BM_HistoryNoFilter", BM_HistoryNoFilter},     {"BM_HistoryCustomer", BM_HistoryCustomer},
        {"BM_HistoryOneMonth", BM_HistoryOneMonth},     {"BM_HistoryCsv", BM_HistoryCsv},
        {"BM_Delete100Ticked", BM_Delete100Ticked},     {"BM_TwoPcsSaving", BM_TwoPcsSaving},
    };
    for (const auto &b : onEither) {
        configured(benchmark::RegisterBenchmark(b.name, b.fn, Engine::Local));
        if (server)
            configured(benchmark::RegisterBenchmark((std::string(b.name) + "/Server").c_str(), b.fn, Engine::Server));
    }
    configured(benchmark::RegisterBenchmark("BM_BackupDataFile", BM_BackupDataFile));
    configured(benchmark::RegisterBenchmark("BM_RestoreDataFile", BM_RestoreDataFile));
    return true;
}();

} // namespace
