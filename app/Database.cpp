#include "app/Database.h"

#include "app/Locations.h"
#include "app/SafeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlDriver>
#include <QSqlError>
#include <QStorageInfo>
#include <QThread>
#include <QThreadStorage>
#include <QUrl>
#include <QUuid>

#include <sqlite3.h>

Q_LOGGING_CATEGORY(lcSql, "quillon.sql")

namespace db {

namespace {

QThreadStorage<QString> t_lastError;
QThreadStorage<Failure> t_lastFailure;
// Names of this thread's connections, to close them all together.
QThreadStorage<QStringList> t_connections;

QString uriFor(const QString &path, bool readOnly)
{
    // Percent-encode the path, so that '?', '#' or '%' in a folder name stay part of it.
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return QStringLiteral("file:") + QString::fromLatin1(encoded)
        + (readOnly ? QStringLiteral("?mode=ro") : QStringLiteral("?mode=rw"));
}

// SQLite's result code (primary or extended) as a cause.
Failure failureOfCode(int code)
{
    switch (code & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return Failure::InUse;
    case 3:  // SQLITE_PERM
    case 8:  // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN
        return Failure::CannotWrite;
    case 13: // SQLITE_FULL
        return Failure::DiskFull;
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return Failure::Damaged;
    case 10: // SQLITE_IOERR: the shared-memory file that could not be made or grown
        switch (code >> 8) {
        case 18: // SHMOPEN
        case 19: // SHMSIZE
        case 21: // SHMMAP
            return Failure::CannotWrite;
        default:
            return Failure::Other;
        }
    default:
        return Failure::Other;
    }
}

// The same for a failure the driver reports, with the code it carries.
Failure failureOf(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    if (!ok)
        return error.isValid() ? Failure::Other : Failure::None;
    return failureOfCode(code);
}

void noteError(const QString &what, Failure failure)
{
    t_lastError.setLocalData(what);
    t_lastFailure.setLocalData(failure);
    qCWarning(lcSql).noquote() << what;
}

void noteError(const QString &what, const QSqlError &error)
{
    noteError(what, failureOf(error));
}

// A statement on a connection that did not open: the failure of the open still stands.
void noteNotOpen(const QString &sql)
{
    const QString what = QStringLiteral("database not open [%1]").arg(sql);
    t_lastError.setLocalData(what);
    qCWarning(lcSql).noquote() << what;
}

QString connectionName(const QString &path, bool readOnly)
{
    return QStringLiteral("quillon:%1:%2:%3")
        .arg(quintptr(QThread::currentThreadId()))
        .arg(readOnly ? QStringLiteral("ro") : QStringLiteral("rw"), path);
}

// How long a statement waits for another connection's lock before it fails, in milliseconds.
constexpr int BusyTimeoutMs = 5000;

// Less free space than this on the disk of a file that failed counts as a full disk: a
// write needs room for a few pages of the file and its journal.
constexpr qint64 MinimumFreeBytes = 64 * 1024;

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
            noteError(QStringLiteral("not opening %1: %2").arg(path, problem), Failure::Damaged);
            return {};
        }
    }
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase existing = QSqlDatabase::database(name, false);
        // A file that was missing earlier may be there now: try again.
        if (existing.open())
            return existing;
        noteError(QStringLiteral("cannot open %1: %2").arg(path, existing.lastError().text()), existing.lastError());
        return existing;
    }
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QStringList names = t_connections.localData();
    names << name;
    t_connections.setLocalData(names);
    database.setDatabaseName(uriFor(path, readOnly));
    database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (path.isEmpty() || !database.open()) {
        noteError(QStringLiteral("cannot open %1: %2").arg(path, database.lastError().text()), database.lastError());
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

int expectedVersion(const QString &path)
{
    if (path == ModQLNV::DataMdbPath)
        return DataFileVersion;
    if (path == ModQLNV::WorkMdbPath)
        return WorkFileVersion;
    return 0;
}

bool withOwnConnection(const QString &path, bool readOnly, const std::function<void(const QSqlDatabase &)> &work)
{
    const QString name = QStringLiteral("quillon-own:") + QUuid::createUuid().toString();
    bool opened = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        database.setDatabaseName(uriFor(path, readOnly));
        database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        opened = database.open();
        if (opened)
            work(database);
        else
            noteError(QStringLiteral("cannot open %1: %2").arg(path, database.lastError().text()), database.lastError());
        database.close();
    }
    QSqlDatabase::removeDatabase(name);
    return opened;
}

std::optional<int> fileVersion(const QString &path)
{
    std::optional<int> version;
    withOwnConnection(path, true, [&](const QSqlDatabase &database) {
        QSqlQuery q(database);
        if (q.exec(QStringLiteral("PRAGMA user_version")) && q.next())
            version = q.value(0).toInt();
    });
    return version;
}

bool startsAsSqlite(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(SqliteHeader.size()) == SqliteHeader;
}

QString foreignFileProblem(const QString &path)
{
    const QString table = tableOf(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};   // missing or unreadable: the caller's open says so
    if (file.size() == 0)
        return QStringLiteral("空のファイルです");
    if (file.read(SqliteHeader.size()) != SqliteHeader)
        return QStringLiteral("SQLite のファイルではありません");
    file.close();
    QString problem;
    withOwnConnection(path, true, [&](const QSqlDatabase &database) {
        QSqlQuery q(database);
        bool read = q.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?"));
        if (read) {
            q.addBindValue(table);
            read = q.exec();
        }
        // Only a file that SQLite finds damaged is not ours; one that cannot be read here
        // (a read-only folder without its shared-memory file, say) is for the caller's
        // open to explain.
        if (!read) {
            if (failureOf(q.lastError()) == Failure::Damaged)
                problem = QStringLiteral("読めません（%1）").arg(q.lastError().text());
            return;
        }
        if (table.isEmpty())
            return;
        if (!q.next() || q.value(0).toInt() == 0) {
            problem = QStringLiteral("このプログラムの表がありません");
            return;
        }
        // The tables are ours, but of another version: a newer program's file is left to it,
        // an older one is brought up to date at start-up before anything opens it.
        QSqlQuery version(database);
        const int expected = expectedVersion(path);
        if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next())
            return;
        if (const int found = version.value(0).toInt(); found > expected)
            problem = QStringLiteral("このプログラムより新しい版（%1）のファイルです").arg(found);
        else if (found < expected)
            problem = QStringLiteral("古い版（%1）のファイルで、新しい版（%2）に更新されていません").arg(found).arg(expected);
    });
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
            noteError(QStringLiteral("cannot attach %1: no such file").arg(ModQLNV::DataMdbPath), Failure::CannotWrite);
            return;
        }
        if (const QString problem = foreignFileProblem(ModQLNV::DataMdbPath); !problem.isEmpty()) {
            noteError(QStringLiteral("not attaching %1: %2").arg(ModQLNV::DataMdbPath, problem), Failure::Damaged);
            return;
        }
        if (!exec(q, QStringLiteral("ATTACH DATABASE ? AS data"), {uriFor(ModQLNV::DataMdbPath, false)}))
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
        noteError(QStringLiteral("prepare failed: %1 [%2]").arg(q.lastError().text(), sql), q.lastError());
        return false;
    }
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        noteError(QStringLiteral("statement failed: %1 [%2]").arg(q.lastError().text(), sql), q.lastError());
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
    noteError(QStringLiteral("reading failed: %1 [%2]").arg(q.lastError().text(), q.lastQuery()), q.lastError());
    return false;
}

QString lastError()
{
    return t_lastError.localData();
}

Failure lastFailure()
{
    return t_lastFailure.hasLocalData() ? t_lastFailure.localData() : Failure::None;
}

void noteFailure(const QString &what, Failure failure)
{
    noteError(what, failure);
}

QString failureText(Failure failure, const QString &path)
{
    const QString file = QDir::toNativeSeparators(path);
    const QString folderPath = QFileInfo(path).absolutePath();
    const QString folder = QDir::toNativeSeparators(folderPath);
    const QString diskFull = QStringLiteral("ディスクに空きがないため、フォルダ %1 に書き込めません。").arg(folder);
    switch (failure) {
    case Failure::None:
        return {};
    case Failure::InUse:
        return QStringLiteral("ファイル %1 はほかのプログラムが使用中です。しばらくしてからやり直してください。").arg(file);
    case Failure::DiskFull:
        return diskFull;
    case Failure::Damaged:
        return QStringLiteral("ファイル %1 を読めません（壊れている可能性があります）。").arg(file);
    case Failure::Exists:
        return QStringLiteral("同じ名前のファイル %1 がちょうど作られたため、置き換えずにそのままにしました。").arg(file);
    case Failure::CannotWrite:
    case Failure::Other:
        break;
    }
    // SQLite makes its journal and shared-memory files beside the file, and fails with
    // whatever it was doing when one of them cannot be made: find the cause on the disk.
    if (!QFileInfo(folderPath).isWritable())
        return QStringLiteral("フォルダ %1 に書き込めません（読み取り専用です）。").arg(folder);
    if (QFileInfo::exists(path) && !QFileInfo(path).isWritable())
        return QStringLiteral("ファイル %1 は読み取り専用です。").arg(file);
    const QStorageInfo disk(folderPath);
    if (disk.isValid() && disk.bytesAvailable() < MinimumFreeBytes)
        return diskFull;
    for (const char *suffix : {"-wal", "-shm", "-journal"}) {
        const QFileInfo companion(path + QLatin1String(suffix));
        if (companion.exists() && (!companion.isFile() || !companion.isWritable()))
            return QStringLiteral("ファイル %1 を作れないため、%2 を使えません。")
                .arg(QDir::toNativeSeparators(companion.filePath()), file);
    }
    if (failure == Failure::CannotWrite)
        return QStringLiteral("ファイル %1 を開けません。").arg(file);
    return QStringLiteral("ファイル %1 を読み書きできませんでした。").arg(file);
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
        noteError(QStringLiteral("prepare failed: %1 [%2]").arg(m_query.lastError().text(), sql), m_query.lastError());
}

bool Statement::run(const QVariantList &values)
{
    if (!m_prepared)
        return false;
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values.at(i));
    if (!m_query.exec()) {
        noteError(QStringLiteral("statement failed: %1 [%2]").arg(m_query.lastError().text(), m_sql), m_query.lastError());
        return false;
    }
    return true;
}

namespace {

// The sqlite3 handle under a connection of Qt's driver; nullptr for any other.
sqlite3 *handleOf(const QSqlDatabase &database)
{
    const QVariant v = database.driver() ? database.driver()->handle() : QVariant();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(v.constData());
}

} // namespace

bool backupDatabase(const QSqlDatabase &source, const QString &path)
{
    sqlite3 *from = handleOf(source);
    if (!source.isOpen() || !from) {
        noteError(QStringLiteral("cannot back up: the source is not open [%1]").arg(path), Failure::Other);
        return false;
    }
    const QString partial = path + QStringLiteral(".part");
    files::removeWithSideFiles(partial);
    sqlite3 *to = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(partial).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup) {
            rc = sqlite3_errcode(to);
        } else {
            // All pages in one step: the copy is one snapshot of the committed data. A writer
            // of another connection holding its lock is waited for a bounded time.
            for (int waited = 0;; waited += 10) {
                rc = sqlite3_backup_step(backup, -1);
                if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || waited >= BusyTimeoutMs)
                    break;
                sqlite3_sleep(10);
            }
            const int finished = sqlite3_backup_finish(backup);
            if (rc == SQLITE_DONE)
                rc = finished;
        }
    }
    // The copy is one file that stands alone, readable also from a medium that cannot be
    // written (a write-ahead log would want its shared-memory file there).
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(to, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    QString problem = QString::fromUtf8(to ? sqlite3_errmsg(to) : "out of memory");
    if (sqlite3_close(to) != SQLITE_OK && rc == SQLITE_OK)
        rc = SQLITE_IOERR;
    Failure failure = rc == SQLITE_OK ? Failure::None : failureOfCode(rc);
    if (rc == SQLITE_OK) {
        const files::Result done = files::renameNew(partial, path);
        failure = done.failure;
        problem = done.error;
    }
    if (failure != Failure::None) {
        files::removeWithSideFiles(partial);
        noteError(QStringLiteral("backup to %1 failed: %2").arg(path, problem), failure);
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
