// The data database on the server: its tables made, upgraded or refused, a local data file
// imported row for row, backups written from it and restored into it, and quillon-initdb
// --server as a real process.
#include "app/DataSource.h"
#include "app/Database.h"
#include "app/ServerConnection.h"
#include "data/Backup.h"
#include "data/SchemaFiles.h"
#include "data/SchemaUpgrade.h"
#include "data/ServerSchema.h"

#include "support/QStringPrinter.h"
#include "support/TestDataDir.h"
#include "support/EngineTest.h"
#include "support/TestServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Every row of a table as texts (Null apart), in the order the rows were added.
using Rows = QList<QStringList>;

Rows tableRows(const QSqlDatabase &database, const schema::TableColumns &t)
{
    QStringList columns;
    for (const QString &column : t.columns)
        columns << db::identifier(column);
    QSqlQuery q(database);
    EXPECT_TRUE(db::exec(q, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(columns.join(u','), db::identifier(t.table))))
        << db::lastError().toStdString();
    Rows rows;
    while (q.next()) {
        QStringList row;
        for (int c = 0; c < t.columns.size(); ++c)
            row << (q.value(c).isNull() ? QStringLiteral("<null>") : q.value(c).toString());
        rows << row;
    }
    return rows;
}

QList<schema::TableColumns> tables()
{
    QString error;
    const auto all = schema::dataTables(&error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return all;
}

// Runs work on a connection of its own to address.
void onServer(const db::ServerAddress &address, const std::function<void(const QSqlDatabase &)> &work)
{
    const QString name = QStringLiteral("test-server:") + QUuid::createUuid().toString();
    {
        QSqlDatabase database = db::addServerConnection(name, address);
        ASSERT_TRUE(database.open()) << address.place().toStdString();
        work(database);
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void onFile(const QString &path, const std::function<void(const QSqlDatabase &)> &work)
{
    ASSERT_TRUE(db::withOwnConnection(path, true, work)) << path.toStdString();
}

// The rows of every data table on the server and in a file are the same, table by table (the
// masters' change numbers apart, which a restore moves on from the replaced data's).
void expectSameRows(const db::ServerAddress &server, const QString &file)
{
    for (const schema::TableColumns &t : tables()) {
        if (t.table == u"マスタ更新")
            continue;
        Rows there, here;
        onServer(server, [&](const QSqlDatabase &database) { there = tableRows(database, t); });
        onFile(file, [&](const QSqlDatabase &database) { here = tableRows(database, t); });
        EXPECT_EQ(there, here) << t.table.toStdString();
    }
}

qint64 count(const QSqlDatabase &database, const QString &table)
{
    QSqlQuery q(database);
    return db::exec(q, QStringLiteral("SELECT count(*) FROM ") + table) && q.next() ? q.value(0).toLongLong() : -1;
}

class ServerData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QUILLON_NEEDS_TEST_SERVER();
        ASSERT_TRUE(database.isValid());
    }

    // A copy of the version-1 data file, or of it brought to version 2 by that step alone.
    QString oldFile(int version)
    {
        const QString path = scratch.filePath(QStringLiteral("QLNVData-v%1.mdb").arg(version));
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(QStringLiteral(QUILLON_VERSION1_FILES "/QLNVData.mdb"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        if (version == 2) {
            QString error;
            const QStringList step = schema::schemaStatements(QStringLiteral(":/quillon/schema/upgrade/data-2.sql"), &error);
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
            EXPECT_TRUE(db::withOwnConnection(path, false, [&](const QSqlDatabase &file) {
                for (const QString &statement : step)
                    EXPECT_TRUE(db::exec(file, statement)) << db::lastError().toStdString();
                EXPECT_TRUE(db::exec(file, QStringLiteral("PRAGMA user_version = 2")));
            }));
        }
        return path;
    }

    // The file as this program brings it to its version: what an import must reproduce.
    QString upgradedCopy(const QString &path)
    {
        const QString copy = path + QStringLiteral(".current");
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(path, copy));
        const schema::UpgradeReport upgrade = schema::upgradeDataCopy(copy);
        EXPECT_TRUE(upgrade.ok()) << upgrade.error.toStdString();
        return copy;
    }

    testserver::Database database;
    QTemporaryDir scratch;
};

TEST_F(ServerData, TheTablesAreMadeOnceWithTheFilesColumnsAndAnOlderVersionIsUpgraded)
{
    const schema::ServerReport made = schema::provisionServer(database.address());
    ASSERT_TRUE(made.ok()) << made.error.toStdString();
    EXPECT_TRUE(made.created);
    const auto columnsOnServer = [&](const QSqlDatabase &server) {
        QList<schema::TableColumns> found;
        for (const schema::TableColumns &t : tables()) {
            QSqlQuery q(server);
            EXPECT_TRUE(db::exec(q, QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_schema = 'quillon' "
                                                   "AND table_name = ? AND column_name <> 'rowid' ORDER BY ordinal_position"),
                                 {db::identifier(t.table).remove(u'"')}));
            schema::TableColumns columns{t.table, {}};
            while (q.next())
                columns.columns << q.value(0).toString();
            found << columns;
        }
        return found;
    };
    const auto expected = [] {
        QList<schema::TableColumns> folded = tables();
        for (schema::TableColumns &t : folded)
            for (QString &column : t.columns)
                column = db::identifier(column).remove(u'"');
        return folded;
    }();
    // The history's whole list comes in the date index's order, with no sort on the server.
    const auto expectHistoryInIndexOrder = [](const QSqlDatabase &server) {
        QSqlQuery q(server);
        ASSERT_TRUE(db::exec(q, QStringLiteral("SET enable_seqscan = off")));
        ASSERT_TRUE(db::exec(q, QStringLiteral("EXPLAIN SELECT * FROM 請求書ヘッダ ORDER BY 日付 DESC NULLS LAST, 伝票番号 DESC NULLS LAST")));
        QString plan;
        while (q.next())
            plan += q.value(0).toString() + u'\n';
        EXPECT_TRUE(plan.contains(u"請求書ヘッダ_日付") && !plan.contains(u"Sort")) << plan.toStdString();
    };
    onServer(database.address(), [&](const QSqlDatabase &server) {
        expectHistoryInIndexOrder(server);
        const auto found = columnsOnServer(server);
        ASSERT_EQ(found.size(), expected.size());
        for (qsizetype i = 0; i < found.size(); ++i)
            EXPECT_EQ(found.at(i).columns, expected.at(i).columns) << found.at(i).table.toStdString();
    });

    // A second run keeps what is there.
    onServer(database.address(), [](const QSqlDatabase &server) {
        EXPECT_TRUE(db::exec(server, QStringLiteral("INSERT INTO 顧客マスタ (顧客名) VALUES ('O''Brien')")));
    });
    const schema::ServerReport again = schema::provisionServer(database.address());
    EXPECT_TRUE(again.ok() && !again.created && again.upgradedFrom == 0) << again.error.toStdString();
    onServer(database.address(), [](const QSqlDatabase &server) { EXPECT_EQ(count(server, QStringLiteral("顧客マスタ")), 1); });

    // Tables of the first version, as an older program made them, brought up to date.
    testserver::Database older;
    onServer(older.address(), [&](const QSqlDatabase &server) {
        QString error;
        ASSERT_TRUE(schema::createServerTablesLike(server, oldFile(1), 1, &error)) << error.toStdString();
    });
    const schema::ServerReport upgraded = schema::provisionServer(older.address());
    ASSERT_TRUE(upgraded.ok()) << upgraded.error.toStdString();
    EXPECT_EQ(upgraded.upgradedFrom, 1);
    onServer(older.address(), [&](const QSqlDatabase &server) {
        QSqlQuery q(server);
        ASSERT_TRUE(db::exec(q, QStringLiteral("SELECT version FROM quillon.schema_version")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), db::DataFileVersion);
        expectHistoryInIndexOrder(server);
        const auto found = columnsOnServer(server);
        for (qsizetype i = 0; i < found.size(); ++i)
            EXPECT_EQ(found.at(i).columns, expected.at(i).columns) << found.at(i).table.toStdString();
    });
}

TEST_F(ServerData, ADatabaseHoldingOtherTablesIsRefusedAndLeftAsItWas)
{
    onServer(database.address(), [](const QSqlDatabase &server) {
        ASSERT_TRUE(db::exec(server, QStringLiteral("CREATE TABLE public.ledger (id integer)")));
    });
    const schema::ServerReport refused = schema::provisionServer(database.address());
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error.contains(QStringLiteral("ほかの表（public.ledger）"))) << refused.error.toStdString();
    onServer(database.address(), [](const QSqlDatabase &server) {
        QSqlQuery q(server);
        ASSERT_TRUE(db::exec(q, QStringLiteral("SELECT count(*) FROM information_schema.schemata WHERE schema_name = 'quillon'")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), 0);
    });
}

TEST_F(ServerData, OlderDataFilesAreImportedRowForRow)
{
    for (const int version : {1, 2}) {
        SCOPED_TRACE(version);
        testserver::Database target;
        const QString file = oldFile(version);
        const QByteArray before = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        const schema::ServerReport imported = schema::importDataFile(target.address(), file);
        ASSERT_TRUE(imported.ok()) << imported.error.toStdString();
        EXPECT_TRUE(imported.created);
        const QString current = upgradedCopy(file);
        expectSameRows(target.address(), current);
        // The report counts every table's rows; the file itself is only read.
        ASSERT_EQ(imported.imported.size(), tables().size());
        onFile(current, [&](const QSqlDatabase &local) {
            for (const auto &[table, rows] : imported.imported)
                EXPECT_EQ(rows, count(local, db::identifier(table))) << table.toStdString();
        });
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);
    }
}

TEST_F(ServerData, AnImportIsRefusedOverDataAndWhollyUndoneWhenARowIsRejected)
{
    const QString file = oldFile(1);
    ASSERT_TRUE(schema::importDataFile(database.address(), file).ok());
    // A second import would mix two sets of books.
    const schema::ServerReport again = schema::importDataFile(database.address(), file);
    EXPECT_FALSE(again.ok());
    EXPECT_TRUE(again.error.contains(QStringLiteral("すでにデータ"))) << again.error.toStdString();
    expectSameRows(database.address(), upgradedCopy(file));

    // SQLite keeps a text in a number column; the server refuses it, and with it the import.
    const QString odd = oldFile(1);
    ASSERT_TRUE(db::withOwnConnection(odd, false, [](const QSqlDatabase &f) {
        EXPECT_TRUE(db::exec(f, QStringLiteral("INSERT INTO 顧客マスタ (顧客名) VALUES ('新しい客')")));
        EXPECT_TRUE(db::exec(f, QStringLiteral("UPDATE 請求書 SET 数量 = 'たくさん' WHERE rowid = (SELECT max(rowid) FROM 請求書)")));
    }));
    testserver::Database fresh;
    const schema::ServerReport rejected = schema::importDataFile(fresh.address(), odd);
    EXPECT_FALSE(rejected.ok());
    EXPECT_TRUE(rejected.imported.isEmpty());
    onServer(fresh.address(), [](const QSqlDatabase &server) {
        for (const char *table : {"自社情報", "顧客マスタ", "商品マスタ", "請求書ヘッダ", "請求書"})
            EXPECT_EQ(count(server, QString::fromUtf8(table)), 0) << table;
    });
}

// The data database of the program on the server, for the backup and the restore.
class ProgramOnServer
{
public:
    explicit ProgramOnServer(const db::ServerAddress &address)
    {
        db::closeAll();
        db::setDataSource({address, QString()});
    }
    ~ProgramOnServer()
    {
        db::closeAll();
        db::setDataSource({});
    }
};

TEST_F(ServerData, ABackupOfTheServerRestoresOnEitherAndABadOneChangesNothing)
{
    TestDataDir local; // the program's local data directory, for the restore onto the file
    ASSERT_TRUE(schema::importDataFile(database.address(), oldFile(1)).ok());
    QString backupPath;
    {
        ProgramOnServer program(database.address());
        ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報) VALUES (?, ?)"),
                             {QStringLiteral("O'Brien & <Co>"), QStringLiteral("〒100-0001\n東京都")}));
        const backup::BackupOutcome made = backup::backupDataFile(scratch.path());
        ASSERT_TRUE(made.made) << made.problem.toStdString();
        backupPath = made.path;
        EXPECT_FALSE(QFileInfo::exists(backupPath + QStringLiteral("-wal"))) << "a backup stands alone";
        EXPECT_EQ(backup::restoreProblem(backupPath), QString()) << "the same kind of file as a local backup";
        EXPECT_EQ(db::fileVersion(backupPath), db::DataFileVersion);
    }
    expectSameRows(database.address(), backupPath);

    // Server → file → another server.
    testserver::Database other;
    ASSERT_TRUE(schema::provisionServer(other.address()).ok());
    {
        ProgramOnServer program(other.address());
        const backup::RestoreOutcome restored = backup::restoreDataFile(backupPath);
        ASSERT_TRUE(restored.restored) << restored.problem.toStdString();
    }
    expectSameRows(other.address(), backupPath);

    // Server → file → the local data file.
    const backup::RestoreOutcome toFile = backup::restoreDataFile(backupPath);
    ASSERT_TRUE(toFile.restored) << toFile.problem.toStdString();
    db::closeAll();
    expectSameRows(database.address(), local.dataMdb());

    // A local backup → the server: an older file is brought up to date on the way.
    {
        ProgramOnServer program(other.address());
        const backup::RestoreOutcome restored = backup::restoreDataFile(oldFile(1));
        ASSERT_TRUE(restored.restored) << restored.problem.toStdString();
    }
    expectSameRows(other.address(), upgradedCopy(oldFile(1)));

    // A backup with a row the server refuses: the server's rows stay as they were.
    const QString bad = scratch.filePath(QStringLiteral("bad.mdb"));
    ASSERT_TRUE(QFile::copy(backupPath, bad));
    ASSERT_TRUE(db::withOwnConnection(bad, false, [](const QSqlDatabase &f) {
        EXPECT_TRUE(db::exec(f, QStringLiteral("UPDATE 請求書 SET 数量 = 'たくさん' WHERE rowid = (SELECT max(rowid) FROM 請求書)")));
    }));
    {
        ProgramOnServer program(database.address());
        const backup::RestoreOutcome refused = backup::restoreDataFile(bad);
        EXPECT_FALSE(refused.restored);
        EXPECT_TRUE(refused.problem.startsWith(QStringLiteral("サーバーのデータを置き換えられなかったため、復元しませんでした。")))
            << refused.problem.toStdString();
    }
    expectSameRows(database.address(), backupPath);
}

TEST_F(ServerData, TheCommandSaysWhatItDidOrWhyNot)
{
    const auto run = [](const QStringList &arguments) {
        QProcess p;
        p.start(QStringLiteral(QUILLON_INITDB), arguments);
        EXPECT_TRUE(p.waitForFinished(60000));
        return std::tuple{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    };
    const db::ServerAddress address = database.address();
    db::ServerAddress gone = address;
    gone.port = testserver::closedPort();
    testserver::Database foreign;
    onServer(foreign.address(), [](const QSqlDatabase &server) {
        ASSERT_TRUE(db::exec(server, QStringLiteral("CREATE TABLE public.ledger (id integer)")));
    });
    const struct {
        const char *what;
        QStringList arguments;
        int exitCode;
        QString out;
        QString err;
    } cases[] = {
        {"an empty database", {"--server", address.uri()}, 0, QStringLiteral("created the tables on ") + address.place(), {}},
        {"the same again", {"--server", address.uri()}, 0, QStringLiteral("kept the tables on ") + address.place(), {}},
        {"an import into it", {"--server", address.uri(), "--import", oldFile(1)}, 0,
         QStringLiteral("imported 1 rows of 請求書ヘッダ"), {}},
        {"a database of other tables", {"--server", foreign.address().uri()}, 1, {}, QStringLiteral("ほかの表（public.ledger）")},
        {"a server that is not there", {"--server", gone.uri()}, 1, {},
         QStringLiteral("ホスト 127.0.0.1 のポート %1 で接続を断られました").arg(gone.port)},
        {"not a server's address", {"--server", "ftp://host/books"}, 2, {}, QStringLiteral("データの保存先 ftp://host/books は使えません")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const auto [code, out, err] = run(c.arguments);
        EXPECT_EQ(code, c.exitCode) << err.toStdString();
        if (!c.out.isEmpty())
            EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
        if (!c.err.isEmpty())
            EXPECT_TRUE(err.contains(c.err)) << err.toStdString();
        else
            EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    }
}

// A database whose locale orders texts by a language still lists them as the local file does.
TEST_F(ServerData, TextsOrderByTheirCharactersWhateverTheDatabasesLocale)
{
    const QString name = database.name() + QStringLiteral("_ja");
    QString error;
    ASSERT_TRUE(testserver::runOnServer(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 LOCALE_PROVIDER icu ICU_LOCALE 'ja' "
                                                       "LOCALE 'C.UTF-8'").arg(name), &error))
        << error.toStdString();
    db::ServerAddress japanese = database.address();
    japanese.database = name;
    ASSERT_TRUE(schema::provisionServer(japanese).ok());
    const QStringList names = {QStringLiteral("亜鉛"), QStringLiteral("あめ"), QStringLiteral("Ａ４用紙"), QStringLiteral("apple"),
                               QStringLiteral("Banana"), QStringLiteral("アメ"), QStringLiteral("１号"), QStringLiteral("O'Brien")};
    const auto ordered = [&](const QSqlDatabase &database) {
        for (const QString &n : names)
            EXPECT_TRUE(db::exec(database, QStringLiteral("INSERT INTO 商品マスタ (品名) VALUES (?)"), {n}));
        QSqlQuery q(database);
        EXPECT_TRUE(db::exec(q, QStringLiteral("SELECT 品名 FROM 商品マスタ WHERE 品名 > ? ORDER BY 品名"), {QStringLiteral("B")}));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    };
    QStringList onJapanese, onFile;
    onServer(japanese, [&](const QSqlDatabase &server) { onJapanese = ordered(server); });
    TestDataDir local;
    ASSERT_TRUE(db::withOwnConnection(local.dataMdb(), false, [&](const QSqlDatabase &file) { onFile = ordered(file); }));
    EXPECT_EQ(onJapanese, onFile);
    EXPECT_EQ(onFile, (QStringList{QStringLiteral("Banana"), QStringLiteral("O'Brien"), QStringLiteral("apple"), QStringLiteral("あめ"),
                                   QStringLiteral("アメ"), QStringLiteral("亜鉛"), QStringLiteral("１号"), QStringLiteral("Ａ４用紙")}));
    testserver::runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

} // namespace
