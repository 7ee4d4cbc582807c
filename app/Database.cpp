#include "app/Database.h"

#include "app/Locations.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlError>
#include <QThread>
#include <QThreadStorage>
#include <QUrl>

Q_LOGGING_CATEGORY(lcSql, "quillon.sql")

namespace db {

namespace {

QThreadStorage<QString> t_lastError;
// Names of this thread's connections, to close them all together.
QThreadStorage<QStringList> t_connections;

QString uriFor(const QString &path, bool readOnly)
{
    // Percent-encode the path, so that '?', '#' or '%' in a folder name stay part of it.
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return QStringLiteral("file:") + QString::fromLatin1(encoded)
        + (readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
}

void noteError(const QString &what)
{
    t_lastError.setLocalData(what);
    qCWarning(lcSql).noquote() << what;
}

QString connectionName(const QString &path, bool readOnly)
{
    return QStringLiteral("quillon:%1:%2:%3")
        .arg(quintptr(QThread::currentThreadId()))
        .arg(readOnly ? QStringLiteral("ro") : QStringLiteral("rw"), path);
}

// The page cache of each connection, in KiB (negative: a size, not a page count).
constexpr int CacheKiB = -16384;

// The table every file of that kind has, to tell our data and work files from others.
QString tableOf(const QString &path)
{
    if (path == ModQLNV::DataMdbPath)
        return QStringLiteral("自社情報");
    if (path == ModQLNV::WorkMdbPath)
        return QStringLiteral("w明細");
    return {};
}

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
    if (!readOnly && !tableOf(path).isEmpty() && QFileInfo::exists(path)) {
        if (const QString problem = foreignFileProblem(path); !problem.isEmpty()) {
            noteError(QStringLiteral("not opening %1: %2").arg(path, problem));
            return {};
        }
    }
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase existing = QSqlDatabase::database(name, false);
        // A file that was missing earlier may be there now: try again.
        if (existing.open())
            return existing;
        noteError(QStringLiteral("cannot open %1: %2").arg(path, existing.lastError().text()));
        return existing;
    }
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QStringList names = t_connections.localData();
    names << name;
    t_connections.setLocalData(names);
    database.setDatabaseName(uriFor(path, readOnly));
    database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (path.isEmpty() || !database.open()) {
        noteError(QStringLiteral("cannot open %1: %2").arg(path, database.lastError().text()));
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

QString foreignFileProblem(const QString &path)
{
    const QString table = tableOf(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};   // missing or unreadable: the caller's open says so
    if (file.size() == 0)
        return QStringLiteral("空のファイルです");
    if (file.read(16) != QByteArray("SQLite format 3\0", 16))
        return QStringLiteral("SQLite のファイルではありません");
    file.close();
    const QString name = QStringLiteral("quillon-check:%1").arg(path);
    QString problem;
    {
        QSqlDatabase check = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        check.setDatabaseName(uriFor(path, true));
        check.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        if (check.open()) {
            QSqlQuery q(check);
            // A failed prepare fails the exec too.
            q.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"));
            q.addBindValue(table);
            if (!q.exec())
                problem = QStringLiteral("読めません（%1）").arg(q.lastError().text());
            else if (!table.isEmpty() && (!q.next() || q.value(0).toInt() == 0))
                problem = QStringLiteral("このプログラムの表がありません");
        }
        check.close();
    }
    QSqlDatabase::removeDatabase(name);
    return problem;
}

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
    QSqlDatabase database = connectionFor(ModQLNV::WorkMdbPath, false);
    if (!database.isOpen())
        return database;
    // Attach the data file once; retried on later calls while it is missing.
    QSqlQuery q(database);
    if (!exec(q, QStringLiteral("SELECT 1 FROM pragma_database_list WHERE name = 'data'")))
        return database;
    if (!q.next() && QFileInfo::exists(ModQLNV::DataMdbPath)
        && foreignFileProblem(ModQLNV::DataMdbPath).isEmpty()) {
        QSqlQuery attach(database);
        if (exec(attach, QStringLiteral("ATTACH DATABASE ? AS data"), {uriFor(ModQLNV::DataMdbPath, false)}))
            attach.exec(QStringLiteral("PRAGMA data.cache_size = %1").arg(CacheKiB));
    }
    return database;
}

void closeAll()
{
    const QStringList names = t_connections.localData();
    for (const QString &name : names) {
        {
            QSqlDatabase database = QSqlDatabase::database(name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    t_connections.setLocalData({});
}

bool exec(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    if (!q.prepare(sql)) {
        noteError(QStringLiteral("prepare failed: %1 [%2]").arg(q.lastError().text(), sql));
        return false;
    }
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        noteError(QStringLiteral("statement failed: %1 [%2]").arg(q.lastError().text(), sql));
        return false;
    }
    return true;
}

bool exec(const QSqlDatabase &database, const QString &sql, const QVariantList &values)
{
    if (!database.isOpen()) {
        noteError(QStringLiteral("database not open [%1]").arg(sql));
        return false;
    }
    QSqlQuery q(database);
    return exec(q, sql, values);
}

QString lastError()
{
    return t_lastError.localData();
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
        noteError(QStringLiteral("database not open [%1]").arg(sql));
        return;
    }
    m_prepared = m_query.prepare(sql);
    if (!m_prepared)
        noteError(QStringLiteral("prepare failed: %1 [%2]").arg(m_query.lastError().text(), sql));
}

bool Statement::run(const QVariantList &values)
{
    if (!m_prepared)
        return false;
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values.at(i));
    if (!m_query.exec()) {
        noteError(QStringLiteral("statement failed: %1 [%2]").arg(m_query.lastError().text(), m_sql));
        return false;
    }
    return true;
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
