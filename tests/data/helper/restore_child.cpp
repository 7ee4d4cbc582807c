// quillon-restore-child PROGRAMDIR BACKUP: restores BACKUP over the data file of the data
// directory beside PROGRAMDIR, as the settings tab does, and says "restored" or why not. The
// interruption tests stop it at each of its file system calls.
#include "app/Locations.h"
#include "data/Backup.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    ModQLNV::setLocations(ModQLNV::locationsFor(QString::fromLocal8Bit(argv[1]), false));
    const backup::RestoreOutcome outcome = backup::restoreDataFile(QString::fromLocal8Bit(argv[2]));
    QTextStream(stdout) << (outcome.restored ? QStringLiteral("restored") : outcome.problem) << '\n';
    return outcome.restored ? 0 : 1;
}
