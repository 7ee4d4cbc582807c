#pragma once
// The schema files compiled into the program: the statements of data.sql, work.sql and the
// upgrade steps, as the provisioning and the upgrades run them.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace schema {

// The statements of the schema resource (":/quillon/schema/…"), split at the semicolons
// outside quotes and comments, comments dropped. Sets error, and returns nothing, when the
// resource is missing or holds no statement.
QStringList schemaStatements(const QString &resource, QString *error);

// The tables and columns of the schema resource that database lacks, as "table" or
// "table.column", found by comparing it with an empty database made from the resource. Sets
// error when the comparison could not be made.
QStringList missingFromSchema(const QSqlDatabase &database, const QString &resource, QString *error);

} // namespace schema
