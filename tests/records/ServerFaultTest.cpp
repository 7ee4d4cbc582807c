// A server that stops while an invoice is saved or the history is read, for real: a server of
// the test's own is stopped at once (as a crash or a pulled cable would) while the statement
// waits for a lock that another connection holds. The save and the read fail and say so,
// naming the server; nothing is half-stored; the work file keeps the lines; and once the
// server runs again the next action connects by itself.
#include "RecordsTestUtil.h"

#include "app/DataSource.h"
#include "app/ServerConnection.h"
#include "data/ServerSchema.h"
#include "records/HistoryList.h"
#include "records/InvoiceSave.h"
#include "support/TestDataDir.h"
#include "support/EngineTest.h"
#include "support/TestServer.h"

#include <QFile>
#include <QProcess>
#include <QUuid>

#include <chrono>
#include <thread>

using namespace recordstest;

namespace {

// A PostgreSQL server of this test alone (scripts/test-server), with one database "books"
// holding the program's tables.
class PrivateServer
{
public:
    PrivateServer()
    {
        const QString out = script({QStringLiteral("start")});
        QString url, passfile;
        for (const QString &line : out.split(u'\n')) {
            const auto value = [&](const char *name) {
                const QString prefix = QStringLiteral("export %1=").arg(QLatin1String(name));
                return line.startsWith(prefix) ? line.mid(prefix.size()) : QString();
            };
            url += value("QUILLON_TEST_SERVER");
            passfile += value("PGPASSFILE");
            m_dir += value("QUILLON_TEST_SERVER_DIR");
        }
        QString problem;
        const auto address = db::parseServerUrl(url, &problem);
        if (!address || m_dir.isEmpty())
            return;
        m_address = *address;
        // Its own password, not the shared server's file that the environment names.
        QFile pass(passfile);
        if (pass.open(QIODevice::ReadOnly))
            m_address.password = QString::fromUtf8(pass.readAll()).trimmed().section(u':', 4);
        run(QStringLiteral("CREATE DATABASE books"));
        m_address.database = QStringLiteral("books");
        m_valid = schema::provisionServer(m_address).ok();
    }
    ~PrivateServer()
    {
        if (!m_dir.isEmpty())
            script({QStringLiteral("stop"), m_dir});
    }

    bool isValid() const { return m_valid; }
    db::ServerAddress address() const { return m_address; }
    void halt() { script({QStringLiteral("halt"), m_dir}); }
    void resume() { script({QStringLiteral("resume"), m_dir}); }

private:
    static QString script(const QStringList &arguments)
    {
        QProcess p;
        p.start(QStringLiteral(QUILLON_TEST_SERVER_SCRIPT), arguments);
        p.waitForFinished(120000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    void run(const QString &sql)
    {
        const QString name = QStringLiteral("private-server:") + QUuid::createUuid().toString();
        {
            QSqlDatabase database = db::addServerConnection(name, m_address);
            EXPECT_TRUE(database.open() && db::exec(database, sql)) << db::lastError().toStdString();
            database.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    QString m_dir;
    db::ServerAddress m_address;
    bool m_valid = false;
};

// Another PC's connection that holds a table for as long as it lives.
class TableHolder
{
public:
    TableHolder(const db::ServerAddress &address, const QString &table)
        : m_name(QStringLiteral("holder:") + QUuid::createUuid().toString())
    {
        QSqlDatabase database = db::addServerConnection(m_name, address);
        m_holding = database.open() && db::exec(database, QStringLiteral("BEGIN"))
                    && db::exec(database, QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(table));
    }
    ~TableHolder()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool isHolding() const { return m_holding; }

private:
    QString m_name;
    bool m_holding = false;
};

class ServerFault : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUILLON_NEEDS_TEST_SERVER();
        ASSERT_TRUE(server.isValid());
        ASSERT_TRUE(QFile::remove(dir.dataMdb())) << "nothing may fall back to the local file";
        db::setDataSource({server.address(), QString()});
    }
    void TearDown() override
    {
        db::closeAll();
        db::setDataSource({});
    }

    // Stops the server while action waits on the lock that holder takes on table.
    template<class Action>
    auto whileTheServerStops(const QString &table, Action action)
    {
        TableHolder holder(server.address(), table);
        EXPECT_TRUE(holder.isHolding());
        std::thread stopper([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            server.halt();
        });
        const auto result = action();
        stopper.join();
        return result;
    }

    TestDataDir dir;
    PrivateServer server;
};

TEST_F(ServerFault, ASaveCutOffByTheServerStoresNothingAndTheNextSaveConnectsAgain)
{
    const QList<DetailLine> lines = {line(QStringLiteral("りんご"), 2, QStringLiteral("個"), 150),
                                     line(QStringLiteral("O'Brien のみかん"), 1, QStringLiteral("箱"), 980),
                                     line(QStringLiteral("梨"), 3, QStringLiteral("個"), 200)};
    putWorkLines(lines);
    const auto typed = detail::readLines(db::work());
    ASSERT_TRUE(typed);
    const InvoiceHeader invoice = header(1, QStringLiteral("山田商店"));

    // The header is written; the lines wait for the table another PC holds; the server stops.
    const records::SaveOutcome cut = whileTheServerStops(QStringLiteral("請求書"), [&] { return records::saveInvoice(invoice); });
    EXPECT_FALSE(cut);
    EXPECT_EQ(cut.failure, db::Failure::Unreachable);
    const QString told = records::saveFailedText(cut);
    EXPECT_TRUE(told.startsWith(records::SaveFailedNotice)) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("データベースサーバー %1 に接続できません。").arg(server.address().place())))
        << told.toStdString();
    EXPECT_EQ(detail::readLines(db::work()), typed) << "the work file is local and keeps the lines";

    server.resume();
    EXPECT_EQ(count(QStringLiteral("請求書ヘッダ")), 0) << "no header without its lines";
    EXPECT_EQ(count(QStringLiteral("請求書")), 0);
    EXPECT_EQ(count(QStringLiteral("顧客マスタ")), 0) << "nor the save's additions to the masters";

    const records::SaveOutcome again = records::saveInvoice(invoice);
    ASSERT_TRUE(again) << again.problem.toStdString();
    EXPECT_EQ(count(QStringLiteral("請求書ヘッダ")), 1);
    EXPECT_EQ(count(QStringLiteral("請求書"), QStringLiteral("伝票番号 = 1")), 3);
}

TEST_F(ServerFault, AHistoryReadCutOffByTheServerFailsAndKeepsTheListAndTheNextReadWorks)
{
    putWorkLines({line(QStringLiteral("りんご"), 2, QStringLiteral("個"), 150)});
    ASSERT_TRUE(records::saveInvoice(header(7, QStringLiteral("佐藤商事"))));
    ASSERT_EQ(records::history::Read請求履歴(db::work(), {}), std::optional<qint64>(1));

    const std::optional<qint64> cut =
        whileTheServerStops(QStringLiteral("請求書ヘッダ"), [] { return records::history::Read請求履歴(db::work(), {}); });
    EXPECT_EQ(cut, std::nullopt) << "a failure, not an empty list";
    EXPECT_EQ(db::lastFailure(), db::Failure::Unreachable);
    EXPECT_EQ(records::history::countListed(db::work()), std::optional<qint64>(1)) << "the list stays as it was";

    server.resume();
    EXPECT_EQ(records::history::Read請求履歴(db::work(), {}), std::optional<qint64>(1));
}

} // namespace
