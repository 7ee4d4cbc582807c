#pragma once
// The data database on a PostgreSQL server: its tables made from the same schema files as the
// local data file (schema/data.sql and the numbered steps, in the server's words), kept in the
// schema "quillon" with the version in the one row of quillon.schema_version; and a local data
// file copied into it.
#include "app/DataSource.h"
#include "app/DbFailure.h"

#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace schema {

// A statement of our SQLite schema files as the server takes it: INTEGER as BIGINT, REAL as
// DOUBLE PRECISION, BLOB as BYTEA, TEXT compared by character codes (COLLATE "C", as SQLite compares), the ISO
// date check as quillon.iso_date(), and every table with a "rowid" column that numbers its rows
// in the order they were added, as SQLite's does.
QString serverStatement(const QString &sqliteStatement);

// The data file's tables and their columns, in the order of data.sql.
struct TableColumns {
    QString table;
    QStringList columns;
};
QList<TableColumns> dataTables(QString *error);

struct ServerReport {
    bool created = false;   // the tables were made
    int upgradedFrom = 0;   // the version the tables had, when they were upgraded
    QList<QPair<QString, int>> imported; // table and rows copied from a local file
    QString error;          // empty when nothing failed, for the user and the log
    bool ok() const { return error.isEmpty(); }
};

// Makes the program's tables in an empty database (refusing one that holds other tables),
// brings older ones up to db::DataFileVersion in one transaction, and leaves current ones as
// they are; a newer version is refused.
ServerReport provisionServer(const db::ServerAddress &address);

// Copies the local data file at path (of any version this program can upgrade; the file
// itself is not changed) into the server's tables, which must hold no customer, product,
// invoice or settings row, in one transaction: every table's rows replaced, in their order.
ServerReport importDataFile(const db::ServerAddress &address, const QString &path);

// Replaces the rows of every table on the server by those of the data file at path (of this
// version), in their order, inside the caller's transaction on server; counts, when given, gets
// the rows copied per table. False with what failed in error.
bool copyFileToServer(const QSqlDatabase &server, const QString &path, const QList<TableColumns> &tables,
                      QList<QPair<QString, int>> *counts, QString *error);
// Replaces the rows of every table of the data file at path (of this version) by the server's,
// read as one snapshot, in one transaction on the file.
bool copyServerToFile(const QSqlDatabase &server, const QString &path, QString *error);

// Makes the tables as the version-1 data file at path has them (for bringing a database of
// that version up to date); used by the tests of the upgrade.
bool createServerTablesLike(const QSqlDatabase &server, const QString &path, int version, QString *error);

} // namespace schema
