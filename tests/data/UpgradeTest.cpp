// Bringing files of the first schema version up to this program's: what changes, what stays,
// the copy made first, and the files that are left alone.
#include "DataTestUtil.h"

#include "app/Database.h"
#include "data/Provision.h"
#include "data/SchemaUpgrade.h"
#include "support/FaultMounts.h"
#include "support/TestDataDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using datatest::scalar;

namespace {

QByteArray digest(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1) : QByteArray();
}

// Every table of the file with its columns as SQLite describes them (name, kind, not null,
// default), and every index: what a new file and an upgraded one must agree on.
QStringList schemaOf(const QString &path)
{
    QStringList out;
    QSqlDatabase database = db::openFile(path, true);
    QSqlQuery tables(database);
    EXPECT_TRUE(db::exec(tables, QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name")));
    QStringList names;
    while (tables.next())
        names << tables.value(0).toString();
    for (const QString &table : names) {
        QSqlQuery columns(database);
        EXPECT_TRUE(db::exec(columns, QStringLiteral("SELECT name, type, \"notnull\", dflt_value FROM pragma_table_info(?)"), {table}));
        while (columns.next())
            out << QStringLiteral("%1.%2 %3 %4 %5")
                       .arg(table, columns.value(0).toString(), columns.value(1).toString(), columns.value(2).toString(),
                            columns.value(3).toString());
    }
    QSqlQuery indexes(database);
    EXPECT_TRUE(db::exec(indexes, QStringLiteral("SELECT name, tbl_name FROM sqlite_schema WHERE type = 'index' ORDER BY name")));
    while (indexes.next())
        out << QStringLiteral("index %1 on %2").arg(indexes.value(0).toString(), indexes.value(1).toString());
    return out;
}

QString dataFile(const QString &dir) { return QDir(dir).filePath(QStringLiteral("QLNVData.mdb")); }
QString workFile(const QString &dir) { return QDir(dir).filePath(QStringLiteral("QLNVWork.mdb")); }

TEST(Upgrade, AFirstVersionFileBecomesWhatANewFileIsAndKeepsEveryRow)
{
    QTemporaryDir root;
    const QString fresh = root.filePath(QStringLiteral("fresh"));
    const QString old = root.filePath(QStringLiteral("old"));
    ASSERT_TRUE(schema::provisionDataDir(fresh).ok());
    TestDataDir::putVersion1Files(old);
    const QByteArray before = digest(dataFile(old));

    const schema::UpgradeReport report = schema::upgradeDataDir(old);
    ASSERT_TRUE(report.ok()) << report.error.toStdString();
    EXPECT_EQ(report.upgraded, QStringList({dataFile(old), workFile(old)}));
    EXPECT_EQ(report.backups, QStringList({dataFile(old) + QStringLiteral(".v1.bak"), workFile(old) + QStringLiteral(".v1.bak")}));
    EXPECT_TRUE(report.newer.isEmpty());

    EXPECT_EQ(schemaOf(dataFile(old)), schemaOf(dataFile(fresh)));
    EXPECT_EQ(schemaOf(workFile(old)), schemaOf(workFile(fresh)));
    const QSqlDatabase data = db::openFile(dataFile(old), true);
    EXPECT_EQ(scalar(data, QStringLiteral("PRAGMA user_version")).toInt(), db::DataFileVersion);
    EXPECT_EQ(scalar(data, QStringLiteral("SELECT 消費税率 FROM 自社情報")).toDouble(), 0.05) << "the Parts' rate";
    EXPECT_TRUE(scalar(data, QStringLiteral("SELECT 登録番号 FROM 自社情報")).isNull());
    EXPECT_EQ(scalar(data, QStringLiteral("SELECT 合計 || '/' || ifnull(消費税率, 'Null') FROM 請求書ヘッダ WHERE 伝票番号 = 1")).toString(),
              QStringLiteral("6458/Null"))
        << "an invoice stored before keeps its figures and no rate of its own";
    EXPECT_EQ(scalar(data, QStringLiteral("SELECT group_concat(軽減税率) FROM 請求書")).toString(), QStringLiteral("0,0,0"));
    EXPECT_EQ(scalar(data, QStringLiteral("SELECT count(*) FROM 商品マスタ WHERE 軽減税率 = 0")).toInt(), 2);
    const QSqlDatabase work = db::openFile(workFile(old), true);
    EXPECT_EQ(scalar(work, QStringLiteral("SELECT 品名 || 金額 || 軽減税率 FROM w明細 WHERE 行番号 = 1")).toString(),
              QStringLiteral("書きかけの行3000"))
        << "the line typed before the upgrade is still there";

    // The copy is the file as it was.
    const QSqlDatabase copy = db::openFile(report.backups.at(0), true);
    EXPECT_EQ(scalar(copy, QStringLiteral("PRAGMA user_version")).toInt(), 1);
    EXPECT_EQ(scalar(copy, QStringLiteral("SELECT 合計 FROM 請求書ヘッダ")).toInt(), 6458);
    EXPECT_EQ(scalar(copy, QStringLiteral("SELECT count(*) FROM pragma_table_info('請求書ヘッダ')")).toInt(), 11);
    EXPECT_NE(digest(dataFile(old)), before);
    db::closeAll();

    // A second run finds nothing to do and touches nothing.
    const QByteArray upgraded = digest(dataFile(old));
    const schema::UpgradeReport again = schema::upgradeDataDir(old);
    EXPECT_TRUE(again.ok());
    EXPECT_TRUE(again.upgraded.isEmpty());
    EXPECT_TRUE(again.backups.isEmpty());
    EXPECT_EQ(digest(dataFile(old)), upgraded);
    EXPECT_EQ(QDir(old).entryList({QStringLiteral("*.bak")}).size(), 2);
}

TEST(Upgrade, FilesThatAreNotForThisVersionAreLeftByteForByte)
{
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("data"));
    ASSERT_TRUE(schema::provisionDataDir(dir).ok());
    {
        QSqlDatabase data = db::openFile(dataFile(dir));
        ASSERT_TRUE(db::exec(data, QStringLiteral("PRAGMA user_version = %1").arg(db::DataFileVersion + 1)));
        db::closeAll();
    }
    QFile foreign(workFile(dir));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly | QIODevice::Truncate));
    foreign.write(QByteArray(4096, 'x'));
    foreign.close();
    const QByteArray data = digest(dataFile(dir));
    const QByteArray work = digest(workFile(dir));

    const schema::UpgradeReport report = schema::upgradeDataDir(dir);
    EXPECT_TRUE(report.ok()) << report.error.toStdString();
    EXPECT_EQ(report.newer, QStringList{dataFile(dir)});
    EXPECT_TRUE(report.upgraded.isEmpty());
    EXPECT_EQ(digest(dataFile(dir)), data);
    EXPECT_EQ(digest(workFile(dir)), work);
    EXPECT_TRUE(QDir(dir).entryList({QStringLiteral("*.bak")}).isEmpty());

    // The provisioning says so and changes nothing either.
    const auto provisioned = schema::provisionDataDir(dir);
    EXPECT_FALSE(provisioned.ok());
    EXPECT_TRUE(provisioned.error.contains(QStringLiteral("newer"))) << provisioned.error.toStdString();
    EXPECT_EQ(digest(dataFile(dir)), data);
}

TEST(Upgrade, AStepThatFailsLeavesTheFileAsItWasWithItsCopy)
{
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("data"));
    TestDataDir::putVersion1Files(dir);
    {
        // A column of the new version already there: the step's ALTER TABLE fails half-way.
        QSqlDatabase data = db::openFile(dataFile(dir));
        ASSERT_TRUE(db::exec(data, QStringLiteral("ALTER TABLE 請求書 ADD COLUMN 軽減税率 TEXT")));
        db::closeAll();
    }
    const QStringList before = schemaOf(dataFile(dir));
    db::closeAll();

    const schema::UpgradeReport report = schema::upgradeDataDir(dir);
    EXPECT_FALSE(report.ok());
    EXPECT_EQ(report.failedFile, dataFile(dir));
    EXPECT_TRUE(report.error.contains(QStringLiteral("duplicate column"))) << report.error.toStdString();
    EXPECT_EQ(report.backups, QStringList{dataFile(dir) + QStringLiteral(".v1.bak")});
    EXPECT_EQ(schemaOf(dataFile(dir)), before) << "the statements before the failing one are rolled back";
    EXPECT_EQ(scalar(db::openFile(dataFile(dir), true), QStringLiteral("PRAGMA user_version")).toInt(), 1);
    EXPECT_EQ(scalar(db::openFile(workFile(dir), true), QStringLiteral("PRAGMA user_version")).toInt(), 1)
        << "nothing after the failure is touched";
    db::closeAll();
}

TEST(Upgrade, TheProvisioningUpgradesWhatItKeeps)
{
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("data"));
    TestDataDir::putVersion1Files(dir);
    const auto report = schema::provisionDataDir(dir);
    ASSERT_TRUE(report.ok()) << report.error.toStdString();
    EXPECT_TRUE(report.created.isEmpty());
    EXPECT_EQ(report.kept, report.upgraded);
    EXPECT_EQ(report.backups.size(), 2);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files, QDir::Name),
              QStringList({QStringLiteral("QLNVData.mdb"), QStringLiteral("QLNVData.mdb.v1.bak"), QStringLiteral("QLNVWork.mdb"),
                           QStringLiteral("QLNVWork.mdb.v1.bak")}))
        << "no journal or shared-memory file is left behind";
}

TEST(Upgrade, AFullDiskFailsTheInitToolWithTheCauseAndLeavesTheFiles)
{
    SmallDisk disk(1024);
    if (!disk.isValid())
        GTEST_SKIP() << NoMountReason;
    const QString dir = disk.path() + QStringLiteral("/data");
    TestDataDir::putVersion1Files(dir);
    const QByteArray before = digest(dataFile(dir));
    ASSERT_TRUE(disk.fill());

    QProcess tool;
    tool.start(QStringLiteral(QUILLON_INITDB), {dir});
    ASSERT_TRUE(tool.waitForFinished(60000));
    const QString err = QString::fromUtf8(tool.readAllStandardError());
    EXPECT_EQ(tool.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(dataFile(dir))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("ディスクに空きがない"))) << err.toStdString();
    EXPECT_FALSE(QString::fromUtf8(tool.readAllStandardOutput()).contains(QStringLiteral("upgraded")));
    disk.release();
    EXPECT_EQ(digest(dataFile(dir)), before);
    EXPECT_EQ(QDir(dir).entryList({QStringLiteral("*.bak*")}, QDir::Files), QStringList());
}

TEST(Upgrade, ACopyThatExistsAlreadyIsNeverReplaced)
{
    QTemporaryDir root;
    const QString path = root.filePath(QStringLiteral("QLNVData.mdb"));
    EXPECT_EQ(schema::backupPathFor(path, 1), path + QStringLiteral(".v1.bak"));
    QFile taken(path + QStringLiteral(".v1.bak"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    const QString second = schema::backupPathFor(path, 1);
    EXPECT_TRUE(second.startsWith(path + QStringLiteral(".v1-"))) << second.toStdString();
    EXPECT_TRUE(second.endsWith(QStringLiteral(".bak")));
}

} // namespace
