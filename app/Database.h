#pragma once
// Access to the data and work databases.
//
// One connection per file and thread, opened on first use and kept (WAL journal, busy
// timeout). Files are opened with mode=rw, so a missing file fails instead of being
// created empty. The data database is that file or a PostgreSQL server (db::dataSource()).
// Rows move between it and the work file only through a Crossing; at other times the work
// file stands alone, so that editing the invoice never waits on a data file that another
// program holds, nor on a server that went away.
//
// Every statement goes through exec(): values are bound, never pasted into SQL text,
// and a failure is logged and reported to the caller.
#include "app/DbFailure.h"
#include "app/SqliteFile.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace db {

// The connection to the data database: the file ModQLNV::DataMdbPath, or the server that
// db::dataSource() names. Not open when the file is missing or unreadable, or the server
// cannot be reached (lastFailure() Unreachable, lastCause() why); a lost connection to the
// server is opened again by the next call.
QSqlDatabase data();
// Whether database is a connection to the server (and not to an SQLite file).
bool isServer(const QSqlDatabase &database);

// A table or column name quoted for either engine: "name", its ASCII letters in lower case,
// which is what the server makes of a name written without quotes (SQLite takes names in any
// case), so that statements may write 白紙TopMargin with or without quotes.
QString identifier(const QString &name);
// A text column as an ORDER BY term that sorts the same on either engine: by the text's
// characters (the server's collation may follow a language) with Null first, as SQLite does.
QString textOrder(const QSqlDatabase &database, const QString &column);
// The connection for ModQLNV::WorkMdbPath.
QSqlDatabase work();
// Opens a file by path with the same rules (mode "rw" or "ro"); used for other files.
QSqlDatabase openFile(const QString &path, bool readOnly = false);

// Closes and forgets every connection of this thread (the locations changed, or the program ends).
void closeAll();
// The same for the connections to one file (it is about to be replaced); the others stay open,
// with the models that read through them.
void closeFile(const QString &path);

// Prepares sql on q's connection, binds values in order and runs it. Logs and returns false on failure.
bool exec(QSqlQuery &q, const QString &sql, const QVariantList &values = {});
// The same for a statement whose result is not read.
bool exec(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {});

// After the last q.next(): true when the rows ended, false (logged like exec()'s failures)
// when reading stopped at an error, such as a damaged page.
bool readToEnd(const QSqlQuery &q);

// Whether database can be written now, found by taking its write lock and letting it go at
// once: None, or what stood in the way (InUse when another program holds the lock).
Failure writeProbe(const QSqlDatabase &database);

// Inside a transaction on database: makes every other connection that would write table wait
// until this transaction ends (readers go on), so that what this one read of it stays true
// until its own writes are committed. A local file's write transaction holds the whole file
// already; the server locks the table. False when the lock was not had within the busy timeout.
bool lockWriters(const QSqlDatabase &database, const QString &table);

// A value for a nullable column: a null QVariant of the right kind for an empty text.
QVariant textOrNull(const QString &text);

// One statement prepared once and run many times with other values: a save writes up to 99
// lines, and preparing each anew costs more than running it. Failures are logged and kept in
// lastError() like exec()'s.
class Statement
{
public:
    Statement(const QSqlDatabase &database, const QString &sql);

    // Binds values in order and runs the statement; false on failure, also when the
    // statement could not be prepared.
    bool run(const QVariantList &values = {});

    // For reading rows and the affected-row count after run().
    QSqlQuery &query() { return m_query; }

private:
    QSqlQuery m_query;
    QString m_sql;
    bool m_prepared = false;
};

// The local data file attached to the work connection as "data" for the life of this object;
// detached again at its end. Only a Crossing makes one, before its transaction on the work
// connection (a file cannot be attached inside a transaction); an inner DataAttached while
// one lives shares its attachment.
class DataAttached
{
public:
    explicit DataAttached(const QSqlDatabase &work);
    ~DataAttached();
    DataAttached(const DataAttached &) = delete;
    DataAttached &operator=(const DataAttached &) = delete;

    // False when the data file is missing, not ours or could not be attached.
    explicit operator bool() const { return m_attached; }

private:
    QSqlDatabase m_work;
    bool m_attached = false;
    bool m_detach = false; // this object made the attachment
};

// For the life of this object a statement on database that finds another program's lock
// fails at once instead of waiting: for writes that can just as well be done later.
class NoWait
{
public:
    explicit NoWait(const QSqlDatabase &database);
    ~NoWait();
    NoWait(const NoWait &) = delete;
    NoWait &operator=(const NoWait &) = delete;

private:
    QSqlDatabase m_db;
};

// A transaction that rolls back unless committed. Every multi-statement write runs in one.
class Transaction
{
public:
    explicit Transaction(const QSqlDatabase &database);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }
    // True when the transaction was committed.
    bool commit();

private:
    QSqlDatabase m_db;
    bool m_active = false;
};

// Rows moving between the data database and the work file, for the life of this object, in one
// transaction on each side; nothing is written on either side unless commit() is called.
// Statements on data tables run on dataSide(), those on work tables on workSide(), and the
// table names are written without a database name (no table of the work file has the name of
// a data table). On the local data file both sides are the work connection with the data file
// attached, in one transaction, and a copy is one INSERT … SELECT; on the server the data side
// is the server connection, and a copy reads the rows on one side and inserts them on the other.
class Crossing
{
public:
    explicit Crossing(const QSqlDatabase &work);
    ~Crossing();
    Crossing(const Crossing &) = delete;
    Crossing &operator=(const Crossing &) = delete;

    // False when a side could not be opened or its transaction not begun.
    explicit operator bool() const { return m_active; }

    const QSqlDatabase &dataSide() const { return m_data; }
    const QSqlDatabase &workSide() const { return m_work; }

    // The rows of select (on data tables) added to columns of workTable, in their order;
    // rows, when given, is set to how many.
    bool toWork(const QString &select, const QVariantList &values, const QString &workTable,
                const QStringList &columns, int *rows = nullptr);
    // The rows of select (on work tables) added to columns of dataTable, in their order.
    bool toData(const QString &select, const QVariantList &values, const QString &dataTable,
                const QStringList &columns, int *rows = nullptr);
    // Runs sql (on data tables; it ends in "IN") with each batch of keys after it as
    // "(?, ?, …)", before values; affected, when given, counts the rows changed.
    bool forKeys(const QString &sql, const QVariantList &keys, int *affected = nullptr);

    // Commits the data side first (what must be kept), then the work side.
    bool commit();

private:
    bool copy(const QSqlDatabase &from, const QString &select, const QVariantList &values,
              const QSqlDatabase &to, const QString &table, const QStringList &columns, int *rows);

    QSqlDatabase m_work;
    QSqlDatabase m_data;
    bool m_active = false;
    bool m_server = false;
    // Destroyed in reverse: the work side rolls back, then the data side, then the data file
    // is detached.
    std::optional<DataAttached> m_attachment;
    std::optional<Transaction> m_dataTx;
    std::optional<Transaction> m_workTx;
};

// The values of the first column of every row of select on database; nothing on failure.
std::optional<QVariantList> columnValues(const QSqlDatabase &database, const QString &select, const QVariantList &values = {});

// Runs select (it ends in "IN") on database with each batch of keys after it as "(?, ?, …)",
// handing every row to take; false on the first failure.
bool readForKeys(const QSqlDatabase &database, const QString &select, const QVariantList &keys,
                 const std::function<void(const QSqlQuery &)> &take);

// Rows given as lists of values added to columns of table, on the server in batches of one
// statement each; onConflict, when given, follows the values ("ON CONFLICT (…) DO UPDATE …", and
// then no two rows may share the key). affected, when given, counts the rows added or changed
// (an update that onConflict's WHERE turns down changes none). False on the first statement
// that fails.
bool insertRows(const QSqlDatabase &database, const QString &table, const QStringList &columns,
                const QList<QVariantList> &rows, const QString &onConflict = {}, int *affected = nullptr);

} // namespace db
