// What a backup, restore or upgrade stopped half-way leaves in the data folder, as the next
// start and the provisioning find it: what is removed, what is put back, and when nothing may
// be made in place of a missing data file.
#include "DataTestUtil.h"

#include "app/Database.h"
#include "data/Provision.h"
#include "data/Recovery.h"
#include "support/TestDataDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QString invoiceCount(const QString &path)
{
    QString count = QStringLiteral("unreadable");
    db::withOwnConnection(path, false, [&](const QSqlDatabase &file) {
        count = datatest::scalar(file, QStringLiteral("SELECT count(*) FROM 請求書ヘッダ")).toString();
    });
    return count;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(Recovery, WhatWorkStoppedHalfWayLeftIsPutRightAndNothingElse)
{
    const QString Data = QStringLiteral("QLNVData.mdb");
    const QString Kept = QStringLiteral("QLNVData.mdb.before-restore-20261208-120000");
    enum Setup { Copy, Link, Junk };
    const struct {
        const char *why;
        bool dataThere;
        QList<std::pair<QString, Setup>> files; // beside QLNVWork.mdb, and the data file when there
        QStringList remaining;                  // besides QLNVWork.mdb
        const char *says;                       // in the status line; nullptr: nothing
    } cases[] = {
        {"nothing stopped", true, {{Kept, Copy}}, {Data, Kept}, nullptr},
        {"a restore stopped while its copy was made ready",
         true,
         {{Data + ".restoring", Copy}, {Data + ".restoring.part", Junk}, {Data + ".restoring.part-journal", Junk}},
         {Data},
         "データファイルは復元前のまま"},
        {"a restore stopped after the data file got its second name",
         true,
         {{Kept, Link}, {Data + ".restoring", Copy}},
         {Data},
         "データファイルは復元前のまま"},
        {"copies of an upgrade and a kept file cut short",
         true,
         {{Data + ".v1.bak.part", Junk}, {"QLNVWork.mdb.v1.bak.part-wal", Junk}, {Kept + ".part", Junk}},
         {Data},
         nullptr},
        {"the earlier way of restoring, stopped between its renames",
         false,
         {{Kept, Copy}, {Data + ".restoring", Copy}},
         {Data},
         "復元前のデータファイル"},
        {"no data file, but an upgrade's copy", false, {{Data + ".v1.bak", Copy}}, {Data + ".v1.bak"}, "控えのデータファイル"},
        {"no data file, and the kept one is damaged",
         false,
         {{Kept, Junk}, {Data + ".restoring", Copy}},
         {Kept, Data + ".restoring"},
         "控えのデータファイル"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TestDataDir dir;
        ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名) VALUES (7, '2026-12-08', '山田商店')")));
        db::closeAll();
        const QString folder = dir.dataDir();
        const QString original = QDir(folder).filePath(QStringLiteral("original"));
        ASSERT_TRUE(QFile::rename(dir.dataMdb(), original));
        for (const auto &[name, setup] : c.files) {
            const QString path = QDir(folder).filePath(name);
            if (setup == Copy)
                ASSERT_TRUE(QFile::copy(original, path));
            else if (setup == Junk)
                write(path, QByteArray(4096, 'j'));
        }
        if (c.dataThere)
            ASSERT_TRUE(QFile::copy(original, dir.dataMdb()));
        for (const auto &[name, setup] : c.files)
            if (setup == Link)
                ASSERT_EQ(::link(QFile::encodeName(dir.dataMdb()).constData(), QFile::encodeName(QDir(folder).filePath(name)).constData()), 0);
        ASSERT_TRUE(QFile::remove(original));

        const recovery::Report report = recovery::recoverDataDir(folder);
        QStringList expected = c.remaining;
        expected << QStringLiteral("QLNVWork.mdb");
        expected.sort();
        EXPECT_EQ(filesIn(folder), expected);
        if (expected.contains(Data))
            EXPECT_EQ(invoiceCount(dir.dataMdb()), QStringLiteral("1")) << "the data file holds what it held";
        const QString text = recovery::statusText(report);
        if (c.says)
            EXPECT_TRUE(text.contains(QString::fromUtf8(c.says))) << text.toStdString();
        else
            EXPECT_TRUE(text.isEmpty()) << text.toStdString();

        // The provisioning goes no further than the start-up while the data file is missing.
        const schema::ProvisionReport provisioned = schema::provisionDataDir(folder);
        EXPECT_EQ(provisioned.ok(), expected.contains(Data)) << provisioned.error.toStdString();
        EXPECT_EQ(filesIn(folder), expected) << "nothing is made in place of a missing data file";
        if (!provisioned.ok())
            EXPECT_TRUE(provisioned.error.contains(c.remaining.first())) << provisioned.error.toStdString();
    }
}

TEST(Recovery, TheInitToolNamesTheKeptFilesAndStops)
{
    QTemporaryDir root;
    const QString data = root.filePath(QStringLiteral("data"));
    TestDataDir::putVersion1Files(data);
    ASSERT_TRUE(QFile::rename(QDir(data).filePath(QStringLiteral("QLNVData.mdb")),
                              QDir(data).filePath(QStringLiteral("QLNVData.mdb.before-restore-20261208-120000"))));
    QProcess tool;
    tool.start(QStringLiteral(QUILLON_INITDB), {data});
    ASSERT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_TRUE(tool.readAllStandardError().contains("QLNVData.mdb.before-restore-20261208-120000"));
    EXPECT_FALSE(QFileInfo::exists(QDir(data).filePath(QStringLiteral("QLNVData.mdb"))));
}

} // namespace
