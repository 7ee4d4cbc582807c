// quillon-copy-start KEY DATADIR: a copy of the program as far as its start-up decides whether
// it runs: the single-copy guard on KEY, then the data lock of DATADIR, in the order of main().
// It says "ready" and waits for a line on stdin, so that a test can let several go at the same
// moment; then "forwarded" (another copy was asked to come forward: it ends), "in use" (the
// data is held: it ends) or "running", and then "raised" for each request to come forward,
// until stdin closes.
#include "shell/DataLock.h"
#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>

namespace {

void say(const char *line)
{
    std::puts(line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-copy-start"));
    if (argc != 3)
        return 2;
    SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    DataLock dataLock(QString::fromLocal8Bit(argv[2]));
    say("ready");
    for (char c = 0; c != '\n';) {
        if (::read(STDIN_FILENO, &c, 1) != 1)
            return 2;
    }

    if (!instance.becomePrimary()) {
        say("forwarded");
        return 0;
    }
    if (dataLock.acquire() != DataLock::State::Held) {
        say("in use");
        return 1;
    }
    say("running");
    QObject::connect(&instance, &SingleInstance::activationRequested, [] { say("raised"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [] {
        char c;
        if (::read(STDIN_FILENO, &c, 1) <= 0)
            QCoreApplication::quit();
    });
    return app.exec();
}
