#include "app/Database.h"

#include "app/Locations.h"

#include <QFileInfo>
#include <QSqlError>
#include <QThread>
#include <QThreadStorage>

namespace db {

namespace {

// Names of this thread's connections, to close them all together.
QThreadStorage<QStringList> t_connections;

// A statement on a connection that did not open: the failure of the open still stands.
void noteNotOpen(const QString &sql)
{
    noteFailureText(QStringLiteral("database not open [%1]").arg(sql));
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

QSqlDatabase data()
{
    return connectionFor(ModQLNV::DataMdbPath, false);
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
    for (const bool readOnly : {false, true})
        if (t_connections.localData().contains(connectionName(path, readOnly)))
            names << connectionName(path, readOnly);
    closeConnections(names);
}

bool exec(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    if (!q.prepare(sql)) {
        noteFailure(QStringLiteral("prepare failed: %1 [%2]").arg(q.lastError().text(), sql), q.lastError());
        return false;
    }
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        noteFailure(QStringLiteral("statement failed: %1 [%2]").arg(q.lastError().text(), sql), q.lastError());
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
    noteFailure(QStringLiteral("reading failed: %1 [%2]").arg(q.lastError().text(), q.lastQuery()), q.lastError());
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
        noteFailure(QStringLiteral("prepare failed: %1 [%2]").arg(m_query.lastError().text(), sql), m_query.lastError());
}

bool Statement::run(const QVariantList &values)
{
    if (!m_prepared)
        return false;
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values.at(i));
    if (!m_query.exec()) {
        noteFailure(QStringLiteral("statement failed: %1 [%2]").arg(m_query.lastError().text(), m_sql), m_query.lastError());
        return false;
    }
    return true;
}

Failure writeProbe(const QSqlDatabase &database)
{
    NoWait noWait(database);
    Transaction probe(database);
    return probe.isActive() ? Failure::None : lastFailure();
}

NoWait::NoWait(const QSqlDatabase &database)
    : m_db(database)
{
    if (m_db.isOpen())
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = 0"));
}

NoWait::~NoWait()
{
    if (m_db.isOpen())
        QSqlQuery(m_db).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));
}

Transaction::Transaction(const QSqlDatabase &database)
    : m_db(database)
{
    // IMMEDIATE takes the write lock at once, so two writers never deadlock half-way.
    m_active = exec(m_db, QStringLiteral("BEGIN IMMEDIATE"));
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

} // namespace db
