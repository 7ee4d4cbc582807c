#include "app/Database.h"

#include "app/DataSource.h"
#include "app/Locations.h"
#include "app/ServerConnection.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <QThreadStorage>

#include <sqlite3.h>

#include <charconv>
#include <vector>

namespace db {

namespace {

// Names of this thread's connections, to close them all together.
QThreadStorage<QStringList> t_connections;

// A statement on a connection that did not open: the failure of the open still stands.
void noteNotOpen(const QString &sql)
{
    noteFailureText(QStringLiteral("database not open [%1]").arg(sql));
}

bool isServerDriver(const QSqlDriver *driver)
{
    return driver && driver->dbmsType() == QSqlDriver::PostgreSQL;
}

// A failure of a statement on driver's connection: on the server, a connection that was lost
// is Unreachable whatever the statement said.
void noteStatementFailure(const QString &what, const QSqlDriver *driver, const QSqlError &error)
{
    if (!isServerDriver(driver)) {
        noteFailure(what, error);
        return;
    }
    if (serverConnectionLost(driver)) {
        noteFailure(what, Failure::Unreachable,
                    QStringLiteral("接続が切れました（サーバーが止まったか、ネットワークが切れた可能性があります）。"));
        return;
    }
    const Failure failure = failureOfServerState(error.nativeErrorCode());
    noteFailure(what, failure, failure == Failure::Unreachable ? QStringLiteral("サーバーが接続を終えました。") : QString());
}

void noteStatementFailure(const QString &what, const QSqlQuery &q)
{
    noteStatementFailure(what, q.driver(), q.lastError());
}

QString connectionName(const QString &path, bool readOnly)
{
    return QStringLiteral("quillon:%1:%2:%3")
        .arg(quintptr(QThread::currentThreadId()))
        .arg(readOnly ? QStringLiteral("ro") : QStringLiteral("rw"), path);
}

// The page cache of each connection, in KiB (negative: a size, not a page count).
constexpr int CacheKiB = -16384;

QSqlDatabase connectionFor(const QString &path, bool readOnly)
{
    const QString name = connectionName(path, readOnly);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase existing = QSqlDatabase::database(name, false);
        if (existing.isOpen())
            return existing;
    }
    // A file that is not ours is never opened for writing: even reading an empty file on a
    // writing connection makes its first transaction write a header into it.
    if (!readOnly && expectedVersion(path) != 0 && QFileInfo::exists(path)) {
        if (const QString problem = foreignFileProblem(path); !problem.isEmpty()) {
            noteFailure(QStringLiteral("not opening %1: %2").arg(path, problem), Failure::Damaged);
            return {};
        }
    }
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase existing = QSqlDatabase::database(name, false);
        // A file that was missing earlier may be there now: try again.
        if (existing.open())
            return existing;
        noteFailure(QStringLiteral("cannot open %1: %2").arg(path, existing.lastError().text()), existing.lastError());
        return existing;
    }
    QSqlDatabase database = addSqliteConnection(name, path, readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    QStringList names = t_connections.localData();
    names << name;
    t_connections.setLocalData(names);
    if (path.isEmpty() || !database.open()) {
        noteFailure(QStringLiteral("cannot open %1: %2").arg(path, database.lastError().text()), database.lastError());
        return database;
    }
    QSqlQuery pragma(database);
    pragma.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    // A master of some ten thousand rows copied into its edit copy spills SQLite's default
    // page cache of 2 MB, and the copy then costs half again as long.
    pragma.exec(QStringLiteral("PRAGMA cache_size = %1").arg(CacheKiB));
    return database;
}

} // namespace

QSqlDatabase openFile(const QString &path, bool readOnly)
{
    return connectionFor(path, readOnly);
}

namespace {

QString serverConnectionName()
{
    return QStringLiteral("quillon:%1:server").arg(quintptr(QThread::currentThreadId()));
}

// This thread's connection to the data database on the server: opened on first use, and
// opened again when it was lost, so that the next action after a server came back works.
QSqlDatabase serverConnection(const ServerAddress &address)
{
    const QString name = serverConnectionName();
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase existing = QSqlDatabase::database(name, false);
        if (existing.hostName() == address.host && existing.port() == address.port
            && existing.databaseName() == address.database && existing.userName() == address.user) {
            if (existing.isOpen() && !serverConnectionLost(existing.driver()))
                return existing;
            existing.close();
            if (openServerConnection(existing, address))
                noteServerReached();
            return existing;
        }
        // The data was moved to another server: the old connection goes.
        existing.close();
        existing = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    } else {
        QStringList names = t_connections.localData();
        names << name;
        t_connections.setLocalData(names);
    }
    QSqlDatabase database = addServerConnection(name, address);
    if (openServerConnection(database, address))
        noteServerReached();
    return database;
}

} // namespace

QSqlDatabase data()
{
    const DataSource source = dataSource();
    if (!source.problem.isEmpty()) {
        noteFailure(QStringLiteral("no data database: %1").arg(source.problem), Failure::Unreachable, source.problem);
        return {};
    }
    if (source.isServer())
        return serverConnection(*source.server);
    return connectionFor(ModQLNV::DataMdbPath, false);
}

bool isServer(const QSqlDatabase &database)
{
    return isServerDriver(database.driver());
}

QString identifier(const QString &name)
{
    QString folded = name;
    for (QChar &c : folded)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return u'"' + folded + u'"';
}

QString textOrder(const QSqlDatabase &database, const QString &column)
{
    return isServer(database) ? column + QStringLiteral(R"( COLLATE "C" NULLS FIRST)") : column;
}

QSqlDatabase work()
{
    return connectionFor(ModQLNV::WorkMdbPath, false);
}

// How many DataAttached live on this thread: the outermost attaches and detaches.
QThreadStorage<int> t_attachDepth;

DataAttached::DataAttached(const QSqlDatabase &work)
    : m_work(work)
{
    if (t_attachDepth.localData() > 0) {
        m_attached = true;
        t_attachDepth.setLocalData(t_attachDepth.localData() + 1);
        return;
    }
    QSqlQuery q(m_work);
    if (!exec(q, QStringLiteral("SELECT 1 FROM pragma_database_list WHERE name = 'data'")))
        return;
    // Still attached when a detach failed: this scope takes it over and detaches it.
    const bool attached = q.next();
    q.finish();
    if (!attached) {
        if (!QFileInfo::exists(ModQLNV::DataMdbPath)) {
            noteFailure(QStringLiteral("cannot attach %1: no such file").arg(ModQLNV::DataMdbPath), Failure::CannotWrite);
            return;
        }
        if (const QString problem = foreignFileProblem(ModQLNV::DataMdbPath); !problem.isEmpty()) {
            noteFailure(QStringLiteral("not attaching %1: %2").arg(ModQLNV::DataMdbPath, problem), Failure::Damaged);
            return;
        }
        if (!exec(q, QStringLiteral("ATTACH DATABASE ? AS data"), {sqliteUri(ModQLNV::DataMdbPath, OpenMode::ReadWrite)}))
            return;
        q.exec(QStringLiteral("PRAGMA data.cache_size = %1").arg(CacheKiB));
    }
    m_attached = m_detach = true;
    t_attachDepth.setLocalData(1);
}

DataAttached::~DataAttached()
{
    if (!m_attached)
        return;
    t_attachDepth.setLocalData(t_attachDepth.localData() - 1);
    if (m_detach)
        exec(m_work, QStringLiteral("DETACH DATABASE data"));
}

namespace {

void closeConnections(const QStringList &names)
{
    QStringList kept = t_connections.localData();
    for (const QString &name : names) {
        {
            QSqlDatabase database = QSqlDatabase::database(name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(name);
        kept.removeAll(name);
    }
    t_connections.setLocalData(kept);
}

} // namespace

void closeAll()
{
    closeConnections(t_connections.localData());
}

void closeFile(const QString &path)
{
    QStringList names;
    if (path == dataPlace() && t_connections.localData().contains(serverConnectionName()))
        names << serverConnectionName();
    for (const bool readOnly : {false, true})
        if (t_connections.localData().contains(connectionName(path, readOnly)))
            names << connectionName(path, readOnly);
    closeConnections(names);
}

namespace {

// A value as the engine takes it: the server's integer columns take no true or false.
QVariant bindable(const QVariant &value, const QSqlDriver *driver)
{
    if (value.typeId() == QMetaType::Bool && isServerDriver(driver))
        return value.isNull() ? QVariant(QMetaType::fromType<int>()) : QVariant(value.toBool() ? 1 : 0);
    return value;
}

} // namespace

bool exec(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    // The server prepares only statements that read or change rows; the others (BEGIN, SET,
    // LOCK, CREATE …) run as they are, and so does any statement without values.
    if (values.isEmpty() && isServerDriver(q.driver())) {
        if (!q.exec(sql)) {
            noteStatementFailure(QStringLiteral("statement failed: %1 [%2]").arg(q.lastError().text(), sql), q);
            return false;
        }
        return true;
    }
    if (!q.prepare(sql)) {
        noteStatementFailure(QStringLiteral("prepare failed: %1 [%2]").arg(q.lastError().text(), sql), q);
        return false;
    }
    for (const QVariant &v : values)
        q.addBindValue(bindable(v, q.driver()));
    if (!q.exec()) {
        noteStatementFailure(QStringLiteral("statement failed: %1 [%2]").arg(q.lastError().text(), sql), q);
        return false;
    }
    return true;
}

bool exec(const QSqlDatabase &database, const QString &sql, const QVariantList &values)
{
    if (!database.isOpen()) {
        noteNotOpen(sql);
        return false;
    }
    QSqlQuery q(database);
    return exec(q, sql, values);
}

bool readToEnd(const QSqlQuery &q)
{
    if (!q.lastError().isValid())
        return true;
    noteStatementFailure(QStringLiteral("reading failed: %1 [%2]").arg(q.lastError().text(), q.lastQuery()), q);
    return false;
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

Statement::Statement(const QSqlDatabase &database, const QString &sql)
    : m_query(database)
    , m_sql(sql)
{
    if (!database.isOpen()) {
        noteNotOpen(sql);
        return;
    }
    m_prepared = m_query.prepare(sql);
    if (!m_prepared)
        noteStatementFailure(QStringLiteral("prepare failed: %1 [%2]").arg(m_query.lastError().text(), sql), m_query);
}

bool Statement::run(const QVariantList &values)
{
    if (!m_prepared)
        return false;
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, bindable(values.at(i), m_query.driver()));
    if (!m_query.exec()) {
        noteStatementFailure(QStringLiteral("statement failed: %1 [%2]").arg(m_query.lastError().text(), m_sql), m_query);
        return false;
    }
    return true;
}

Failure writeProbe(const QSqlDatabase &database)
{
    NoWait noWait(database);
    Transaction probe(database);
    if (!probe.isActive())
        return lastFailure();
    // On the server a transaction always begins: the lock a write takes says whether this
    // user may write (and the server is not read-only).
    if (isServer(database) && !exec(database, QStringLiteral(R"(LOCK TABLE "自社情報" IN ROW EXCLUSIVE MODE NOWAIT)")))
        return lastFailure();
    return Failure::None;
}

bool lockWriters(const QSqlDatabase &database, const QString &table)
{
    return !isServer(database) || exec(database, QStringLiteral("LOCK TABLE %1 IN EXCLUSIVE MODE").arg(identifier(table)));
}

NoWait::NoWait(const QSqlDatabase &database)
    : m_db(database)
{
    if (!m_db.isOpen())
        return;
    QSqlQuery(m_db).exec(isServer(m_db) ? QStringLiteral("SET lock_timeout = 1") : QStringLiteral("PRAGMA busy_timeout = 0"));
}

NoWait::~NoWait()
{
    if (!m_db.isOpen())
        return;
    QSqlQuery(m_db).exec(isServer(m_db) ? QStringLiteral("SET lock_timeout = %1").arg(BusyTimeoutMs)
                                        : QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));
}

Transaction::Transaction(const QSqlDatabase &database)
    : m_db(database)
{
    // IMMEDIATE takes the write lock at once, so two writers never deadlock half-way. The
    // server locks rows and tables as the statements reach them.
    m_active = exec(m_db, isServer(m_db) ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (m_active)
        exec(m_db, QStringLiteral("ROLLBACK"));
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    if (!exec(m_db, QStringLiteral("COMMIT")))
        return false; // still active: the destructor rolls back
    m_active = false;
    return true;
}

namespace {

QString quotedColumns(const QStringList &columns)
{
    QStringList quoted;
    for (const QString &column : columns)
        quoted << identifier(column);
    return quoted.join(QStringLiteral(", "));
}

QString placeholders(qsizetype count)
{
    QString out;
    out.reserve(count * 3);
    for (qsizetype i = 0; i < count; ++i)
        out += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    return out;
}

// Bound values per statement of a batch: SQLite's oldest limit is 999.
constexpr qsizetype MaxValuesPerStatement = 999;
// Keys in one IN list.
constexpr qsizetype KeysPerStatement = 500;

} // namespace

std::optional<QVariantList> columnValues(const QSqlDatabase &database, const QString &select, const QVariantList &values)
{
    QSqlQuery q(database);
    q.setForwardOnly(true);
    if (!database.isOpen()) {
        noteNotOpen(select);
        return std::nullopt;
    }
    if (!exec(q, select, values))
        return std::nullopt;
    QVariantList out;
    while (q.next())
        out << q.value(0);
    if (!readToEnd(q))
        return std::nullopt;
    return out;
}

bool readForKeys(const QSqlDatabase &database, const QString &select, const QVariantList &keys,
                 const std::function<void(const QSqlQuery &)> &take)
{
    for (qsizetype start = 0; start < keys.size(); start += KeysPerStatement) {
        const QVariantList batch = keys.mid(start, KeysPerStatement);
        QSqlQuery q(database);
        q.setForwardOnly(true);
        if (!exec(q, select + QStringLiteral(" (") + placeholders(batch.size()) + u')', batch))
            return false;
        while (q.next())
            take(q);
        if (!readToEnd(q))
            return false;
    }
    return true;
}

bool insertRows(const QSqlDatabase &database, const QString &table, const QStringList &columns,
                const QList<QVariantList> &rows, const QString &onConflict, int *affected)
{
    int changed = 0;
    if (affected)
        *affected = 0;
    if (rows.isEmpty())
        return true;
    const qsizetype perBatch = std::max<qsizetype>(1, MaxValuesPerStatement / std::max<qsizetype>(1, columns.size()));
    const QString head = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(identifier(table), quotedColumns(columns));
    const QString row = u'(' + placeholders(columns.size()) + u')';
    const auto statementFor = [&](qsizetype count) {
        QStringList tuples(count, row);
        return head + tuples.join(QStringLiteral(", ")) + (onConflict.isEmpty() ? QString() : u' ' + onConflict);
    };
    const auto run = [&](Statement &statement, const QVariantList &values) {
        if (!statement.run(values))
            return false;
        changed += std::max(0, statement.query().numRowsAffected());
        return true;
    };
    // SQLite runs a statement without a round trip: one prepared row, run for each, costs less
    // than binding many rows' values at once. The server gets them in batches.
    if (!isServer(database)) {
        Statement one(database, statementFor(1));
        for (const QVariantList &values : rows)
            if (!run(one, values))
                return false;
    } else {
        std::optional<Statement> full;
        for (qsizetype start = 0; start < rows.size(); start += perBatch) {
            const qsizetype count = std::min(perBatch, rows.size() - start);
            QVariantList values;
            values.reserve(count * columns.size());
            for (qsizetype i = start; i < start + count; ++i)
                values += rows.at(i);
            if (count < perBatch) {
                Statement last(database, statementFor(count));
                if (!run(last, values))
                    return false;
                continue;
            }
            if (!full)
                full.emplace(database, statementFor(count));
            if (!run(*full, values))
                return false;
        }
    }
    if (affected)
        *affected = changed;
    return true;
}

namespace {

// The server's rows into table of the SQLite connection handle, one prepared statement stepped
// per row by the library itself, the values going from libpq's texts to SQLite as they are
// (integers and reals as numbers): through Qt's drivers, a QVariant made and bound for every
// value cost more than the insert (a history of 100,000 invoices).
bool copyIntoSqlite(const ServerRows &from, sqlite3 *handle, const QString &table, const QStringList &columns, int *rows)
{
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(identifier(table), quotedColumns(columns), placeholders(columns.size()));
    if (from.columnCount() != columns.size()) {
        noteFailureText(QStringLiteral("%1 columns read for %2 [%3]").arg(from.columnCount()).arg(columns.size()).arg(sql));
        return false;
    }
    std::vector<ServerRows::Kind> kinds;
    for (int c = 0; c < columns.size(); ++c)
        kinds.push_back(from.kind(c));
    const auto bind = [&](sqlite3_stmt *statement, int row, int c) {
        if (from.isNull(row, c))
            return sqlite3_bind_null(statement, c + 1);
        const std::string_view text = from.text(row, c);
        switch (kinds[c]) {
        case ServerRows::Kind::Integer: {
            sqlite3_int64 n = 0;
            if (std::from_chars(text.data(), text.data() + text.size(), n).ec == std::errc())
                return sqlite3_bind_int64(statement, c + 1, n);
            break;
        }
        case ServerRows::Kind::Real: {
            double x = 0;
            if (std::from_chars(text.data(), text.data() + text.size(), x).ec == std::errc())
                return sqlite3_bind_double(statement, c + 1, x);
            break;
        }
        case ServerRows::Kind::Text:
            break;
        }
        return sqlite3_bind_text(statement, c + 1, text.data(), int(text.size()), SQLITE_STATIC);
    };
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare16_v2(handle, sql.utf16(), int(sql.size() * sizeof(char16_t)), &statement, nullptr);
    for (int row = 0; row < from.rowCount() && rc == SQLITE_OK; ++row) {
        for (int c = 0; c < columns.size() && rc == SQLITE_OK; ++c)
            rc = bind(statement, row, c);
        if (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_DONE)
            rc = sqlite3_reset(statement);
    }
    const QString problem = QString::fromUtf8(sqlite3_errmsg(handle));
    sqlite3_finalize(statement);
    if (rc != SQLITE_OK) {
        noteFailure(QStringLiteral("statement failed: %1 [%2]").arg(problem, sql), failureOfSqliteCode(rc));
        return false;
    }
    if (rows)
        *rows = from.rowCount();
    return true;
}

} // namespace

Crossing::Crossing(const QSqlDatabase &work)
    : m_work(work)
{
    m_server = dataSource().isServer() || !dataSource().problem.isEmpty();
    if (!m_server) {
        m_attachment.emplace(m_work);
        if (!*m_attachment)
            return;
        m_data = m_work;
    } else {
        m_data = data();
        if (!m_data.isOpen())
            return;
        m_dataTx.emplace(m_data);
        if (!m_dataTx->isActive())
            return;
    }
    m_workTx.emplace(m_work);
    m_active = m_workTx->isActive();
}

Crossing::~Crossing() = default;

bool Crossing::copy(const QSqlDatabase &from, const QString &select, const QVariantList &values,
                    const QSqlDatabase &to, const QString &table, const QStringList &columns, int *rows)
{
    if (!m_active)
        return false;
    if (!m_server) {
        QSqlQuery q(m_work);
        if (!exec(q, QStringLiteral("INSERT INTO %1 (%2) ").arg(identifier(table), quotedColumns(columns)) + select, values))
            return false;
        if (rows)
            *rows = q.numRowsAffected();
        return true;
    }
    if (sqlite3 *handle = sqliteHandle(to)) {
        const ServerRows read(from, select, values);
        if (!read.ok()) {
            noteStatementFailure(QStringLiteral("statement failed: %1 [%2]").arg(read.error().text(), select), from.driver(),
                                 read.error());
            return false;
        }
        return copyIntoSqlite(read, handle, table, columns, rows);
    }
    QSqlQuery q(from);
    q.setForwardOnly(true);
    if (!exec(q, select, values))
        return false;
    const qsizetype perBatch = std::max<qsizetype>(1, MaxValuesPerStatement / std::max<qsizetype>(1, columns.size()));
    QList<QVariantList> batch;
    int copied = 0;
    const auto flush = [&] {
        const bool ok = insertRows(to, table, columns, batch);
        copied += int(batch.size());
        batch.clear();
        return ok;
    };
    while (q.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int c = 0; c < columns.size(); ++c)
            row << q.value(c);
        batch << row;
        if (batch.size() == perBatch && !flush())
            return false;
    }
    if (!readToEnd(q) || !flush())
        return false;
    if (rows)
        *rows = copied;
    return true;
}

bool Crossing::toWork(const QString &select, const QVariantList &values, const QString &workTable,
                      const QStringList &columns, int *rows)
{
    return copy(m_data, select, values, m_work, workTable, columns, rows);
}

bool Crossing::toData(const QString &select, const QVariantList &values, const QString &dataTable,
                      const QStringList &columns, int *rows)
{
    return copy(m_work, select, values, m_data, dataTable, columns, rows);
}

bool Crossing::forKeys(const QString &sql, const QVariantList &keys, int *affected)
{
    if (!m_active)
        return false;
    int changed = 0;
    for (qsizetype start = 0; start < keys.size(); start += KeysPerStatement) {
        const QVariantList batch = keys.mid(start, KeysPerStatement);
        QSqlQuery q(m_data);
        if (!exec(q, sql + QStringLiteral(" (") + placeholders(batch.size()) + u')', batch))
            return false;
        changed += q.numRowsAffected();
    }
    if (affected)
        *affected = changed;
    return true;
}

bool Crossing::commit()
{
    if (!m_active)
        return false;
    if (m_dataTx && !m_dataTx->commit())
        return false;
    m_active = false;
    return m_workTx->commit();
}

} // namespace db
