#include "support/ScreenRun.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Mark = QStringLiteral("QUILLON_TEST_SCREEN");

QString keyOf(const TestScreen &screen)
{
    QStringList extra;
    for (const QString &name : screen.extra.keys())
        extra << name + u'=' + screen.extra.value(name);
    extra.sort();
    return QStringLiteral("%1x%2@%3 %4").arg(screen.size.width()).arg(screen.size.height()).arg(screen.dpi).arg(extra.join(u' '));
}

} // namespace

bool onScreen(const TestScreen &screen)
{
    const QString key = keyOf(screen);
    if (qEnvironmentVariableIsSet(qPrintable(Mark))) {
        if (qEnvironmentVariable(qPrintable(Mark)) != key)
            return false;
        // In pixels of the program: a screen above 96 dpi is scaled.
        const double scale = screen.dpi / 96.0;
        EXPECT_EQ(QGuiApplication::primaryScreen()->size(),
                  QSize(qRound(screen.size.width() / scale), qRound(screen.size.height() / scale)));
        return true;
    }
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("screen.json")));
    EXPECT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": %1, "height": %2,)"
                                R"( "logicalDpi": %3, "logicalBaseDpi": 96, "dpr": 1}]})")
                     .arg(screen.size.width())
                     .arg(screen.size.height())
                     .arg(screen.dpi)
                     .toUtf8());
    config.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The copy runs one test: no report or share of tests of its own.
    for (const char *gtest : {"GTEST_OUTPUT", "GTEST_SHARD_INDEX", "GTEST_TOTAL_SHARDS"})
        env.remove(QString::fromLatin1(gtest));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config.fileName());
    env.insert(Mark, key);
    env.insert(screen.extra);
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    QProcess copy;
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_filter=%1.%2").arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()))});
    EXPECT_TRUE(copy.waitForFinished(300000));
    EXPECT_EQ(copy.exitCode(), 0) << key.toStdString() << ":\n" << copy.readAll().toStdString();
    return false;
}
