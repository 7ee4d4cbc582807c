// Copies started at the same moment, as real processes: the helper runs the program's start-up
// up to its window (the single-copy guard, then the data lock) and says how it ended.
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int WaitMs = 60000; // a sanitizer build starts slowly

class Copy
{
public:
    Copy(const QString &key, const QString &dataDir)
    {
        m_process.start(QStringLiteral(QUILLON_COPY_START), { key, dataDir });
        EXPECT_TRUE(waitForLine("ready")) << "the helper did not start";
    }
    ~Copy()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(WaitMs))
            m_process.kill();
        m_process.waitForFinished();
    }

    // Lets it go on at once (a QProcess writes only when waited on).
    void go()
    {
        m_process.write("go\n");
        m_process.waitForBytesWritten();
    }

    // The next line it says; empty when it says nothing more.
    QByteArray nextLine()
    {
        QElapsedTimer clock;
        clock.start();
        while (!m_process.canReadLine() && clock.elapsed() < WaitMs) {
            if (!m_process.waitForReadyRead(100) && m_process.state() == QProcess::NotRunning)
                break;
        }
        return m_process.readLine().trimmed();
    }

    bool waitForLine(const QByteArray &line) { return nextLine() == line; }

private:
    QProcess m_process;
};

TEST(TwoStarts, OfTwoCopiesStartedTogetherTheOneLeftRunningIsFoundByTheNext)
{
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("Quillon-test"));
    constexpr int Rounds = 20;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(round);
        Copy copies[] = { Copy(key, dir.path()), Copy(key, dir.path()) };
        for (Copy &copy : copies)
            copy.go();
        const QByteArray said[] = { copies[0].nextLine(), copies[1].nextLine() };
        // One runs, and the other found it.
        const int runs = said[0] == "running" ? 0 : 1;
        ASSERT_EQ(said[runs], "running") << said[0].data() << " / " << said[1].data();
        ASSERT_EQ(said[1 - runs], "forwarded") << said[0].data() << " / " << said[1].data();
        Copy &running = copies[runs];
        EXPECT_TRUE(running.waitForLine("raised"));

        Copy third(key, dir.path());
        third.go();
        ASSERT_EQ(third.nextLine(), "forwarded");
        EXPECT_TRUE(running.waitForLine("raised"));
    }
}

} // namespace
