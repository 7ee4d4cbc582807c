// One copy per data directory, also for a copy the local socket cannot see (another user
// name, another TMPDIR). The holders are real processes: the program itself, or a small
// helper that holds the lock the way the program does.
#include "shell/DataLock.h"
#include "support/TestDataDir.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int StartTimeoutMs = 60000; // a sanitizer build starts slowly

// A process holding the data directory's lock until it is stopped.
struct Holder {
    QProcess process;

    explicit Holder(const QString &dataDir)
    {
        process.start(QStringLiteral(QUILLON_LOCK_HOLDER), {dataDir});
        if (!process.waitForStarted() || !process.waitForReadyRead(StartTimeoutMs)
            || process.readAllStandardOutput().trimmed() != "held")
            ADD_FAILURE() << "the helper did not take the lock";
    }
    ~Holder()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished())
            process.kill();
        process.waitForFinished();
    }
};

// The program copied into the test's program directory, since the program's own directory
// decides where its data lies. Each start gets its own user name and TMPDIR, so that the
// local socket of one never finds another.
class ProgramCopy
{
public:
    explicit ProgramCopy(const TestDataDir &data)
        : m_path(data.programDir() + QStringLiteral("/Quillon"))
    {
        if (!QFileInfo::exists(m_path) && !QFile::copy(QStringLiteral(QUILLON_PROGRAM), m_path))
            ADD_FAILURE() << "cannot copy the program";
    }

    void start(QProcess &process, const QString &user)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("USER"), user);
        env.insert(QStringLiteral("TMPDIR"), m_tmp.path());
        process.setProcessEnvironment(env);
        process.start(m_path, {});
        ASSERT_TRUE(process.waitForStarted());
    }

private:
    QString m_path;
    QTemporaryDir m_tmp;
};

void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

// What a copy could have written in the data directory: every file's name, size, time
// and bytes.
QStringList snapshot(const QString &dir)
{
    QStringList result;
    const QFileInfoList files = QDir(dir).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &file : files) {
        QFile f(file.filePath());
        f.open(QIODevice::ReadOnly);
        result << file.fileName() + QLatin1Char(' ') + QString::number(file.size()) + QLatin1Char(' ')
                + file.lastModified().toString(Qt::ISODateWithMs) + QLatin1Char(' ')
                + QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex());
    }
    return result;
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs = StartTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(50);
    }
    return true;
}

TEST(DataLock, ASecondCopyOnDataInUseIsToldByWhomAndWritesNothing)
{
    TestDataDir data;
    ProgramCopy program(data);
    Holder holder(data.dataDir());
    const QStringList before = snapshot(data.dataDir());

    QProcess second;
    program.start(second, QStringLiteral("quillon-test-other-user"));
    QByteArray err;
    // The notice is shown modally; the same words go to stderr, where the test reads them.
    ASSERT_TRUE(waitFor([&] {
        err += second.readAllStandardError();
        return QString::fromUtf8(err).contains(QStringLiteral("使用中")) || second.state() == QProcess::NotRunning;
    })) << err.toStdString();
    const QString text = QString::fromUtf8(err);
    EXPECT_TRUE(text.contains(QStringLiteral("データは別のプログラムで使用中です。"))) << err.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("quillon-lock-holder"))) << err.toStdString();
    EXPECT_TRUE(text.contains(QSysInfo::machineHostName())) << err.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("プロセス番号: %1").arg(holder.process.processId())))
        << err.toStdString();
    EXPECT_TRUE(text.contains(QDir::cleanPath(data.dataDir()))) << err.toStdString();

    EXPECT_EQ(snapshot(data.dataDir()), before);
    stop(second);
    EXPECT_EQ(snapshot(data.dataDir()), before);
}

TEST(DataLock, TheProgramHoldsTheLockWhileItRuns)
{
    TestDataDir data;
    ProgramCopy program(data);
    QProcess first;
    program.start(first, QStringLiteral("quillon-test-first-user"));

    const QString lockPath = data.dataDir() + QLatin1Char('/') + DataLock::fileName();
    qint64 pid = 0;
    QString host, application;
    ASSERT_TRUE(waitFor([&] {
        return QLockFile(lockPath).getLockInfo(&pid, &host, &application) || first.state() == QProcess::NotRunning;
    }));
    EXPECT_EQ(pid, first.processId());
    EXPECT_EQ(application, QStringLiteral("Quillon"));

    DataLock second(data.dataDir());
    EXPECT_EQ(second.acquire(), DataLock::State::InUse);
    EXPECT_TRUE(second.inUseText().contains(QStringLiteral("使用中のプログラム: Quillon")));
    stop(first);
}

TEST(DataLock, ALockLeftByAKilledCopyIsTakenOver)
{
    TestDataDir data;
    const QString lockPath = data.dataDir() + QLatin1Char('/') + DataLock::fileName();
    {
        Holder holder(data.dataDir());
        holder.process.kill();
        holder.process.waitForFinished();
    }
    ASSERT_TRUE(QFileInfo::exists(lockPath));

    DataLock lock(data.dataDir());
    EXPECT_EQ(lock.acquire(), DataLock::State::Held);
    qint64 pid = 0;
    QString host, application;
    ASSERT_TRUE(QLockFile(lockPath).getLockInfo(&pid, &host, &application));
    EXPECT_EQ(pid, QCoreApplication::applicationPid());
}

TEST(DataLock, AMissingDataDirectoryIsLeftMissing)
{
    TestDataDir data(false);
    DataLock lock(data.dataDir());
    EXPECT_EQ(lock.acquire(), DataLock::State::Unavailable);
    EXPECT_FALSE(QFileInfo::exists(data.dataDir()));
}

} // namespace
