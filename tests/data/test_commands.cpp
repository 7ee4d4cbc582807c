// The command-line tools asked for help, their version, or given what they cannot use: they
// answer and end without making anything, so that a mistyped option never becomes a folder
// or a file of that name.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Command {
    const char *name;
    QString program;
    QStringList tooMany; // one argument more than it takes
};

std::vector<Command> commands()
{
    std::vector<Command> result{{"quillon-initdb", QStringLiteral(QUILLON_INITDB), {"a", "b"}}};
#ifdef POSTORA_DICT
    result.push_back({"postora-dict", QStringLiteral(POSTORA_DICT), {"a", "b", "c"}});
#endif
    return result;
}

TEST(Commands, HelpVersionAndArgumentsTheyCannotUseCreateNothing)
{
    for (const Command &command : commands()) {
        const QString usage = QStringLiteral("usage: ") + QLatin1String(command.name);
        const struct {
            const char *what;
            QStringList arguments;
            int exitCode;
            QString stdoutStart; // empty: nothing on stdout
            QStringList stderrHas; // empty: nothing on stderr
        } cases[] = {
            {"help", {"--help"}, 0, usage, {}},
            {"help_before_a_target", {"--help", "a"}, 0, usage, {}},
            {"version", {"--version"}, 0, QLatin1String(command.name) + QStringLiteral(" 1.0"), {}},
            {"unknown_option", {"--bogus"}, 2, {}, {usage, QStringLiteral("--bogus")}},
            {"unknown_short_option", {"-x"}, 2, {}, {usage, QStringLiteral("-x")}},
            {"no_argument", {}, 2, {}, {usage}},
            {"too_many_arguments", command.tooMany, 2, {}, {usage}},
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(command.name) + " " + c.what);
            QTemporaryDir work;
            QProcess process;
            process.setWorkingDirectory(work.path());
            process.start(command.program, c.arguments);
            ASSERT_TRUE(process.waitForFinished(60000));
            const QString out = QString::fromUtf8(process.readAllStandardOutput());
            const QString err = QString::fromUtf8(process.readAllStandardError());

            EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(process.exitCode(), c.exitCode) << err.toStdString();
            if (c.stdoutStart.isEmpty()) {
                EXPECT_TRUE(out.isEmpty()) << out.toStdString();
            } else {
                EXPECT_TRUE(out.startsWith(c.stdoutStart)) << out.toStdString();
            }
            if (c.stderrHas.isEmpty()) {
                EXPECT_TRUE(err.isEmpty()) << err.toStdString();
            }
            for (const QString &part : c.stderrHas)
                EXPECT_TRUE(err.contains(part)) << err.toStdString();
            EXPECT_EQ(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList());
        }
    }
}

} // namespace
