#pragma once
// SQLite files as files: how the program names one to the driver, tells one from other
// files, and reads its schema version without writing a byte.
#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

struct sqlite3;

namespace db {

// The schema versions (PRAGMA user_version) of the data and work files that this program
// reads and writes. data/ makes new files at these versions and brings older ones up to them
// at start-up; a file of another version is never opened for writing.
inline constexpr int DataFileVersion = 7;
inline constexpr int WorkFileVersion = 5;
// The version path should have: DataFileVersion or WorkFileVersion, 0 for other files.
int expectedVersion(const QString &path);

// How long a statement waits for another connection's lock before it fails, in milliseconds.
inline constexpr int BusyTimeoutMs = 5000;

// The first bytes of every SQLite database file.
inline const QByteArray SqliteHeader = QByteArray("SQLite format 3\0", 16);
// Whether the file at path begins as an SQLite database does; read only, never written.
bool startsAsSqlite(const QString &path);

enum class OpenMode {
    ReadOnly,  // never writes
    ReadWrite, // a missing file fails instead of being created
    Create,    // the one mode that makes a missing file: provisioning only
};
// The URI that opens the file at path in that mode; '?', '#' or '%' in a folder name stay
// part of the path.
QString sqliteUri(const QString &path, OpenMode mode);
// A new connection of Qt's SQLite driver under name, set to open path by that URI with the
// given busy timeout; not opened yet.
QSqlDatabase addSqliteConnection(const QString &name, const QString &path, OpenMode mode, int busyTimeoutMs = BusyTimeoutMs);

// A connection of its own on path, for a file the program does not keep open (a backup, a file
// checked or upgraded before the program reads it): work(database) runs on it, and it is closed
// and forgotten afterwards. readOnly opens it "?mode=ro"; a missing file is never created.
// False, with the cause in lastError(), when it could not be opened (work did not run).
bool withOwnConnection(const QString &path, bool readOnly, const std::function<void(const QSqlDatabase &)> &work);

// Why the existing file at path is not one of the program's databases (empty, not SQLite, or,
// for the data and work files, without their tables or of another schema version), found
// without writing a byte; empty when it is one, or when the file cannot be opened at all
// (opening it says why). The data and work connections are never opened on such a file.
QString foreignFileProblem(const QString &path);
// The schema version of the file at path, read without writing; nothing when it cannot be read.
std::optional<int> fileVersion(const QString &path);

// The sqlite3 handle under a connection of Qt's SQLite driver; nullptr for any other.
sqlite3 *sqliteHandle(const QSqlDatabase &database);

} // namespace db
