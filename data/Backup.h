#pragma once
// Backups of the data file: a consistent copy taken while the program runs, named with the
// date and time, and the restore of one in place of the data file, the replaced file kept
// beside it. The work file holds nothing worth keeping and is left alone.
#include "app/Database.h"

#include <QDateTime>
#include <QString>

namespace backup {

// "QLNVData_20261208_143005.mdb" for a copy taken at that time.
QString backupFileName(const QDateTime &when);

struct BackupOutcome {
    bool made = false;
    QString path;                        // the copy, when made
    db::Failure failure = db::Failure::None; // why not, as far as the user can act on it
    QString problem;                     // for the log
};

// Copies the data file (ModQLNV::DataMdbPath) into folder under backupFileName(now), never
// replacing a file that is there.
BackupOutcome backupDataFile(const QString &folder, const QDateTime &now = QDateTime::currentDateTime());

// Whether path is a backup this program can restore: one of its data files of this schema
// version or an older one. Empty when it is; otherwise what to tell the user.
QString restoreProblem(const QString &path);

struct RestoreOutcome {
    bool restored = false; // the data file was replaced: everything is to be read again
    QString keptPath;      // the replaced data file, kept beside the new one
    QString problem;       // what to tell the user: why nothing was restored, or what failed after
};

// Puts a copy of the backup at path in place of the data file. The replaced file is renamed
// "QLNVData.mdb.before-restore-<date>-<time>" and stays beside it; a backup of an older version
// is upgraded like any older data file. The connections of this thread to the data file are
// closed first: the caller reads everything again afterwards. On failure the data file is as
// it was.
RestoreOutcome restoreDataFile(const QString &path, const QDateTime &now = QDateTime::currentDateTime());

} // namespace backup
