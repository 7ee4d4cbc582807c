#pragma once
// What a backup, restore or upgrade stopped half-way (a kill, a crash, a power cut) leaves in
// the data folder, found and put right before anything opens the files: at start-up and when
// a data directory is provisioned.
#include <QString>
#include <QStringList>

namespace recovery {

struct Report {
    QStringList removed;          // half-made copies, and the second name of a data file no restore replaced
    bool restoreStopped = false;  // a restore stopped before it replaced the data file: it is the one from before
    QString putBack;              // the replaced data file of a restore stopped between two renames
                                  // (the program's earlier way), put back as the data file
    QStringList keptWithoutData;  // no data file, but these data files kept by a restore or upgrade:
                                  // nothing may make a new, empty one in its place
};

// Looks at the data folder dir and puts right what it can: removes what is only ever left by
// work stopped half-way, and puts back the data file a restore stopped between its renames had
// moved away. Nothing that may hold the user's data is removed.
Report recoverDataDir(const QString &dir);

// The sentence for the status line about the report; empty when there is nothing to say.
QString statusText(const Report &report);

} // namespace recovery
