// A restore and an upgrade stopped at each of their file system calls, as a kill or a power cut
// stops them: afterwards the data file opens and holds one side whole, the old or the new, and
// so does every copy kept of it. strace stops the real program there with SIGKILL.
#include "DataTestUtil.h"

#include "app/Database.h"
#include "app/SqliteBackup.h"
#include "app/Locations.h"
#include "data/Backup.h"
#include "data/Recovery.h"
#include "support/TestDataDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The calls that make, change, sync or remove a file.
const QString FileCalls = QStringLiteral("openat,pwrite64,fsync,fdatasync,ftruncate,rename,renameat,renameat2,link,linkat,unlink,unlinkat");

struct Call {
    QString name;
    int nth = 0; // among this process's calls of that name, from 1
};

QString strace()
{
    return QStandardPaths::findExecutable(QStringLiteral("strace"));
}

// strace running command; LeakSanitizer cannot look at a process that is traced.
void startTraced(QProcess &run, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    run.setProcessEnvironment(environment);
    run.start(strace(), arguments);
}

// The file calls of command's main thread, from the first one that names folder on.
QList<Call> callsOf(const QStringList &command, const QString &folder)
{
    QTemporaryDir logDir;
    const QString log = logDir.filePath(QStringLiteral("calls"));
    QProcess run;
    startTraced(run, QStringList{"-f", "-qq", "-o", log, "-e", "trace=" + FileCalls} + command);
    EXPECT_TRUE(run.waitForFinished(120000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardOutput().toStdString() << run.readAllStandardError().toStdString();
    QFile file(log);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    static const QRegularExpression line(QStringLiteral("^(\\d+) +(\\w+)\\((.*)$"));
    QString mainPid;
    QHash<QString, int> counts;
    QList<Call> calls;
    bool started = false;
    for (const QString &text : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QRegularExpressionMatch m = line.match(text);
        if (!m.hasMatch())
            continue; // "<... resumed>" and the exit line
        if (mainPid.isEmpty())
            mainPid = m.captured(1);
        if (m.captured(1) != mainPid)
            continue;
        const int nth = ++counts[m.captured(2)];
        started = started || m.captured(3).contains(folder);
        if (started)
            calls << Call{m.captured(2), nth};
    }
    return calls;
}

// Runs command and kills it as it enters the call; false when it ended before.
bool killedAt(const QStringList &command, const Call &call)
{
    QProcess run;
    startTraced(run, QStringList{"-f", "-qq", "-o", "/dev/null", "-e", "trace=" + call.name, "-e",
                                    QStringLiteral("inject=%1:signal=SIGKILL:when=%2").arg(call.name).arg(call.nth)}
                            + command);
    EXPECT_TRUE(run.waitForFinished(120000));
    // strace ends by the signal that ended the program.
    return run.exitStatus() == QProcess::CrashExit;
}

// The stored invoices with their line counts, or "damaged" when the file does not pass
// SQLite's check; "unreadable" when it cannot be opened.
QString invoicesIn(const QString &path)
{
    QString held = QStringLiteral("unreadable");
    // A writing connection, as the program opens it: the last one to close takes the
    // write-ahead log away, which a reading one leaves behind.
    db::withOwnConnection(path, false, [&](const QSqlDatabase &file) {
        if (datatest::scalar(file, QStringLiteral("PRAGMA integrity_check")).toString() != u"ok") {
            held = QStringLiteral("damaged");
            return;
        }
        QStringList numbers;
        for (const QVariantList &row : datatest::rows(
                 file, QStringLiteral("SELECT h.伝票番号, (SELECT count(*) FROM 請求書 AS l WHERE l.伝票番号 = h.伝票番号) "
                                      "FROM 請求書ヘッダ AS h ORDER BY 1")))
            numbers << QStringLiteral("%1:%2").arg(row.at(0).toString(), row.at(1).toString());
        held = numbers.join(u' ');
    });
    return held;
}

int versionOf(const QString &path)
{
    return db::fileVersion(path).value_or(-1);
}

// A program folder with a data folder copied from source, for one run.
QString freshProgramDir(const QTemporaryDir &root, int run, const QString &source)
{
    const QString program = root.filePath(QStringLiteral("run%1").arg(run));
    EXPECT_TRUE(QDir().mkpath(program + QStringLiteral("/data")));
    for (const QString &name : QDir(source).entryList({QStringLiteral("*.mdb")}, QDir::Files))
        EXPECT_TRUE(QFile::copy(QDir(source).filePath(name), program + QStringLiteral("/data/") + name));
    return program;
}

class Interrupted : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (strace().isEmpty())
            GTEST_SKIP() << "strace is not installed";
    }
};

TEST_F(Interrupted, ARestoreStoppedAtAnyCallLeavesTheOldDataOrTheRestoredWithTheOldKept)
{
    QTemporaryDir root;
    const QString backupFile = root.filePath(QStringLiteral("QLNVData_20261208_120000.mdb"));
    QString source;
    {
        TestDataDir dir;
        for (const QString &statement : datatest::invoiceSql(1).split(u';'))
            ASSERT_TRUE(db::exec(db::data(), statement));
        ASSERT_TRUE(db::backupDatabase(db::data(), backupFile));
        for (int number : {2, 3})
            for (const QString &statement : datatest::invoiceSql(number).split(u';'))
                ASSERT_TRUE(db::exec(db::data(), statement));
        db::closeAll();
        source = root.filePath(QStringLiteral("source"));
        ASSERT_TRUE(QDir().mkpath(source));
        for (const QString name : {QStringLiteral("QLNVData.mdb"), QStringLiteral("QLNVWork.mdb")})
            ASSERT_TRUE(QFile::copy(QDir(dir.dataDir()).filePath(name), QDir(source).filePath(name)));
    }
    const QString before = QStringLiteral("1:2 2:2 3:2");
    const QString restored = QStringLiteral("1:2");
    ASSERT_EQ(invoicesIn(QDir(source).filePath(QStringLiteral("QLNVData.mdb"))), before);
    ASSERT_EQ(invoicesIn(backupFile), restored);

    const auto command = [&](const QString &program) { return QStringList{QStringLiteral(QUILLON_RESTORE_CHILD), program, backupFile}; };
    const QString probe = freshProgramDir(root, 0, source);
    const QList<Call> calls = callsOf(command(probe), probe);
    ASSERT_GT(calls.size(), 10) << "the restore's calls were not seen";
    ASSERT_EQ(invoicesIn(probe + QStringLiteral("/data/QLNVData.mdb")), restored) << "the run that counted the calls restored";

    int stopped = 0;
    int oldSide = 0;
    for (int i = 0; i < calls.size(); ++i) {
        const Call &call = calls.at(i);
        SCOPED_TRACE(QStringLiteral("stopped at %1 #%2 (call %3 of %4)").arg(call.name).arg(call.nth).arg(i + 1).arg(calls.size()).toStdString());
        const QString program = freshProgramDir(root, i + 1, source);
        const QString data = program + QStringLiteral("/data");
        if (!killedAt(command(program), call))
            continue;
        ++stopped;
        const recovery::Report recovered = recovery::recoverDataDir(data);
        EXPECT_TRUE(recovered.keptWithoutData.isEmpty());
        const QString now = invoicesIn(data + QStringLiteral("/QLNVData.mdb"));
        const QStringList kept = QDir(data).entryList(QDir::Files).filter(
            QRegularExpression(QStringLiteral("^QLNVData\\.mdb\\.before-restore-\\d{8}-\\d{6}$")));
        if (now == before) {
            ++oldSide;
            for (const QString &name : kept)
                EXPECT_EQ(invoicesIn(QDir(data).filePath(name)), before) << name.toStdString();
            if (!recovered.removed.isEmpty())
                EXPECT_TRUE(recovery::statusText(recovered).contains(QStringLiteral("復元前のまま")));
        } else {
            EXPECT_EQ(now, restored);
            ASSERT_EQ(kept.size(), 1);
            EXPECT_EQ(invoicesIn(QDir(data).filePath(kept.first())), before) << "the replaced data file is kept whole";
        }
        EXPECT_EQ(QDir(data).entryList({QStringLiteral("*.restoring*"), QStringLiteral("*.part*")}, QDir::Files), QStringList())
            << "nothing half-made stays after the next start";
        QDir(program).removeRecursively();
    }
    EXPECT_GT(stopped, 10);
    EXPECT_GT(oldSide, 0);
    EXPECT_LT(oldSide, stopped) << "some stops come after the rename";
}

TEST_F(Interrupted, AnUpgradeStoppedAtAnyCallLeavesTheFileAndItsCopyWholeAndIsDoneNextTime)
{
    QTemporaryDir root;
    const QString source = root.filePath(QStringLiteral("source"));
    TestDataDir::putVersion1Files(source);
    const QString held = invoicesIn(QDir(source).filePath(QStringLiteral("QLNVData.mdb")));
    ASSERT_FALSE(held.isEmpty());
    ASSERT_NE(held, QStringLiteral("damaged"));

    const auto command = [](const QString &program) { return QStringList{QStringLiteral(QUILLON_INITDB), program + QStringLiteral("/data")}; };
    const QString probe = freshProgramDir(root, 0, source);
    const QList<Call> calls = callsOf(command(probe), probe);
    ASSERT_GT(calls.size(), 10);

    int stopped = 0;
    for (int i = 0; i < calls.size(); ++i) {
        const Call &call = calls.at(i);
        SCOPED_TRACE(QStringLiteral("stopped at %1 #%2 (call %3 of %4)").arg(call.name).arg(call.nth).arg(i + 1).arg(calls.size()).toStdString());
        const QString program = freshProgramDir(root, i + 1, source);
        const QDir data(program + QStringLiteral("/data"));
        if (!killedAt(command(program), call))
            continue;
        ++stopped;
        const QString dataFile = data.filePath(QStringLiteral("QLNVData.mdb"));
        EXPECT_EQ(invoicesIn(dataFile), held);
        EXPECT_TRUE(versionOf(dataFile) == 1 || versionOf(dataFile) == db::DataFileVersion);
        for (const QString &copy : data.entryList({QStringLiteral("QLNVData.mdb.v*.bak")}, QDir::Files)) {
            EXPECT_EQ(invoicesIn(data.filePath(copy)), held) << copy.toStdString();
            EXPECT_EQ(versionOf(data.filePath(copy)), 1) << copy.toStdString();
        }

        // The next run finishes the upgrade and leaves nothing half-made.
        QProcess again;
        again.start(QStringLiteral(QUILLON_INITDB), {data.path()});
        ASSERT_TRUE(again.waitForFinished(60000));
        EXPECT_EQ(again.exitCode(), 0) << again.readAllStandardError().toStdString();
        EXPECT_EQ(versionOf(dataFile), db::DataFileVersion);
        EXPECT_EQ(versionOf(data.filePath(QStringLiteral("QLNVWork.mdb"))), db::WorkFileVersion);
        EXPECT_EQ(invoicesIn(dataFile), held);
        EXPECT_EQ(invoicesIn(data.filePath(QStringLiteral("QLNVData.mdb.v1.bak"))), held);
        EXPECT_EQ(data.entryList({QStringLiteral("*.part*"), QStringLiteral("*.tmp*")}, QDir::Files), QStringList());
        QDir(program).removeRecursively();
    }
    EXPECT_GT(stopped, 10);
}

} // namespace
