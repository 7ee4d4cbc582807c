#pragma once
// Why a statement or a file operation failed, as far as the user can act on it, and the
// sentence that tells the user. Every failure of the database layer is recorded here per
// thread (and logged under quillon.sql) for the caller to read after a false.
#include <QString>

#include <functional>

class QSqlError;

namespace db {

// What the last failure on this thread came from.
enum class Failure {
    None,
    InUse,      // another program holds the file (SQLite's busy or locked)
    CannotWrite, // a read-only file, folder or mount, or no room for the journal files
    DiskFull,
    Damaged,    // not a database, or a damaged one
    Exists,     // a file took the name meanwhile, and was left as it is
    Unreachable, // the database server cannot be reached, refused the connection or went away
    Other,
};

// The text of the last failure on this thread, for logs and status lines.
QString lastError();
Failure lastFailure();
// What the user is told of the last failure's cause beyond its kind (why a server could not
// be reached); empty for most.
QString lastCause();
// Records a failure that did not come from a driver (a file system call) as the last one, and logs it.
void noteFailure(const QString &what, Failure failure, const QString &cause = QString());
// A new text for the last failure, whose cause stands (a statement on a connection that did
// not open: the open's cause).
void noteFailureText(const QString &what);
// The same for a failure a driver reported, its cause read from the error.
void noteFailure(const QString &what, const QSqlError &error);

// Told, on the thread that found it, each time the data server is found unreachable (with the
// sentence for the user, as failureText gives it) and once when it is reached again after that
// (with an empty text): the main window keeps its status line by it. One listener; an empty
// function removes it.
void setServerStatusListener(std::function<void(const QString &problem)> listener);
// A connection to the data server was opened.
void noteServerReached();

// SQLite's result code (primary or extended) as a cause.
Failure failureOfSqliteCode(int code);
// The cause of a failure a driver reported.
Failure failureOf(const QSqlError &error);

// The sentence that tells the user about that failure on the file at path: the true cause,
// naming the file or its folder. For the data database on a server (path is db::dataPlace()),
// the sentence names the server, with lastCause() for one that cannot be reached.
QString failureText(Failure failure, const QString &path);

} // namespace db
