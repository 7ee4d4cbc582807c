// quillon-lock-holder DATADIR: holds the data directory's lock as a running copy would,
// says "held" on stdout and keeps it until stdin closes or it is killed.
#include "shell/DataLock.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-lock-holder"));
    if (argc != 2)
        return 2;
    DataLock lock(QString::fromLocal8Bit(argv[1]));
    if (lock.acquire() != DataLock::State::Held) {
        std::puts("not held");
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
