#pragma once
// A consistent copy of an open SQLite database in a file of its own.
#include <QSqlDatabase>
#include <QString>

namespace db {

// Copies the database of the connection into a new file at path with SQLite's online backup:
// a consistent copy of what is committed, also while other connections write, in a file of
// its own (a rollback journal, not a write-ahead log). The copy is written beside path and
// renamed to it when whole; nothing is left at path otherwise.
// False, with the cause in lastError() and lastFailure(), when it could not be made.
bool backupDatabase(const QSqlDatabase &source, const QString &path);

} // namespace db
