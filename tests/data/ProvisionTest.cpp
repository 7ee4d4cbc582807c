// Making a data directory: what is created, what is never touched, and how failures end.
#include "DataTestUtil.h"

#include "app/Database.h"
#include "data/Provision.h"
#include "support/TestDataDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using datatest::scalar;

namespace {

const QString kData = QStringLiteral("QLNVData.mdb");
const QString kWork = QStringLiteral("QLNVWork.mdb");

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

QStringList fileNames(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << QFileInfo(path).fileName();
    return names;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST(Provision, MakesTheMissingDirectoryAndBothFilesAndNothingElse)
{
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("Inv/data"));
    const auto report = schema::provisionDataDir(dir);
    ASSERT_TRUE(report.ok()) << report.error.toStdString();
    EXPECT_EQ(fileNames(report.created), QStringList({ kData, kWork }));
    EXPECT_TRUE(report.kept.isEmpty());
    for (const QString &path : report.created)
        EXPECT_EQ(QFileInfo(path).absolutePath(), QFileInfo(dir).absoluteFilePath());
    // No temporary file, journal or write-ahead log is left behind.
    EXPECT_EQ(entries(dir), QStringList({ kData, kWork }));
}

TEST(Provision, StampsSchemaVersionAndWalJournal)
{
    TestDataDir dir;
    const struct
    {
        QString path;
        int version;
    } files[]
        = { { dir.dataMdb(), schema::DataSchemaVersion }, { dir.workMdb(), schema::WorkSchemaVersion } };
    for (const auto &file : files) {
        QSqlDatabase database = db::openFile(file.path, true);
        ASSERT_TRUE(database.isOpen()) << file.path.toStdString();
        EXPECT_EQ(scalar(database, QStringLiteral("PRAGMA user_version")).toInt(), file.version);
        EXPECT_EQ(scalar(database, QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    }
}

// Which files are gone before the second run; the others hold the user's rows.
struct KeepCase
{
    const char *name;
    bool removeData;
    bool removeWork;
};

void PrintTo(const KeepCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProvisionKeep : public ::testing::TestWithParam<KeepCase>
{
};

TEST_P(ProvisionKeep, ExistingFilesAreLeftByteForByte)
{
    const KeepCase &c = GetParam();
    TestDataDir dir;
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名) VALUES (?)"),
                         { QStringLiteral("残す顧客") }));
    ASSERT_TRUE(db::exec(db::work(), QStringLiteral("INSERT INTO w単位参照 (sname) VALUES (?)"),
                         { QStringLiteral("残す単位") }));
    db::closeAll(); // folds the write-ahead logs into the files

    const struct
    {
        QString path;
        bool removed;
        QString markerQuery;
    } files[] = {
        { dir.dataMdb(), c.removeData,
          QStringLiteral("SELECT count(*) FROM 顧客マスタ WHERE 顧客名 = '残す顧客'") },
        { dir.workMdb(), c.removeWork,
          QStringLiteral("SELECT count(*) FROM w単位参照 WHERE sname = '残す単位'") },
    };
    QStringList expectCreated, expectKept;
    QList<QByteArray> before;
    for (const auto &file : files) {
        ASSERT_FALSE(QFileInfo::exists(file.path + QStringLiteral("-wal")));
        if (file.removed) {
            ASSERT_TRUE(QFile::remove(file.path));
        }
        (file.removed ? expectCreated : expectKept) << QFileInfo(file.path).fileName();
        before << contents(file.path);
    }

    const auto report = schema::provisionDataDir(dir.dataDir());
    ASSERT_TRUE(report.ok()) << report.error.toStdString();
    EXPECT_EQ(fileNames(report.created), expectCreated);
    EXPECT_EQ(fileNames(report.kept), expectKept);

    for (int i = 0; i < 2; ++i) {
        const auto &file = files[i];
        if (!file.removed) {
            EXPECT_TRUE(contents(file.path) == before[i]) << file.path.toStdString();
            // Nothing was written through a log either.
            EXPECT_FALSE(QFileInfo::exists(file.path + QStringLiteral("-wal"))) << file.path.toStdString();
        }
        QSqlDatabase database = db::openFile(file.path, true);
        ASSERT_TRUE(database.isOpen());
        EXPECT_EQ(scalar(database, file.markerQuery).toInt(), file.removed ? 0 : 1)
            << file.path.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, ProvisionKeep,
                         ::testing::Values(KeepCase { "both_present", false, false },
                                           KeepCase { "data_missing", true, false },
                                           KeepCase { "work_missing", false, true }),
                         [](const auto &info) { return std::string(info.param.name); });

// The program's own connections open with mode=rw: a missing file stays missing.
struct MissingCase
{
    const char *name;
    bool provision;
    bool removeData;
    bool removeWork;
};

void PrintTo(const MissingCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProgramConnections : public ::testing::TestWithParam<MissingCase>
{
};

TEST_P(ProgramConnections, NeverCreateAMissingFile)
{
    const MissingCase &c = GetParam();
    TestDataDir dir(c.provision);
    db::closeAll();
    if (c.removeData) {
        ASSERT_TRUE(QFile::remove(dir.dataMdb()));
    }
    if (c.removeWork) {
        ASSERT_TRUE(QFile::remove(dir.workMdb()));
    }
    const bool dataThere = c.provision && !c.removeData;
    const bool workThere = c.provision && !c.removeWork;

    EXPECT_EQ(db::data().isOpen(), dataThere);
    EXPECT_EQ(db::work().isOpen(), workThere);
    EXPECT_EQ(QFileInfo::exists(dir.dataMdb()), dataThere);
    EXPECT_EQ(QFileInfo::exists(dir.workMdb()), workThere);
    EXPECT_EQ(QFileInfo::exists(dir.dataDir()), c.provision);
}

INSTANTIATE_TEST_SUITE_P(Files, ProgramConnections,
                         ::testing::Values(MissingCase { "no_data_directory", false, false, false },
                                           MissingCase { "data_file_missing", true, true, false },
                                           MissingCase { "work_file_missing", true, false, true }),
                         [](const auto &info) { return std::string(info.param.name); });

// Places where nothing can be made. setup returns the directory to provision, or nothing
// when this machine cannot stage the case.
struct FailCase
{
    const char *name;
    std::function<std::optional<QString>(const QString &root)> setup;
};

void PrintTo(const FailCase &c, std::ostream *os)
{
    *os << c.name;
}

class ProvisionFails : public ::testing::TestWithParam<FailCase>
{
};

TEST_P(ProvisionFails, ReportsAnErrorAndCreatesNothing)
{
    QTemporaryDir root;
    const std::optional<QString> dir = GetParam().setup(root.path());
    if (!dir)
        GTEST_SKIP() << "cannot be staged here (running as root?)";

    const auto report = schema::provisionDataDir(*dir);
    EXPECT_FALSE(report.ok());
    EXPECT_FALSE(report.error.isEmpty());
    EXPECT_TRUE(report.created.isEmpty());
    if (!dir->isEmpty()) {
        EXPECT_FALSE(QFileInfo(QDir(*dir).filePath(kData)).isFile());
        EXPECT_FALSE(QFileInfo::exists(QDir(*dir).filePath(kWork)));
    }
    QFile::setPermissions(root.filePath(QStringLiteral("data")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

INSTANTIATE_TEST_SUITE_P(
    Places, ProvisionFails,
    ::testing::Values(FailCase { "no_directory_named",
                                 [](const QString &) { return std::optional<QString>(QString()); } },
                      FailCase { "parent_is_a_file",
                                 [](const QString &root) -> std::optional<QString> {
                                     writeFile(root + QStringLiteral("/plain"), "x");
                                     return root + QStringLiteral("/plain/data");
                                 } },
                      FailCase { "directory_is_a_file",
                                 [](const QString &root) -> std::optional<QString> {
                                     writeFile(root + QStringLiteral("/data"), "x");
                                     return root + QStringLiteral("/data");
                                 } },
                      FailCase { "database_name_taken_by_a_directory",
                                 [](const QString &root) -> std::optional<QString> {
                                     QDir(root).mkpath(QStringLiteral("data/QLNVData.mdb"));
                                     return root + QStringLiteral("/data");
                                 } },
                      FailCase { "read_only_directory",
                                 [](const QString &root) -> std::optional<QString> {
                                     const QString dir = root + QStringLiteral("/data");
                                     QDir(root).mkdir(QStringLiteral("data"));
                                     QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
                                     if (QFileInfo(dir).isWritable())
                                         return std::nullopt;
                                     return dir;
                                 } }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Provision, LeftoversOfAnInterruptedRunAreReplaced)
{
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("data"));
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_TRUE(writeFile(dir + QStringLiteral("/QLNVData.mdb.tmp"), "half a database"));
    ASSERT_TRUE(writeFile(dir + QStringLiteral("/QLNVData.mdb.tmp-journal"), "stale journal"));

    const auto report = schema::provisionDataDir(dir);
    ASSERT_TRUE(report.ok()) << report.error.toStdString();
    EXPECT_EQ(entries(dir), QStringList({ kData, kWork }));
    QSqlDatabase data = db::openFile(dir + u'/' + kData, true);
    EXPECT_EQ(scalar(data, QStringLiteral("SELECT count(*) FROM 都道府県")).toInt(), 47);
    db::closeAll();
}

TEST(Provision, AFileThatCannotBeBuiltIsNotLeftHalfMade)
{
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("data"));
    // A directory where the work file's temporary copy must go: it can be neither removed nor used.
    ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/QLNVWork.mdb.tmp/inside")));

    const auto report = schema::provisionDataDir(dir);
    EXPECT_FALSE(report.ok());
    EXPECT_TRUE(report.error.contains(QStringLiteral("QLNVWork.mdb.tmp"))) << report.error.toStdString();
    EXPECT_EQ(fileNames(report.created), QStringList({ kData }));
    EXPECT_FALSE(QFileInfo::exists(dir + u'/' + kWork));
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/QLNVWork.mdb.tmp/inside")).isDir());
}

// The command-line tool, run as a user would, one step after another in one directory.
TEST(InitDbTool, ExitCodesAndOutput)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/quillon-initdb");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "quillon-initdb is not built beside the tests";
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("data"));
    ASSERT_TRUE(writeFile(root.filePath(QStringLiteral("plain")), "x"));

    const struct
    {
        const char *name;
        QStringList arguments;
        int exitCode;
        QStringList stdoutLines; // each must appear
        QString stderrStart;
    } steps[] = {
        { "no_argument", {}, 2, {}, QStringLiteral("usage: quillon-initdb DIR") },
        { "two_arguments", { dir, dir }, 2, {}, QStringLiteral("usage: quillon-initdb DIR") },
        { "first_run",
          { dir },
          0,
          { QStringLiteral("created ") + dir + u'/' + kData,
            QStringLiteral("created ") + dir + u'/' + kWork },
          {} },
        { "second_run",
          { dir },
          0,
          { QStringLiteral("kept ") + dir + u'/' + kData, QStringLiteral("kept ") + dir + u'/' + kWork },
          {} },
        { "unusable_place",
          { root.filePath(QStringLiteral("plain/data")) },
          1,
          {},
          QStringLiteral("quillon-initdb: ") },
    };
    for (const auto &step : steps) {
        QProcess process;
        process.start(program, step.arguments);
        ASSERT_TRUE(process.waitForFinished(60000)) << step.name;
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << step.name;
        EXPECT_EQ(process.exitCode(), step.exitCode) << step.name << ": " << err.toStdString();
        const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
        for (const QString &line : step.stdoutLines)
            EXPECT_TRUE(lines.contains(line)) << step.name << ": " << out.toStdString();
        if (step.stderrStart.isEmpty()) {
            EXPECT_TRUE(err.isEmpty()) << step.name << ": " << err.toStdString();
        } else {
            EXPECT_TRUE(err.startsWith(step.stderrStart)) << step.name << ": " << err.toStdString();
        }
    }
}

} // namespace
