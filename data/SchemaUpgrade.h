#pragma once
// Bringing the data and work files of an older version of the program up to this one's schema
// (PRAGMA user_version), at start-up and when a data directory is provisioned.
//
// Each step from version N-1 to N is a file of statements, schema/upgrade/data-N.sql or
// work-N.sql, compiled in beside the schema. A file is first copied beside itself, then
// changed in one transaction: a failure leaves it as it was, with the copy beside it.
#include "app/Database.h"

#include <QString>
#include <QStringList>

namespace schema {

struct UpgradeReport {
    QStringList upgraded; // files brought to this program's version
    QStringList backups;  // the copies made before, beside each file
    QStringList newer;    // files of a newer program, left as they are
    QString error;        // empty when nothing failed; names the file and the cause, for the log
    QString failedFile;   // the file that could not be upgraded (left as it was)
    db::Failure failure = db::Failure::None; // why, as far as the user can act on it
    bool ok() const { return error.isEmpty(); }
};

// Brings QLNVData.mdb and QLNVWork.mdb in dir up to db::DataFileVersion and
// db::WorkFileVersion. A missing file and a file that is not ours are passed over (the
// start-up names them); a newer file is listed and not touched. Run again, it changes nothing.
// A file that looks like SQLite but cannot be read here (a full disk, a folder that cannot be
// written) fails the upgrade with its cause: it may be an older one.
UpgradeReport upgradeDataDir(const QString &dir);

// Brings a copy of a data file at path (one made for a restore, say) up to
// db::DataFileVersion in place, without a copy of it. upgraded names path when it was older.
UpgradeReport upgradeDataCopy(const QString &path);

// The name of the copy made of path before its upgrade from version: "<file>.v<version>.bak",
// with the time added when such a copy is there already.
QString backupPathFor(const QString &path, int version);

} // namespace schema
