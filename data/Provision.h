#pragma once
// Making a data directory: the data and work database files with every table, the
// indexes and the seed rows. Existing files are never touched.
#include <QString>
#include <QStringList>

namespace schema {

// Bumped with every change of the schema files; stored as PRAGMA user_version.
inline constexpr int DataSchemaVersion = 1;
inline constexpr int WorkSchemaVersion = 1;

struct ProvisionReport {
    QStringList created; // files made by this call
    QStringList kept;    // files that were there already and were left alone
    QString error;       // empty on success
    bool ok() const { return error.isEmpty(); }
};

// Creates dir when missing, then QLNVData.mdb and QLNVWork.mdb in it when missing.
ProvisionReport provisionDataDir(const QString &dir);

} // namespace schema
