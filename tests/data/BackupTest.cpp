// Backups of the data file while it is written, and restores of them: what a copy holds, what a
// restore refuses, and what it keeps.
#include "DataTestUtil.h"

#include "app/Database.h"
#include "app/SqliteBackup.h"
#include "app/Locations.h"
#include "data/Backup.h"
#include "support/FaultMounts.h"
#include "support/TestDataDir.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <gtest/gtest.h>

using datatest::scalar;

namespace {

// Another program's connection to the data file, for the length of a test.
class OtherConnection
{
public:
    OtherConnection()
        : m_name(QUuid::createUuid().toString())
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        other.setDatabaseName(ModQLNV::DataMdbPath);
        other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        EXPECT_TRUE(other.open());
    }
    ~OtherConnection()
    {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    void run(const QString &sql)
    {
        QSqlQuery q(QSqlDatabase::database(m_name));
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << q.lastError().text().toStdString();
    }

private:
    QString m_name;
};

// The invoices of a copy, and whether every one of them has its lines and nothing else.
struct Held {
    int headers = 0;
    bool whole = false;
};
Held heldBy(const QString &path)
{
    Held held;
    {
        const QSqlDatabase copy = db::openFile(path, true);
        held.headers = scalar(copy, QStringLiteral("SELECT count(*) FROM 請求書ヘッダ")).toInt();
        held.whole = scalar(copy, QStringLiteral("SELECT (SELECT count(*) FROM 請求書) = 2 * (SELECT count(*) FROM 請求書ヘッダ) "
                                                 "AND NOT EXISTS (SELECT 伝票番号 FROM 請求書 EXCEPT SELECT 伝票番号 FROM 請求書ヘッダ)"))
                         .toBool()
                     && scalar(copy, QStringLiteral("PRAGMA integrity_check")).toString() == u"ok";
    }
    db::closeFile(path);
    return held;
}

class BackupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const QString &statement : datatest::invoiceSql(1).split(u';'))
            ASSERT_TRUE(db::exec(db::data(), statement));
    }
    TestDataDir dir;
    QTemporaryDir out;
};

TEST_F(BackupTest, ACopyTakenWhileAnotherConnectionSavesHoldsTheOldOrTheNewInvoiceWhole)
{
    {
        OtherConnection other;
        other.run(QStringLiteral("BEGIN IMMEDIATE"));
        for (const QString &statement : datatest::invoiceSql(2).split(u';'))
            other.run(statement);
        const backup::BackupOutcome during = backup::backupDataFile(out.path(), QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        ASSERT_TRUE(during.made) << during.problem.toStdString();
        EXPECT_EQ(during.path, out.filePath(QStringLiteral("QLNVData_20261208_090000.mdb")));
        EXPECT_EQ(heldBy(during.path).headers, 1) << "the save had not been committed";
        other.run(QStringLiteral("COMMIT"));
    }
    const backup::BackupOutcome after = backup::backupDataFile(out.path(), QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    ASSERT_TRUE(after.made);
    EXPECT_EQ(after.path, out.filePath(QStringLiteral("QLNVData_20261208_090000_2.mdb"))) << "the first copy stays";
    const Held held = heldBy(after.path);
    EXPECT_EQ(held.headers, 2);
    EXPECT_TRUE(held.whole);
    EXPECT_FALSE(QFile::exists(after.path + QStringLiteral("-wal"))) << "a copy is one file";
    EXPECT_TRUE(backup::restoreProblem(after.path).isEmpty());
}

TEST_F(BackupTest, CopiesTakenDuringAStreamOfSavesAreEachWhole)
{
    QAtomicInt stop = 0;
    QAtomicInt saved = 0;
    std::unique_ptr<QThread> saver(QThread::create([&] {
        OtherConnection other;
        for (int number = 100; !stop.loadAcquire(); ++number) {
            other.run(QStringLiteral("BEGIN IMMEDIATE"));
            for (const QString &statement : datatest::invoiceSql(number).split(u';'))
                other.run(statement);
            other.run(QStringLiteral("COMMIT"));
            saved.fetchAndAddRelease(1);
        }
    }));
    saver->start();
    QList<int> counts;
    for (int i = 0; i < 8; ++i) {
        const backup::BackupOutcome copy = backup::backupDataFile(out.path(), QDateTime(QDate(2026, 12, 8), QTime(10, 0, i)));
        ASSERT_TRUE(copy.made) << copy.problem.toStdString();
        const Held held = heldBy(copy.path);
        EXPECT_TRUE(held.whole) << copy.path.toStdString();
        counts << held.headers;
    }
    stop.storeRelease(1);
    saver->wait();
    EXPECT_GT(saved.loadAcquire(), 0);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
}

TEST_F(BackupTest, AFolderThatCannotBeWrittenGetsNoCopyAndSaysWhy)
{
    ReadOnlyView view(out.path());
    if (!view.isValid())
        GTEST_SKIP() << NoMountReason;
    const backup::BackupOutcome copy = backup::backupDataFile(view.path());
    EXPECT_FALSE(copy.made);
    EXPECT_EQ(copy.failure, db::Failure::CannotWrite);
    EXPECT_TRUE(QDir(view.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(BackupTest, AFullDiskGetsNoCopyAndNothingIsLeftThere)
{
    SmallDisk disk(256);
    if (!disk.isValid())
        GTEST_SKIP() << NoMountReason;
    ASSERT_TRUE(disk.fill());
    const backup::BackupOutcome copy = backup::backupDataFile(disk.path());
    EXPECT_FALSE(copy.made);
    EXPECT_EQ(copy.failure, db::Failure::DiskFull) << copy.problem.toStdString();
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral(".filler")})
        << "no half-made copy, journal or shared-memory file";
}

TEST_F(BackupTest, ANameTakenMeanwhileIsReportedAndLeftAsItIs)
{
    const QString taken = out.filePath(QStringLiteral("QLNVData_20261208_120000.mdb"));
    {
        QFile file(taken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("somebody else's");
    }
    EXPECT_FALSE(db::backupDatabase(db::data(), taken));
    EXPECT_EQ(db::lastFailure(), db::Failure::Exists);
    EXPECT_TRUE(db::failureText(db::Failure::Exists, taken).contains(QStringLiteral("置き換えずに")));
    QFile file(taken);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("somebody else's"));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), QStringList{taken.section(u'/', -1)});
}

TEST_F(BackupTest, ADamagedOrCutBackupIsRefusedOrRestoresASoundFile)
{
    const backup::BackupOutcome copy = backup::backupDataFile(out.path());
    ASSERT_TRUE(copy.made);
    QFile file(copy.path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    const qsizetype pageSize = 4096;
    ASSERT_EQ(whole.size() % pageSize, 0);

    struct Damage {
        QString what;
        QByteArray bytes;
        bool refused = true; // otherwise it may also restore, as a sound file
    };
    QList<Damage> damages;
    // Cut anywhere, also at a page boundary, and flipped at offsets spread over every page.
    for (const qsizetype length : {qsizetype(100), qsizetype(1000), pageSize, pageSize + 1, 2 * pageSize, whole.size() / 2,
                                   whole.size() - pageSize, whole.size() - 1})
        damages << Damage{QStringLiteral("cut at %1").arg(length), whole.left(length)};
    for (qsizetype offset = 7; offset < whole.size(); offset += whole.size() / 37) {
        QByteArray bytes = whole;
        for (qsizetype i = offset; i < qMin(offset + 8, bytes.size()); ++i)
            bytes[i] = char(~bytes[i]);
        damages << Damage{QStringLiteral("flipped at %1").arg(offset), bytes, false};
    }
    // A page that is no page of any kind (its type byte turned over) is always found.
    for (qsizetype page = 1; page < whole.size() / pageSize; ++page) {
        QByteArray bytes = whole;
        bytes[page * pageSize] = char(~bytes[page * pageSize]);
        damages << Damage{QStringLiteral("page %1 of no kind").arg(page + 1), bytes};
    }

    const QString damaged = out.filePath(QStringLiteral("damaged.mdb"));
    for (const Damage &damage : damages) {
        SCOPED_TRACE(damage.what.toStdString());
        QFile::remove(damaged);
        QFile target(damaged);
        ASSERT_TRUE(target.open(QIODevice::WriteOnly));
        target.write(damage.bytes);
        target.close();
        const backup::RestoreOutcome outcome = backup::restoreDataFile(damaged);
        if (!outcome.restored) {
            EXPECT_FALSE(outcome.problem.isEmpty());
            EXPECT_EQ(heldBy(dir.dataMdb()).headers, 1) << "the data file is left as it was";
            continue;
        }
        // Bytes no page structure depends on (free space, a value) cannot be told from data.
        EXPECT_FALSE(damage.refused) << "a cut copy or a page of no kind is never restored";
        EXPECT_EQ(scalar(db::data(), QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
    EXPECT_EQ(QDir(dir.dataDir()).entryList({QStringLiteral("*.restoring*")}, QDir::Files), QStringList());
}

TEST_F(BackupTest, ARestoreRefusesWhatIsNoBackupOfThisProgramAndLeavesTheDataFile)
{
    const QString empty = out.filePath(QStringLiteral("empty.mdb"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = out.filePath(QStringLiteral("text.mdb"));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    const QString foreign = out.filePath(QStringLiteral("foreign.sqlite"));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        other.setDatabaseName(foreign);
        ASSERT_TRUE(other.open());
        QSqlQuery(other).exec(QStringLiteral("CREATE TABLE 自社情報 (自社名 TEXT)"));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    const backup::BackupOutcome newer = backup::backupDataFile(out.path());
    ASSERT_TRUE(newer.made);
    {
        QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
        copy.setDatabaseName(newer.path);
        ASSERT_TRUE(copy.open());
        QSqlQuery(copy).exec(QStringLiteral("PRAGMA user_version = %1").arg(db::DataFileVersion + 1));
        copy.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("newer"));
    const QString lacking = out.filePath(QStringLiteral("lacking.mdb"));
    ASSERT_TRUE(db::backupDatabase(db::data(), lacking));
    ASSERT_TRUE(db::withOwnConnection(lacking, false, [](const QSqlDatabase &copy) {
        EXPECT_TRUE(db::exec(copy, QStringLiteral("ALTER TABLE 商品マスタ DROP COLUMN 軽減税率")));
    }));

    const QByteArray before = [&] {
        db::closeAll();
        QFile file(dir.dataMdb());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const struct {
        QString path;
        const char *says;
    } cases[] = {
        {empty, "このプログラムのデータファイルではありません"},
        {text, "このプログラムのデータファイルではありません"},
        {foreign, "このプログラムのデータファイルではありません"},
        {newer.path, "このプログラムより新しい版"},
        {lacking, "商品マスタ.軽減税率 がありません"},
        {out.filePath(QStringLiteral("missing.mdb")), "読めません"},
    };
    for (const auto &c : cases) {
        const backup::RestoreOutcome outcome = backup::restoreDataFile(c.path);
        EXPECT_FALSE(outcome.restored) << c.path.toStdString();
        EXPECT_TRUE(outcome.problem.contains(QString::fromUtf8(c.says))) << outcome.problem.toStdString();
        EXPECT_TRUE(outcome.keptPath.isEmpty());
    }
    db::closeAll();
    QFile file(dir.dataMdb());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QDir(dir.dataDir()).entryList({QStringLiteral("*before-restore*")}), QStringList());
}

TEST_F(BackupTest, ARestorePutsTheBackupInPlaceAndKeepsTheReplacedFile)
{
    const backup::BackupOutcome copy = backup::backupDataFile(out.path());
    ASSERT_TRUE(copy.made);
    for (const QString &statement : datatest::invoiceSql(2).split(u';'))
        ASSERT_TRUE(db::exec(db::data(), statement));
    QSqlDatabase work = db::work();
    ASSERT_EQ(scalar(work, QStringLiteral("SELECT count(*) FROM w明細")).toInt(), 0);

    const backup::RestoreOutcome restored = backup::restoreDataFile(copy.path, QDateTime(QDate(2026, 12, 8), QTime(11, 30)));
    ASSERT_TRUE(restored.restored) << restored.problem.toStdString();
    EXPECT_TRUE(restored.problem.isEmpty());
    EXPECT_EQ(restored.keptPath, dir.dataMdb() + QStringLiteral(".before-restore-20261208-113000"));
    EXPECT_EQ(scalar(db::data(), QStringLiteral("SELECT count(*) FROM 請求書ヘッダ")).toInt(), 1);
    EXPECT_EQ(scalar(db::data(), QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    EXPECT_EQ(heldBy(restored.keptPath).headers, 2) << "the replaced file holds what it held";
    EXPECT_TRUE(work.isOpen()) << "the work file stays open under the grids";
    EXPECT_EQ(scalar(work, QStringLiteral("SELECT count(*) FROM w明細")).toInt(), 0);
    const backup::RestoreOutcome again = backup::restoreDataFile(copy.path, QDateTime(QDate(2026, 12, 8), QTime(11, 30)));
    EXPECT_EQ(again.keptPath, restored.keptPath + QStringLiteral("-2")) << "a second restore in the same second";

    // A backup of the first version is upgraded as it is restored.
    QTemporaryDir old;
    TestDataDir::putVersion1Files(old.path());
    const backup::RestoreOutcome upgraded = backup::restoreDataFile(old.filePath(QStringLiteral("QLNVData.mdb")));
    ASSERT_TRUE(upgraded.restored) << upgraded.problem.toStdString();
    EXPECT_EQ(scalar(db::data(), QStringLiteral("PRAGMA user_version")).toInt(), db::DataFileVersion);
    EXPECT_EQ(scalar(db::data(), QStringLiteral("SELECT 顧客名 FROM 請求書ヘッダ")).toString(), QStringLiteral("株式会社みどり商店"));
}

} // namespace
