#pragma once
// Making a data directory: the data and work database files with every table, the
// indexes and the seed rows. An existing file keeps its rows: it is only brought up to this
// program's schema when it is of an older version (SchemaUpgrade.h).
#include "app/Database.h"
#include "data/Recovery.h"

#include <QString>
#include <QStringList>

namespace schema {

// Stored as PRAGMA user_version; bumped with every change of the schema files.
inline constexpr int DataSchemaVersion = db::DataFileVersion;
inline constexpr int WorkSchemaVersion = db::WorkFileVersion;

struct ProvisionReport {
    QStringList created;  // files made by this call
    QStringList kept;     // files that were there already; their rows are left alone
    QStringList upgraded; // kept files brought up to this program's schema
    QStringList backups;  // the copies made of those first
    recovery::Report recovered; // what work stopped half-way had left, put right first
    QString error;        // empty on success
    bool ok() const { return error.isEmpty(); }
};

// Creates dir when missing, puts right what work stopped half-way left in it
// (recovery::recoverDataDir), then creates QLNVData.mdb and QLNVWork.mdb in it when missing,
// and upgrades those that are there and older. A missing data file is not made while a data
// file kept by a restore or an upgrade is there: that is an error naming them.
ProvisionReport provisionDataDir(const QString &dir);

// Builds a new data file at path (which must not exist) with every table and the seed rows, of
// this version; an error text, or empty when it was made.
QString buildDataFile(const QString &path);

} // namespace schema
