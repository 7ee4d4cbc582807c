#pragma once
// Backups of the data file: a consistent copy taken while the program runs, named with the
// date and time, and the restore of one in place of the data file, the replaced file kept
// beside it. The work file holds nothing worth keeping and is left alone. With the data on a
// server, a backup is the same kind of data file, written from one snapshot of the server's
// tables, and a restore replaces the rows of every table there in one transaction.
#include "app/Database.h"

#include <QDateTime>
#include <QString>

namespace backup {

// Beside the data file: the copy of a backup being made ready to take its place, and the data
// file a restore replaced ("QLNVData.mdb.before-restore-20261208-143005").
inline const QString RestoringSuffix = QStringLiteral(".restoring");
inline const QString KeptSuffix = QStringLiteral(".before-restore-");

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
// version or an older one, whole (as long as its header says) and sound in every page. Empty
// when it is; otherwise what to tell the user.
QString restoreProblem(const QString &path);

struct RestoreOutcome {
    bool restored = false; // the data file was replaced: everything is to be read again
    QString keptPath;      // the replaced data file, kept beside the new one
    QString problem;       // what to tell the user: why nothing was restored
};

// Puts a copy of the backup at path in place of the data file. The copy is made beside the data
// file and brought up to this version there; the data file keeps a second name,
// "QLNVData.mdb.before-restore-<date>-<time>", and the copy then takes its name in one rename.
// Stopped at any moment, the data file is the old one or the restored one, never neither; a
// copy left by a restore stopped before its rename is removed at the next start
// (recovery::recoverDataDir). The connections of this thread to the data file are closed
// first: the caller reads everything again afterwards. On failure the data file is as it was.
RestoreOutcome restoreDataFile(const QString &path, const QDateTime &now = QDateTime::currentDateTime());

} // namespace backup
