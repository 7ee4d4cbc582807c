#pragma once
// The data files of linked applications, read and never written: SQLite files (opened
// read-only on a connection of their own, closed after the read) and Access (Jet 3 / Jet 4)
// files (read by the reader program quillon-mdbread in a child process with a time limit and
// bounds on what it prints, since a damaged file can make the Access library hang or loop).
// The kind of a file is told from its first bytes, not from its name.
//
// A table is read by column names: a column the table lacks comes back Null in every row and
// is named in missingColumns, so that an import can fill what it has and say what it lacked.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

namespace linkfile {

enum class Kind {
    Missing, // no such path
    Folder,  // a folder, not a file
    Empty,   // zero bytes
    SQLite,  // "SQLite format 3\0"
    Jet3,    // Access 97 and older
    Jet4,    // Access 2000 to 2003
    Ace,     // Access 2007 and later (.accdb): not read
    Unknown, // anything else (a text file named .mdb, a truncated header)
};

// From the first bytes (and, for Jet, whether the size is a whole number of pages).
Kind kindOf(const QString &path);

// What the user is told about a file that cannot be read ("データベースではありません" ...);
// empty for the kinds that can be read.
QString problemOf(Kind kind);

struct TableData {
    bool tableFound = false;     // false: the file has no such table (rows empty)
    QStringList missingColumns;  // asked for but not in the table
    QList<QVariantList> rows;    // one value per asked column, in the order asked; Null for none
};

enum class ReadStatus {
    Read,      // data holds the table as the file has it
    Cancelled, // the progress callback said stop
    Failed,    // problem says why, in plain Japanese
};

struct ReadOutcome {
    ReadStatus status = ReadStatus::Failed;
    QString problem;
    TableData data;
};

// Called now and then while rows come in, with the rows read and the rows the table says it
// has (0 when unknown). Returning false cancels the read.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Values: text as QString, whole numbers as qint64, other numbers (currency too) as double,
// yes/no as qint64 0/1, dates as QDate or QDateTime; Null as a null QVariant.
ReadOutcome readTable(const QString &path, const QString &table, const QStringList &columns,
                      const Progress &progress = {});

// The Jet half (LinkedFileJet.cpp): the reader program in a child process.
ReadOutcome readJetTable(const QString &path, Kind kind, const QString &table, const QStringList &columns,
                         const Progress &progress);

// Where the reader program is looked for: beside the running program, unless a path was set
// (tests point it at a stand-in that never answers). An empty path restores the default.
void setReaderProgram(const QString &path);
QString readerProgram();

// How long the reader may stay silent before it is stopped and the file reported unreadable.
void setReaderTimeLimit(int milliseconds);
int readerTimeLimit();

} // namespace linkfile
