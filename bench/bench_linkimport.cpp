// Imports from a linked application's SQLite file of 10,000 customers into the edit copy:
// the read, the composition of the customer information, the reading order and the replace of
// w顧客マスタ in one transaction; for "Ormel顧客管理" also its telephone table of 20,000 rows.
#include "app/Database.h"
#include "app/Locations.h"
#include "data/Provision.h"
#include "masters/LinkImport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int Customers = 10000;

class Fixture
{
public:
    Fixture()
    {
        schema::provisionDataDir(m_dir.path() + QStringLiteral("/data"));
        ModQLNV::setLocations(ModQLNV::locationsFor(m_dir.path(), false));
        orb = m_dir.path() + QStringLiteral("/orbdata.mdb");
        ormel = m_dir.path() + QStringLiteral("/ormel.mdb");
        make(orb, false);
        make(ormel, true);
    }
    ~Fixture() { db::closeAll(); }

    QString orb;
    QString ormel;

private:
    static void make(const QString &path, bool phones)
    {
        {
            QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-linked"));
            file.setDatabaseName(path);
            file.open();
            QSqlQuery q(file);
            q.exec(QStringLiteral("CREATE TABLE 顧客マスタ (名称, 郵便番号, 住所1, 住所2, tel, fax, ふりがな, 敬称)"));
            q.exec(QStringLiteral("CREATE TABLE 電話番号 (code, no, 名称, 電話番号)"));
            q.exec(QStringLiteral("BEGIN"));
            QSqlQuery customer(file);
            customer.prepare(QStringLiteral("INSERT INTO 顧客マスタ VALUES (?, ?, ?, ?, ?, ?, ?, '様')"));
            QSqlQuery phone(file);
            phone.prepare(QStringLiteral("INSERT INTO 電話番号 VALUES (?, ?, ?, ?)"));
            for (int i = 0; i < Customers; ++i) {
                const QString name = QStringLiteral("顧客%1株式会社").arg(i, 5, 10, QChar(u'0'));
                customer.addBindValue(name);
                customer.addBindValue(QStringLiteral("%1").arg(1000000 + i));
                customer.addBindValue(QStringLiteral("東京都千代田区千代田%1丁目").arg(i % 9 + 1));
                customer.addBindValue(QStringLiteral("第%1ビル").arg(i % 50));
                customer.addBindValue(QStringLiteral("03-1234-%1").arg(i % 10000, 4, 10, QChar(u'0')));
                customer.addBindValue(QStringLiteral("03-9876-%1").arg(i % 10000, 4, 10, QChar(u'0')));
                customer.addBindValue(QStringLiteral("こきゃく%1").arg((i * 7919) % Customers, 5, 10, QChar(u'0')));
                customer.exec();
                for (int n = 0; phones && n < 2; ++n) {
                    phone.addBindValue(2 - n);
                    phone.addBindValue(n);
                    phone.addBindValue(name);
                    phone.addBindValue(QStringLiteral("0%1-000-%2").arg(n + 3).arg(i));
                    phone.exec();
                }
            }
            q.exec(QStringLiteral("COMMIT"));
            file.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench-linked"));
    }

    QTemporaryDir m_dir;
};

Fixture &fixture()
{
    static Fixture *f = new Fixture; // outlives the benchmarks; the program ends right after
    return *f;
}

void BM_ImportOrbCustomers(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        const auto outcome = linkimport::importCustomers(db::work(), linkimport::Orb, f.orb);
        if (outcome.status != linkimport::Status::Imported || outcome.rows != Customers)
            state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportOrbCustomers)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_ImportOrmelCustomersWithPhones(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        const auto outcome = linkimport::importCustomers(db::work(), linkimport::Ormel, f.ormel);
        if (outcome.status != linkimport::Status::Imported || outcome.rows != Customers)
            state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_ImportOrmelCustomersWithPhones)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

} // namespace
